#pragma once

#include "platform/Accessibility.h"
#include "platform/AppleScript.h"
#include "platform/Bundle.h"
#include "platform/Processes.h"
#include "platform/Workspace.h"

#include <memory>

// The desktop backend chosen for this build.
namespace Platform {
std::unique_ptr<Accessibility> makeAccessibility();
std::unique_ptr<Bundle> makeBundle();
std::unique_ptr<Workspace> makeWorkspace();
std::unique_ptr<Processes> makeProcesses();
std::unique_ptr<AppleScript> makeAppleScript();
// Whether the resident application has a desktop to show its windows on.
bool hasDesktop();
} // namespace Platform
