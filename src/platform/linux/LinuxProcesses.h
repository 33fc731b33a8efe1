#pragma once

#include "platform/Workspace.h"

// Running copies of this program that were started as the resident application (no arguments) and
// would use this copy's support folder, wherever their executable lies, with their start times, read
// from /proc. Two copies are of one program when their executables have the same file name.
namespace LinuxProcesses {
QList<RunningProcess> residentCopies();
} // namespace LinuxProcesses
