#pragma once

#include "platform/DesktopServices.h"

#include <QStringList>
#include <QTextStream>

// The sub-commands that scripts use without the resident application: one command, plain lines on
// standard output, an exit status.
namespace CommandLine {

// With no argument beyond the program path the process becomes the resident application.
bool isResident(const QStringList& args);

// Runs the sub-command named by args[1]; every line, errors included, goes to `out`.
int run(const QStringList& args, DesktopServices& desktop, QTextStream& out);

} // namespace CommandLine
