#pragma once

#include <QString>

// The panel's hot key (HotkeyConfig::defaultConfig: V with the command and option modifiers) as
// this desktop names its keys: ⌥⌘V on a Mac, Alt+Super+V elsewhere.
namespace HotkeyNames {
// The label of the switch that turns the hot key on and off.
QString switchLabel();
} // namespace HotkeyNames
