#include "XTestKeys.h"

#include <xcb/xtest.h>

XTestKeys::XTestKeys() : m_x(X11Connection::open())
{
    if (m_x)
        m_keyboard = X11Keyboard::load(m_x->raw());
}

void XTestKeys::fake(uint8_t type, uint8_t detail, int16_t x, int16_t y)
{
    xcb_test_fake_input(m_x->raw(), type, detail, XCB_CURRENT_TIME, m_x->root(), x, y, 0);
    m_x->sync();
}

void XTestKeys::press(xcb_keysym_t keysym)
{
    if (const auto keycode = m_keyboard.keycode(keysym))
        fake(XCB_KEY_PRESS, *keycode);
}

void XTestKeys::release(xcb_keysym_t keysym)
{
    if (const auto keycode = m_keyboard.keycode(keysym))
        fake(XCB_KEY_RELEASE, *keycode);
}

void XTestKeys::tap(xcb_keysym_t keysym)
{
    press(keysym);
    release(keysym);
}

void XTestKeys::chord(const QList<xcb_keysym_t>& keysyms)
{
    for (const xcb_keysym_t keysym : keysyms)
        press(keysym);
    for (auto it = keysyms.rbegin(); it != keysyms.rend(); ++it)
        release(*it);
}

void XTestKeys::move(int x, int y)
{
    fake(XCB_MOTION_NOTIFY, 0, int16_t(x), int16_t(y));
}

void XTestKeys::click(int x, int y, uint8_t button)
{
    move(x, y);
    fake(XCB_BUTTON_PRESS, button);
    fake(XCB_BUTTON_RELEASE, button);
}
