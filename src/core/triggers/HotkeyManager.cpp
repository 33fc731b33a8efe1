#include "core/triggers/HotkeyManager.h"

#include "core/Log.h"

HotkeyManager::HotkeyManager(Hotkeys& hotkeys) : m_hotkeys(hotkeys) {}

HotkeyManager::~HotkeyManager()
{
    unregister();
}

bool HotkeyManager::registerHotkey(const HotkeyConfig& config, std::function<void()> handler)
{
    unregister();
    m_handler = std::move(handler);

    // The service may report from another thread: hop to the main thread, and look for the handler
    // only when the press is handled there, so a press after unregistering does nothing.
    const int installed = m_hotkeys.installHandler([this] {
        QMetaObject::invokeMethod(
            &m_mainThread,
            [this] {
                if (m_handler)
                    m_handler();
            },
            Qt::QueuedConnection);
    });
    if (installed != 0) {
        Log::line(QStringLiteral("HotkeyManager: InstallEventHandler failed (%1)").arg(installed));
        unregister();
        return false;
    }
    m_handlerInstalled = true;

    const int registered = m_hotkeys.registerHotKey(config.keyCode, config.carbonModifiers());
    if (registered != 0) {
        Log::line(QStringLiteral("HotkeyManager: RegisterEventHotKey failed (%1)").arg(registered));
        unregister();
        return false;
    }
    m_hotKeyRegistered = true;
    return true;
}

void HotkeyManager::unregister()
{
    if (m_hotKeyRegistered) {
        m_hotkeys.unregisterHotKey();
        m_hotKeyRegistered = false;
    }
    if (m_handlerInstalled) {
        m_hotkeys.removeHandler();
        m_handlerInstalled = false;
    }
    m_handler = nullptr;
}
