#pragma once

#include "platform/Accessibility.h"

#include <memory>

// The desktop backend chosen for this build.
namespace Platform {
std::unique_ptr<Accessibility> makeAccessibility();
// Whether the resident application has a desktop to show its windows on.
bool hasDesktop();
} // namespace Platform
