#pragma once

#include "platform/Workspace.h"

// Running copies of this executable that were started as the resident application (no arguments),
// with their start times, read from /proc.
namespace LinuxProcesses {
QList<RunningProcess> residentCopies();
} // namespace LinuxProcesses
