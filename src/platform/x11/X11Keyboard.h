#pragma once

#include "platform/KeyEvents.h"

#include <QList>
#include <QSet>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

// The keyboard as the X server maps it: key symbols of the physical key codes and the modifier bits
// Alt, Super and Num Lock sit on.
class X11Keyboard {
public:
    // Reads the current mappings; an empty keyboard when the server does not answer.
    static X11Keyboard load(xcb_connection_t* connection);

    // The key's unshifted symbol; 0 for an unknown key.
    xcb_keysym_t keysym(xcb_keycode_t keycode) const;
    // The first key that produces `keysym` unshifted, or else shifted.
    std::optional<xcb_keycode_t> keycode(xcb_keysym_t keysym) const;

    uint16_t altMask() const { return m_altMask; }
    uint16_t superMask() const { return m_superMask; }
    uint16_t numLockMask() const { return m_numLockMask; }

    // The X modifier state for a mask of the platform's hot-key service (command = Super,
    // option = Alt, control = Control, shift = Shift).
    uint16_t modifierState(quint32 carbonModifiers) const;

private:
    xcb_keycode_t m_minKeycode = 0;
    uint8_t m_perKeycode = 0;
    std::vector<xcb_keysym_t> m_keysyms;
    uint16_t m_altMask = XCB_MOD_MASK_1;
    uint16_t m_superMask = XCB_MOD_MASK_4;
    uint16_t m_numLockMask = XCB_MOD_MASK_2;
};

// The platform's virtual key codes (US layout positions) and the X key symbols they stand for.
namespace MacKeyCodes {
std::optional<xcb_keysym_t> keysym(quint32 keyCode);
// `KeyEvent::unknownKey` for symbols without a code.
quint16 keyCode(xcb_keysym_t keysym);
} // namespace MacKeyCodes

// Turns raw key presses and releases, which carry no modifier state, into the key events the
// double-tap rules read: modifier keys become modifier changes with the state after the change,
// other keys key-downs (releases of other keys are not reported). It keeps the modifier state
// itself from the keys it sees held.
class MacKeyTranslator {
public:
    void setCapsLock(bool on) { m_capsLock = on; }
    std::optional<KeyEvent> translate(xcb_keysym_t keysym, xcb_keycode_t keycode, bool press);

private:
    quint64 flags() const;

    QSet<xcb_keycode_t> m_down; // keys held, to tell auto-repeats
    QList<std::pair<xcb_keycode_t, quint64>> m_heldModifiers;
    bool m_capsLock = false;
};
