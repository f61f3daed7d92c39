#pragma once

#include <QElapsedTimer>

class QWidget;

// For measuring start-up from outside (the benchmark): once the main window's drink list has painted
// itself for the first time, prints "first paint after <ms> ms, <n> drinks" (ms counted from
// sinceStart) on standard output and quits the event loop.
namespace StartupTiming {

// The environment variable that asks for it; "1" turns it on.
inline constexpr char EnvironmentVariable[] = "TUMBLERIX_EXIT_AFTER_LOAD";

bool requested();
// mainWindow must hold the list "lstDrinks"; false when it does not.
bool exitAfterFirstPaint(QWidget* mainWindow, const QElapsedTimer& sinceStart);

} // namespace StartupTiming
