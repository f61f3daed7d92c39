#pragma once

#include <QList>
#include <QString>

// What the System Information window reports: the program, the libraries it runs on, the operating
// system, and where the data lives with what the recipe database holds.
namespace SystemInfo {

struct Line
{
    QString section;
    QString item;
    QString value;
};

// The SQLite library the program runs on (not the one it was built against).
QString SqliteVersion();

// Everything the window shows. Throws Sql::Error when no recipe database is open or it cannot be
// counted: without it the report would describe a program that is not working.
QList<Line> Collect(const QString& dataFolder, const QString& programVersion);

// The report as plain text, one "item: value" line each under its section's name.
QString ToText(const QList<Line>& lines);

} // namespace SystemInfo
