#pragma once

#include "platform/Workspace.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// Running copies of this program that were started as the resident application (no arguments) and
// would use this copy's support folder, wherever their executable lies, with their start times, read
// from /proc. Two copies are of one program when their executables have the same file name.
namespace LinuxProcesses {
QList<RunningProcess> residentCopies();

// What is made of the files read, from their bytes alone: a process sets its own command name,
// command line and environment to anything it likes.

// The boot time ("btime", seconds since the epoch) in the text of /proc/stat.
std::optional<qint64> bootTimeIn(const QByteArray& procStat);
// When a process started, from its /proc/<pid>/stat line, the boot time and the clock's ticks per
// second.
std::optional<QDateTime> startTimeIn(const QByteArray& stat, qint64 bootTime, qint64 ticksPerSecond);
// The support folder an environment (/proc/<pid>/environ) leads to: the XDG data home when absolute,
// else ~/.local/share (with "/" for a missing home), then "Panedeck"; a clean path, not resolved.
QString supportFolderIn(const QByteArray& environment);
// A path with its links resolved as far as it exists (a support folder not made yet under a linked
// home is still the same folder as under the real one); the rest kept as it is.
QString canonicalPath(const QString& path);
// Whether a command line (/proc/<pid>/cmdline) is the program's name alone: a resident copy.
bool isResidentCommandLine(const QByteArray& commandLine);
} // namespace LinuxProcesses
