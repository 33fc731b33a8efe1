#include "platform/x11/X11Hotkeys.h"

#include "platform/x11/X11Reply.h"

#include <QDebug>
#include <algorithm>
#include <cstdlib>

// The XKB header names a member `explicit`, which C++ reserves.
#define explicit xkb_explicit
#include <xcb/xkb.h>
#undef explicit

namespace {

constexpr uint8_t badAccess = 10;
// Longer than a loaded desktop takes to give a new window the focus; short enough that a panel
// that never gets it does not keep the user's keys for long.
constexpr int holdLimitMs = 1000;

// A hold must end before the keyboard starts repeating the hot key, which the server still counts
// as held: the repeats would come out after it as presses of their own.
int holdLimit(xcb_connection_t* c, bool xkb)
{
    if (!xkb)
        return holdLimitMs;
    X11Reply<xcb_xkb_get_controls_reply_t> controls(
        xcb_xkb_get_controls_reply(c, xcb_xkb_get_controls(c, XCB_XKB_ID_USE_CORE_KBD), nullptr));
    if (!controls || !(controls->enabledControls & XCB_XKB_BOOL_CTRL_REPEAT_KEYS))
        return holdLimitMs;
    return std::clamp(int(controls->repeatDelay) - 50, 50, holdLimitMs);
}

} // namespace

X11Hotkeys::X11Hotkeys()
{
    m_holdLimit.setSingleShot(true);
    QObject::connect(&m_holdLimit, &QTimer::timeout, [this] { thaw(); });
}

X11Hotkeys::~X11Hotkeys()
{
    unregisterHotKey();
}

int X11Hotkeys::installHandler(std::function<void()> pressed)
{
    if (!m_x) {
        m_x = X11Connection::open();
        if (!m_x)
            return serviceUnavailable;
        // Held keys then repeat as presses alone, without the release X puts before each repeat.
        // Such a client hears of keyboard remapping through XKB only.
        xcb_connection_t* c = m_x->raw();
        std::free(xcb_xkb_use_extension_reply(c, xcb_xkb_use_extension(c, 1, 0), nullptr));
        std::free(xcb_xkb_per_client_flags_reply(
            c,
            xcb_xkb_per_client_flags(c, XCB_XKB_ID_USE_CORE_KBD,
                                     XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT,
                                     XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT, 0, 0, 0),
            nullptr));
        if (const auto* xkb = xcb_get_extension_data(c, &xcb_xkb_id); xkb && xkb->present) {
            m_xkbEvent = xkb->first_event;
            constexpr uint16_t remaps =
                XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
            constexpr uint16_t parts = XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;
            xcb_xkb_select_events(c, XCB_XKB_ID_USE_CORE_KBD, remaps, 0, remaps, parts, parts, nullptr);
        }
        m_notifier =
            std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_x->raw()), QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { readEvents(); });
    }
    m_pressed = std::move(pressed);
    return 0;
}

void X11Hotkeys::removeHandler()
{
    m_pressed = nullptr;
}

QList<uint16_t> X11Hotkeys::lockVariants() const
{
    const uint16_t numLock = m_keyboard.numLockMask();
    return {0, numLock, XCB_MOD_MASK_LOCK, uint16_t(numLock | XCB_MOD_MASK_LOCK)};
}

int X11Hotkeys::registerHotKey(quint32 keyCode, quint32 modifiers)
{
    unregisterHotKey();
    if (!m_x || m_x->broken())
        return serviceUnavailable;
    const int status = grab(keyCode, modifiers);
    if (status == 0)
        m_wanted = {keyCode, modifiers};
    return status;
}

void X11Hotkeys::unregisterHotKey()
{
    release();
    m_wanted.reset();
}

int X11Hotkeys::grab(quint32 keyCode, quint32 modifiers)
{
    xcb_connection_t* c = m_x->raw();
    // The keyboard may have been remapped since the last registration.
    m_keyboard = X11Keyboard::load(c);
    const auto keysym = MacKeyCodes::keysym(keyCode);
    const auto keycode = keysym ? m_keyboard.keycode(*keysym) : std::nullopt;
    if (!keycode)
        return combinationInvalid;
    const uint16_t state = m_keyboard.modifierState(modifiers);

    QList<xcb_void_cookie_t> grabs;
    for (const uint16_t locks : lockVariants())
        grabs.append(xcb_grab_key_checked(c, 1, m_x->root(), uint16_t(state | locks), *keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC));
    int status = 0;
    for (const xcb_void_cookie_t cookie : grabs) {
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            if (status == 0)
                status = error->error_code == badAccess ? combinationTaken : combinationInvalid;
            std::free(error);
        }
    }
    m_keycode = keycode;
    m_state = state;
    if (status != 0) {
        // Nothing half-installed: release the variants that were granted.
        release();
        return status;
    }
    readEvents(); // events that arrived while waiting for the answers
    return 0;
}

