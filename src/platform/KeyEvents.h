#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>

// One key event in the forms the double-tap rules are written in (the macOS event forms; other
// desktops translate their own events into these).
struct KeyEvent {
    static constexpr int keyDown = 10;
    static constexpr int flagsChanged = 12;
    static constexpr quint16 leftShift = 56;
    static constexpr quint16 rightShift = 60;
    static constexpr quint16 space = 49;
    static constexpr quint16 unknownKey = 0xFFFF; // a key without a virtual key code
    static constexpr quint64 modifierMask = 0xFFFF0000;
    static constexpr quint64 capsLockFlag = 0x10000;
    static constexpr quint64 shiftFlag = 0x20000;
    static constexpr quint64 controlFlag = 0x40000;
    static constexpr quint64 optionFlag = 0x80000;
    static constexpr quint64 commandFlag = 0x100000;

    int type = 0;
    quint16 keyCode = 0;
    quint64 modifierFlags = 0; // after the change, for modifier events
    bool isARepeat = false;

    bool operator==(const KeyEvent&) const = default;
};

// Observers of the keyboard: key presses and modifier changes anywhere on the desktop (global) or
// sent to this application (local). Observers cannot change or swallow events. Handlers run on the
// main thread and may add or remove monitors while they run.
class KeyEvents {
public:
    using Token = quint64;
    using Handler = std::function<void(const KeyEvent&)>;

    virtual ~KeyEvents() = default;
    // Absent when the desktop refuses to report its keys.
    virtual std::optional<Token> addGlobalMonitor(Handler handler) = 0;
    virtual std::optional<Token> addLocalMonitor(Handler handler) = 0;
    virtual void removeMonitor(Token token) = 0;
};
