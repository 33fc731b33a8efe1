#pragma once

#include <QtGlobal>
#include <functional>

// The desktop's hot-key service: one key combination for the whole session, reported to this
// application wherever the keyboard focus is. Operations answer a status, 0 on success.
class Hotkeys {
public:
    // Statuses of refused registrations (the values of the macOS service).
    static constexpr int combinationTaken = -9878;
    static constexpr int combinationInvalid = -9879;
    static constexpr int serviceUnavailable = -9868;

    virtual ~Hotkeys() = default;
    // Installs the callback for presses of the registered combination; it may run on any thread.
    virtual int installHandler(std::function<void()> pressed) = 0;
    virtual void removeHandler() = 0;
    // A virtual key code and a modifier mask (command 0x100, shift 0x200, option 0x800, control 0x1000).
    virtual int registerHotKey(quint32 keyCode, quint32 modifiers) = 0;
    virtual void unregisterHotKey() = 0;
    // Where the desktop holds the keys typed after a press until the panel can take them (X11),
    // lets them go on, in order, once `window` (a native window) has the focus, or at once for 0.
    // Elsewhere nothing is held.
    virtual void releaseHeldKeys(quintptr window) { Q_UNUSED(window); }
};
