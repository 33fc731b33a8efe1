#pragma once

#include "platform/Accessibility.h"
#include "platform/AppleScript.h"
#include "platform/Processes.h"
#include "platform/Sleeper.h"
#include "platform/Terminals.h"
#include "platform/Workspace.h"

// The platform operations the window and launching logic reaches the desktop through.
struct DesktopServices {
    Accessibility& accessibility;
    Processes& processes;
    AppleScript& appleScript;
    Workspace& workspace;
    Sleeper& sleeper;
    // Where Terminal's scripting is not there, the terminal emulators stand in for it.
    Terminals* terminals = nullptr;
};
