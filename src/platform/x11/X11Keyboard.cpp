#include "platform/x11/X11Keyboard.h"

#include "platform/x11/X11Reply.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

namespace Sym {
constexpr xcb_keysym_t shiftL = 0xffe1, shiftR = 0xffe2, controlL = 0xffe3, controlR = 0xffe4;
constexpr xcb_keysym_t capsLock = 0xffe5, metaL = 0xffe7, metaR = 0xffe8, altL = 0xffe9, altR = 0xffea;
constexpr xcb_keysym_t superL = 0xffeb, superR = 0xffec, numLock = 0xff7f, level3Shift = 0xfe03;
} // namespace Sym

struct KeyPair {
    quint16 code;
    xcb_keysym_t keysym;
};

// Virtual key codes of the US layout and the unshifted symbols on those keys.
// clang-format off
constexpr KeyPair keyTable[] = {
    {0, 'a'},      {1, 's'},      {2, 'd'},      {3, 'f'},      {4, 'h'},      {5, 'g'},
    {6, 'z'},      {7, 'x'},      {8, 'c'},      {9, 'v'},      {11, 'b'},     {12, 'q'},
    {13, 'w'},     {14, 'e'},     {15, 'r'},     {16, 'y'},     {17, 't'},     {18, '1'},
    {19, '2'},     {20, '3'},     {21, '4'},     {22, '6'},     {23, '5'},     {24, '='},
    {25, '9'},     {26, '7'},     {27, '-'},     {28, '8'},     {29, '0'},     {30, ']'},
    {31, 'o'},     {32, 'u'},     {33, '['},     {34, 'i'},     {35, 'p'},     {36, 0xff0d},
    {37, 'l'},     {38, 'j'},     {39, '\''},    {40, 'k'},     {41, ';'},     {42, '\\'},
    {43, ','},     {44, '/'},     {45, 'n'},     {46, 'm'},     {47, '.'},     {48, 0xff09},
    {49, ' '},     {50, '`'},     {51, 0xff08},  {53, 0xff1b},  {54, Sym::superR},
    {55, Sym::superL}, {56, Sym::shiftL}, {57, Sym::capsLock}, {58, Sym::altL}, {59, Sym::controlL},
    {60, Sym::shiftR}, {61, Sym::altR}, {62, Sym::controlR},
    {96, 0xffc2},  {97, 0xffc3},  {98, 0xffc4},  {99, 0xffc0},  {100, 0xffc5}, {101, 0xffc6},
    {103, 0xffc8}, {109, 0xffc7}, {111, 0xffc9}, {115, 0xff50}, {116, 0xff55}, {117, 0xffff},
    {118, 0xffc1}, {119, 0xff57}, {120, 0xffbf}, {121, 0xff56}, {122, 0xffbe}, {123, 0xff51},
    {124, 0xff53}, {125, 0xff54}, {126, 0xff52},
};
// clang-format on

// The modifier flag a modifier key sets; 0 for other keys. Caps Lock is a toggle, kept apart.
quint64 modifierFlag(xcb_keysym_t keysym)
{
    switch (keysym) {
    case Sym::shiftL:
    case Sym::shiftR:
        return KeyEvent::shiftFlag;
    case Sym::controlL:
    case Sym::controlR:
        return KeyEvent::controlFlag;
    case Sym::altL:
    case Sym::altR:
    case Sym::metaL:
    case Sym::metaR:
    case Sym::level3Shift:
        return KeyEvent::optionFlag;
    case Sym::superL:
    case Sym::superR:
        return KeyEvent::commandFlag;
    default:
        return 0;
    }
}

} // namespace

namespace MacKeyCodes {

std::optional<xcb_keysym_t> keysym(quint32 keyCode)
{
    for (const KeyPair& pair : keyTable) {
        if (pair.code == keyCode)
            return pair.keysym;
    }
    return std::nullopt;
}

quint16 keyCode(xcb_keysym_t keysym)
{
    if (keysym >= 'A' && keysym <= 'Z')
        keysym += 'a' - 'A';
    switch (keysym) {
    case Sym::metaL:
        return 58;
    case Sym::metaR:
    case Sym::level3Shift:
        return 61;
    default:
        break;
    }
    for (const KeyPair& pair : keyTable) {
        if (pair.keysym == keysym)
            return pair.code;
    }
    return KeyEvent::unknownKey;
}

} // namespace MacKeyCodes

