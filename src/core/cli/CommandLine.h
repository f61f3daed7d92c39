#pragma once

#include <QStringList>

class QTextStream;

// The program without its windows: options that only print (--help, --version, --report) and the
// subcommands that read or change the recipe database of the data folder. Needs no display.
namespace CommandLine {

// Exit statuses.
inline constexpr int Success = 0;
inline constexpr int Failure = 1;
inline constexpr int BadUsage = 2;

// True when the arguments (the program's name first) ask for the command line rather than the
// windows: a subcommand, or an option that only prints.
bool IsConsoleCommand(const QStringList& arguments);

// Runs it; what it prints goes to out, messages to err. Returns the exit status.
int Run(const QStringList& arguments, QTextStream& out, QTextStream& err);

// The subcommands, for the help text of both the console and the window program.
QString HelpText();

} // namespace CommandLine
