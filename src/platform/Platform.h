#pragma once

#include "platform/Accessibility.h"
#include "platform/AppleScript.h"
#include "platform/Bundle.h"
#include "platform/Hotkeys.h"
#include "platform/KeyEvents.h"
#include "platform/LoginItem.h"
#include "platform/Processes.h"
#include "platform/Terminals.h"
#include "platform/Workspace.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

// The desktop backend chosen for this build.
namespace Platform {
std::unique_ptr<Accessibility> makeAccessibility();
std::unique_ptr<Bundle> makeBundle();
std::unique_ptr<Workspace> makeWorkspace();
std::unique_ptr<Processes> makeProcesses();
std::unique_ptr<AppleScript> makeAppleScript();
std::unique_ptr<Hotkeys> makeHotkeys();
// Starting this program, as it is installed, at login.
std::unique_ptr<LoginItem> makeLoginItem();
// The terminal emulators' windows, on desktops where Terminal's scripting is not there; none where
// it is. Works through the accessibility made by makeAccessibility.
std::unique_ptr<Terminals> makeTerminals(Accessibility& accessibility);
// `ownsKeyboard` tells whether one of this application's windows has the keyboard focus.
std::unique_ptr<KeyEvents> makeKeyEvents(std::function<bool()> ownsKeyboard);
// Whether the resident application has a desktop to show its windows on.
bool hasDesktop();
// Why there is no desktop to work with, in plain words for the command line; absent when there is one.
std::optional<QString> desktopProblem();
} // namespace Platform
