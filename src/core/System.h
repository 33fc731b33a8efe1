#pragma once

#include <QtGlobal>

// The system this build is for, as a constant: what differs between systems is chosen with an
// ordinary `if`, so the code for each system compiles on every system.
namespace System {
#if defined(Q_OS_MACOS)
inline constexpr bool macOS = true;
#else
inline constexpr bool macOS = false;
#endif
} // namespace System