bool X11Hotkeys::stillFits() const
{
    const X11Keyboard keyboard = X11Keyboard::load(m_x->raw());
    const auto keysym = MacKeyCodes::keysym(m_wanted->first);
    return m_keycode && keysym && keyboard.keycode(*keysym) == m_keycode &&
           keyboard.modifierState(m_wanted->second) == m_state &&
           keyboard.numLockMask() == m_keyboard.numLockMask();
}

void X11Hotkeys::releaseHeldKeys(quintptr window)
{
    if (!m_holding || !m_x)
        return;
    if (window) {
        // The window's focus notices come to this connection too: chosen before asking, the focus
        // is either there already or announced later.
        m_holdingFor = xcb_window_t(window);
        const uint32_t focusChanges = XCB_EVENT_MASK_FOCUS_CHANGE;
        xcb_change_window_attributes(m_x->raw(), m_holdingFor, XCB_CW_EVENT_MASK, &focusChanges);
        if (!hasFocus(m_holdingFor))
            return;
    }
    thaw();
}

// Asked of the server: a notice may be an old one, or tell of the pointer's window.
bool X11Hotkeys::hasFocus(xcb_window_t window) const
{
    X11Reply<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(m_x->raw(), xcb_get_input_focus(m_x->raw()), nullptr));
    return focus && focus->focus == window;
}

void X11Hotkeys::thaw()
{
    if (!m_holding)
        return;
    m_holding = false;
    m_holdingFor = XCB_NONE;
    m_holdLimit.stop();
    xcb_allow_events(m_x->raw(), XCB_ALLOW_ASYNC_KEYBOARD, XCB_CURRENT_TIME);
    xcb_flush(m_x->raw());
}

void X11Hotkeys::release()
{
    if (!m_keycode || !m_x)
        return;
    thaw(); // ungrabbing leaves a grab in force, and its freeze, as they are
    for (const uint16_t locks : lockVariants())
        xcb_ungrab_key(m_x->raw(), *m_keycode, m_x->root(), uint16_t(m_state | locks));
    xcb_flush(m_x->raw());
    m_keycode.reset();
    m_keyDown = false;
}

void X11Hotkeys::readEvents()
{
    // The round trips that check the grab after a remap read further events into the connection's
    // queue, where the socket notifier never sees them: read again until nothing is left.
    while (readEventsOnce()) {
    }
}

// Returns whether it asked the server something after its last read.
bool X11Hotkeys::readEventsOnce()
{
    bool remapped = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_x->raw())) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_FOCUS_IN && m_holding &&
            reinterpret_cast<xcb_focus_in_event_t*>(event)->event == m_holdingFor && hasFocus(m_holdingFor)) {
            thaw();
        } else if (type == XCB_MAPPING_NOTIFY || (m_xkbEvent && event->response_type == m_xkbEvent)) {
            remapped = true;
        } else if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            const auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
            if (m_keycode && key->detail == *m_keycode) {
                const uint16_t locks = m_keyboard.numLockMask() | XCB_MOD_MASK_LOCK;
                const bool combination = (key->state & 0xff & ~locks) == m_state;
                // A press while the key is down is an auto-repeat, not a new press.
                const bool repeat = type == XCB_KEY_PRESS && m_keyDown;
                m_keyDown = type == XCB_KEY_PRESS;
                if (type == XCB_KEY_PRESS && combination && !repeat && m_pressed) {
                    m_holding = true;
                    m_holdLimit.start(holdLimit(m_x->raw(), m_xkbEvent != 0));
                    auto pressed = m_pressed;
                    pressed();
                } else if (type == XCB_KEY_PRESS) {
                    // Not a press for the panel: the keyboard goes on as it was.
                    xcb_allow_events(m_x->raw(), XCB_ALLOW_ASYNC_KEYBOARD, XCB_CURRENT_TIME);
                    xcb_flush(m_x->raw());
                }
            }
        }
        std::free(event);
    }
    // A display that went away leaves the socket readable for ever: stop listening to it.
    if (m_x->broken() && m_notifier)
        m_notifier->setEnabled(false);
    // The keyboard was remapped (a layout chosen after start-up, say): the combination may sit on
    // other keys now, or only again after a later change. Notices also come when nothing moved (the
    // first synthetic key event switches the keyboard device): a grab that still fits stays, since
    // a press arriving between releasing and grabbing again would be lost.
    if (m_x->broken() || !remapped || !m_wanted)
        return false;
    if (!stillFits()) {
        release();
        if (const int status = grab(m_wanted->first, m_wanted->second); status != 0)
            qInfo().noquote() << QStringLiteral(
                                     "X11Hotkeys: no key for the hot key in the new keyboard mapping (%1)")
                                     .arg(status);
        else
            qInfo("X11Hotkeys: the hot key follows the new keyboard mapping");
    }
    return true;
}
