#pragma once

#include "core/layout/Layout.h"
#include "platform/Hotkeys.h"

#include <QObject>
#include <functional>

// The one system-wide key combination that toggles the panel. Registering replaces the previous
// combination; a failed registration leaves nothing installed. Presses reach the handler on the
// main thread, one event-loop turn later, and only while it is still registered.
class HotkeyManager {
public:
    explicit HotkeyManager(Hotkeys& hotkeys);
    ~HotkeyManager();
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;

    // True when the combination is active. Created and used on the main thread.
    bool registerHotkey(const HotkeyConfig& config, std::function<void()> handler);
    void unregister();
    bool isRegistered() const { return m_hotKeyRegistered; }
    // The keys typed right after a press wait until the handler's window has the keyboard.
    void releaseHeldKeys(quintptr window) { m_hotkeys.releaseHeldKeys(window); }

private:
    Hotkeys& m_hotkeys;
    bool m_hotKeyRegistered = false;
    bool m_handlerInstalled = false;
    std::function<void()> m_handler;
    QObject m_mainThread; // presses are queued to it
};
