#pragma once

#include <QString>
#include <array>

// The terminal emulators Panedeck knows on Linux: the program that starts one, and the WM_CLASS
// class of its windows. Debian's x-terminal-emulator, the user's chosen one, comes first when
// opening a folder.
namespace TerminalEmulators {

struct Emulator {
    const char* program;
    const char* windowClass;
};

inline constexpr std::array<Emulator, 10> known{{
    {"xterm", "XTerm"},
    {"urxvt", "URxvt"},
    {"alacritty", "Alacritty"},
    {"kitty", "kitty"},
    {"wezterm", "org.wezfurlong.wezterm"},
    {"gnome-terminal", "Gnome-terminal"},
    {"konsole", "konsole"},
    {"xfce4-terminal", "Xfce4-terminal"},
    {"tilix", "Tilix"},
    {"terminator", "Terminator"},
}};

inline constexpr const char* chosen = "x-terminal-emulator";

} // namespace TerminalEmulators
