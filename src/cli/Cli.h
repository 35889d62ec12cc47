#pragma once

#include <QStringList>
#include <QTextStream>

// The headless front end: ovelin-cli's commands over the same core as the program.
namespace cli {

enum ExitCode : int { kSuccess = 0, kFailure = 1, kBadInput = 2 };

// Runs one command line (without the program name); output and errors go to the streams. Long
// commands show their progress on err when it is a terminal (errIsTerminal), unless --quiet says
// not to; --progress shows it whatever err is.
int Run(const QStringList& arguments, QTextStream& out, QTextStream& err,
        bool errIsTerminal = false);

}  // namespace cli