X11Keyboard X11Keyboard::load(xcb_connection_t* connection)
{
    X11Keyboard keyboard;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    keyboard.m_minKeycode = setup->min_keycode;
    const auto mappingCookie = xcb_get_keyboard_mapping(connection, setup->min_keycode,
                                                        uint8_t(setup->max_keycode - setup->min_keycode + 1));
    const auto modifiersCookie = xcb_get_modifier_mapping(connection);

    X11Reply<xcb_get_keyboard_mapping_reply_t> mapping(
        xcb_get_keyboard_mapping_reply(connection, mappingCookie, nullptr));
    if (mapping) {
        keyboard.m_perKeycode = mapping->keysyms_per_keycode;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
        keyboard.m_keysyms.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(mapping.get()));
    }

    X11Reply<xcb_get_modifier_mapping_reply_t> modifiers(
        xcb_get_modifier_mapping_reply(connection, modifiersCookie, nullptr));
    if (modifiers && mapping) {
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers.get());
        const int perModifier = modifiers->keycodes_per_modifier;
        uint16_t alt = 0, super = 0, numLock = 0;
        // Rows 3…7 are Mod1…Mod5.
        for (int row = 3; row < 8; ++row) {
            const auto bit = uint16_t(1u << row);
            for (int i = 0; i < perModifier; ++i) {
                switch (keyboard.keysym(codes[row * perModifier + i])) {
                case Sym::altL:
                case Sym::altR:
                case Sym::metaL:
                case Sym::metaR:
                    alt |= bit;
                    break;
                case Sym::superL:
                case Sym::superR:
                    super |= bit;
                    break;
                case Sym::numLock:
                    numLock |= bit;
                    break;
                default:
                    break;
                }
            }
        }
        // A keyboard without such a key keeps the usual assignment.
        if (alt)
            keyboard.m_altMask = uint16_t(alt & -alt);
        if (super)
            keyboard.m_superMask = uint16_t(super & -super);
        if (numLock)
            keyboard.m_numLockMask = uint16_t(numLock & -numLock);
    }
    return keyboard;
}

xcb_keysym_t X11Keyboard::keysym(xcb_keycode_t keycode) const
{
    if (keycode < m_minKeycode || m_perKeycode == 0)
        return 0;
    const size_t index = size_t(keycode - m_minKeycode) * m_perKeycode;
    return index < m_keysyms.size() ? m_keysyms[index] : 0;
}

std::optional<xcb_keycode_t> X11Keyboard::keycode(xcb_keysym_t keysym) const
{
    if (m_perKeycode == 0)
        return std::nullopt;
    const int levels = std::min<int>(m_perKeycode, 2);
    for (int level = 0; level < levels; ++level) {
        for (size_t index = size_t(level); index < m_keysyms.size(); index += m_perKeycode) {
            if (m_keysyms[index] == keysym)
                return xcb_keycode_t(m_minKeycode + index / m_perKeycode);
        }
    }
    return std::nullopt;
}

uint16_t X11Keyboard::modifierState(quint32 carbonModifiers) const
{
    uint16_t state = 0;
    if (carbonModifiers & 0x100)
        state |= m_superMask;
    if (carbonModifiers & 0x200)
        state |= XCB_MOD_MASK_SHIFT;
    if (carbonModifiers & 0x800)
        state |= m_altMask;
    if (carbonModifiers & 0x1000)
        state |= XCB_MOD_MASK_CONTROL;
    return state;
}

std::optional<KeyEvent> MacKeyTranslator::translate(xcb_keysym_t keysym, xcb_keycode_t keycode, bool press)
{
    const quint16 code = MacKeyCodes::keyCode(keysym);
    if (keysym == Sym::capsLock) {
        // A toggle: one change per press, none on release or auto-repeat.
        const bool repeat = m_down.contains(keycode);
        press ? (void)m_down.insert(keycode) : (void)m_down.remove(keycode);
        if (!press || repeat)
            return std::nullopt;
        m_capsLock = !m_capsLock;
        return KeyEvent{KeyEvent::flagsChanged, code, flags(), false};
    }
    if (const quint64 flag = modifierFlag(keysym)) {
        const bool held =
            m_heldModifiers.removeIf([keycode](const auto& h) { return h.first == keycode; }) > 0;
        if (press) {
            m_heldModifiers.append({keycode, flag});
            if (held) // auto-repeat of a held modifier changes nothing
                return std::nullopt;
        }
        return KeyEvent{KeyEvent::flagsChanged, code, flags(), false};
    }
    if (!press) {
        m_down.remove(keycode);
        return std::nullopt;
    }
    const bool repeat = m_down.contains(keycode);
    m_down.insert(keycode);
    return KeyEvent{KeyEvent::keyDown, code, flags(), repeat};
}

quint64 MacKeyTranslator::flags() const
{
    quint64 result = m_capsLock ? KeyEvent::capsLockFlag : 0;
    for (const auto& held : m_heldModifiers)
        result |= held.second;
    return result;
}
