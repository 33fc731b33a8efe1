#pragma once

#include "platform/Hotkeys.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keyboard.h"

#include <QSocketNotifier>
#include <memory>

// The hot key as a passive key grab on the root window, on a connection of its own. The grab is
// made for the combination alone and with Num Lock and Caps Lock on, since X counts lock states
// as modifiers. Presses are read on the main thread.
class X11Hotkeys final : public Hotkeys {
public:
    X11Hotkeys();
    ~X11Hotkeys() override;

    int installHandler(std::function<void()> pressed) override;
    void removeHandler() override;
    int registerHotKey(quint32 keyCode, quint32 modifiers) override;
    void unregisterHotKey() override;

private:
    int grab(quint32 keyCode, quint32 modifiers);
    void release();
    // Whether the grab in force still catches the wanted combination in the current keyboard mapping.
    bool stillFits() const;
    void readEvents();
    bool readEventsOnce();
    QList<uint16_t> lockVariants() const;

    std::unique_ptr<X11Connection> m_x;
    std::unique_ptr<QSocketNotifier> m_notifier;
    X11Keyboard m_keyboard;
    std::function<void()> m_pressed;
    std::optional<xcb_keycode_t> m_keycode;
    uint16_t m_state = 0;
    bool m_keyDown = false;
    uint8_t m_xkbEvent = 0; // the XKB extension's event code, when it is there
    // As registered (virtual key code, modifier mask); grabbed again whenever the keyboard is remapped.
    std::optional<std::pair<quint32, quint32>> m_wanted;
};
