#include "platform/Platform.h"
#include "platform/SystemProcesses.h"
#include "platform/macos/MacAccessibility.h"
#include "platform/macos/MacAppleScript.h"
#include "platform/macos/MacBundle.h"
#include "platform/macos/MacHotkeys.h"
#include "platform/macos/MacKeyEvents.h"
#include "platform/macos/MacLoginItem.h"
#include "platform/macos/MacWorkspace.h"

namespace Platform {

std::unique_ptr<Accessibility> makeAccessibility()
{
    return std::make_unique<MacAccessibility>();
}

std::unique_ptr<Bundle> makeBundle()
{
    return std::make_unique<MacBundle>();
}

std::unique_ptr<Workspace> makeWorkspace()
{
    return std::make_unique<MacWorkspace>();
}

// `open`, `osascript` and `lsof` are the system's own here.
std::unique_ptr<Processes> makeProcesses()
{
    return std::make_unique<SystemProcesses>();
}

std::unique_ptr<AppleScript> makeAppleScript()
{
    return std::make_unique<MacAppleScript>();
}

std::unique_ptr<Hotkeys> makeHotkeys()
{
    return std::make_unique<MacHotkeys>();
}

// Terminal answers for itself through AppleScript.
std::unique_ptr<Terminals> makeTerminals(Accessibility&)
{
    return nullptr;
}

// AppKit reports every key event as it is; whether this application has the keyboard needs no
// asking.
std::unique_ptr<KeyEvents> makeKeyEvents(std::function<bool()>)
{
    return std::make_unique<MacKeyEvents>();
}

std::unique_ptr<LoginItem> makeLoginItem()
{
    return std::make_unique<MacLoginItem>();
}

bool hasDesktop()
{
    return true;
}

std::optional<QString> desktopProblem()
{
    return std::nullopt;
}

} // namespace Platform
