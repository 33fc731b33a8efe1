#pragma once

#include "platform/Hotkeys.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keyboard.h"

#include <QSocketNotifier>
#include <QTimer>
#include <memory>

// The hot key as a passive key grab on the root window, on a connection of its own. The grab is
// made for the combination alone and with Num Lock and Caps Lock on, since X counts lock states
// as modifiers. Presses are read on the main thread.
//
// A press freezes the keyboard (a synchronous grab): what the user types next stays with the X
// server until the panel's window has the focus (releaseHeldKeys) and then goes to it in order, as
// it would to a launcher that took the keyboard. A hold lasts a second at most.
class X11Hotkeys final : public Hotkeys {
public:
    X11Hotkeys();
    ~X11Hotkeys() override;

    int installHandler(std::function<void()> pressed) override;
    void removeHandler() override;
    int registerHotKey(quint32 keyCode, quint32 modifiers) override;
    void unregisterHotKey() override;
    void releaseHeldKeys(quintptr window) override;

private:
    int grab(quint32 keyCode, quint32 modifiers);
    void release();
    // Whether the grab in force still catches the wanted combination in the current keyboard mapping.
    bool stillFits() const;
    void readEvents();
    bool readEventsOnce();
    void thaw();
    bool hasFocus(xcb_window_t window) const;
    QList<uint16_t> lockVariants() const;

    std::unique_ptr<X11Connection> m_x;
    std::unique_ptr<QSocketNotifier> m_notifier;
    X11Keyboard m_keyboard;
    std::function<void()> m_pressed;
    std::optional<xcb_keycode_t> m_keycode;
    uint16_t m_state = 0;
    bool m_keyDown = false;
    bool m_holding = false;               // the keyboard is frozen since the last press
    xcb_window_t m_holdingFor = XCB_NONE; // the window whose focus ends the hold
    QTimer m_holdLimit;
    uint8_t m_xkbEvent = 0; // the XKB extension's event code, when it is there
    // As registered (virtual key code, modifier mask); grabbed again whenever the keyboard is remapped.
    std::optional<std::pair<quint32, quint32>> m_wanted;
};
