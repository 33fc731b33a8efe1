#pragma once

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keyboard.h"

#include <QList>
#include <QPoint>
#include <memory>

namespace Keysym {
constexpr xcb_keysym_t shiftL = 0xffe1, shiftR = 0xffe2, superL = 0xffeb, altL = 0xffe9;
constexpr xcb_keysym_t space = ' ', returnKey = 0xff0d, v = 'v', a = 'a', x = 'x', down = 0xff54;
constexpr xcb_keysym_t tab = 0xff09, escape = 0xff1b;
} // namespace Keysym

// Clean single key and pointer events through the XTest extension, each one handled by the server
// before the call returns.
class XTestKeys {
public:
    XTestKeys();
    bool available() const { return m_x != nullptr; }

    void press(xcb_keysym_t keysym) { key(XCB_KEY_PRESS, keysym); }
    void release(xcb_keysym_t keysym) { key(XCB_KEY_RELEASE, keysym); }
    void tap(xcb_keysym_t keysym) { chord({keysym}); }
    // Presses the keys in order and releases them in reverse order.
    void chord(const QList<xcb_keysym_t>& keysyms);
    // The panel's hot key, Alt+Super+V.
    void hotkey() { chord({Keysym::superL, Keysym::altL, Keysym::v}); }
    // A click of a button (1 left, 3 right), and a move of the pointer.
    void click(int x, int y, uint8_t button = 1);
    void click(QPoint at, uint8_t button = 1) { click(at.x(), at.y(), button); }
    void move(int x, int y) { fake(XCB_MOTION_NOTIFY, 0, int16_t(x), int16_t(y)); }

private:
    void key(uint8_t type, xcb_keysym_t keysym);
    void fake(uint8_t type, uint8_t detail, int16_t x = 0, int16_t y = 0);

    std::unique_ptr<X11Connection> m_x;
    X11Keyboard m_keyboard;
};
