#pragma once

#include <QString>
#include <optional>

// The folder a terminal window's shell works in, read from /proc: no child processes, nothing that
// waits. `procRoot` is "/proc" but for tests.
namespace TerminalFolders {

// The folder of the one terminal session an emulator process runs: when the process has exactly one
// child on a pseudo-terminal, the working folder of the process with the smallest id on that
// pseudo-terminal among the child and its descendants. Absent for several sessions (one process
// serving several windows), none, or anything unreadable.
std::optional<QString> ofSession(const QString& procRoot, qint64 emulatorPid);

// The folder a shell's window title names, in the common forms "user@host: ~/path", "~/path" and
// "/abs/path", with "~" standing for `home`. Absent for any other title.
std::optional<QString> fromTitle(const QString& title, const QString& home);

// The folder of a window: its process's one session when `windowsOfProcess` is 1, else what its
// title names.
std::optional<QString> of(const QString& procRoot, qint64 emulatorPid, int windowsOfProcess,
                          const QString& title, const QString& home);

} // namespace TerminalFolders
