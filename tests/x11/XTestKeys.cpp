#include "XTestKeys.h"

#include <xcb/xtest.h>

XTestKeys::XTestKeys() : m_x(X11Connection::open())
{
    if (m_x)
        m_keyboard = X11Keyboard::load(m_x->raw());
}

void XTestKeys::chord(const QList<xcb_keysym_t>& keysyms)
{
    for (const xcb_keysym_t keysym : keysyms)
        press(keysym);
    for (auto it = keysyms.rbegin(); it != keysyms.rend(); ++it)
        release(*it);
}

void XTestKeys::click(int x, int y, uint8_t button)
{
    move(x, y);
    fake(XCB_BUTTON_PRESS, button);
    fake(XCB_BUTTON_RELEASE, button);
}

void XTestKeys::key(uint8_t type, xcb_keysym_t keysym)
{
    if (const auto keycode = m_keyboard.keycode(keysym))
        fake(type, *keycode);
}

void XTestKeys::fake(uint8_t type, uint8_t detail, int16_t x, int16_t y)
{
    xcb_test_fake_input(m_x->raw(), type, detail, XCB_CURRENT_TIME, m_x->root(), x, y, 0);
    m_x->sync();
}
