#pragma once

#include "platform/DesktopServices.h"

#include <QStringList>
#include <QTextStream>

// The sub-commands that scripts use without the resident application: one command, plain lines on
// standard output, an exit status.
namespace CommandLine {

// With no argument beyond the program path the process becomes the resident application.
bool isResident(const QStringList& args);

// What `--help` prints, and standard error after an unknown command.
QString usage();

// Runs the sub-command named by args[1]; every line of its own, errors included, goes to `out`.
// After an unknown command the usage follows on `err`; `--help` and `--version` (the version line
// given) answer on `out` with status 0.
int run(const QStringList& args, DesktopServices& desktop, QTextStream& out, QTextStream& err,
        const QString& version);

} // namespace CommandLine
