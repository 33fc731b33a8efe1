#pragma once

#include "platform/Hotkeys.h"

// The hot key through the Carbon Event Manager: one registered combination, its presses delivered
// on the main thread by the application's event target.
class MacHotkeys final : public Hotkeys {
public:
    ~MacHotkeys() override;
    int installHandler(std::function<void()> pressed) override;
    void removeHandler() override;
    int registerHotKey(quint32 keyCode, quint32 modifiers) override;
    void unregisterHotKey() override;

private:
    std::function<void()> m_pressed;
    void* m_handler = nullptr; // EventHandlerRef
    void* m_hotKey = nullptr;  // EventHotKeyRef
};
