#pragma once

#include "platform/Hotkeys.h"
#include "platform/KeyEvents.h"

#include <QList>
#include <QMap>

// Key events as the sources report them to the tap rules: a modifier change, a key pressed.
namespace TestKeys {
inline KeyEvent flags(quint16 key, quint64 modifiers)
{
    return {KeyEvent::flagsChanged, key, modifiers, false};
}
inline KeyEvent down(quint16 key, quint64 modifiers = 0, bool repeat = false)
{
    return {KeyEvent::keyDown, key, modifiers, repeat};
}
} // namespace TestKeys

// A hot-key service that records what is installed and can refuse; `press()` plays the service
// reporting a press.
class FakeHotkeys final : public Hotkeys {
public:
    int installStatus = 0;
    int registerStatus = 0;
    std::function<void()> handler;
    int handlersInstalled = 0; // currently installed
    int hotKeysRegistered = 0;
    QList<std::pair<quint32, quint32>> registrations;

    int installHandler(std::function<void()> pressed) override
    {
        if (installStatus != 0)
            return installStatus;
        handler = std::move(pressed);
        ++handlersInstalled;
        return 0;
    }
    void removeHandler() override
    {
        handler = nullptr;
        --handlersInstalled;
    }
    int registerHotKey(quint32 keyCode, quint32 modifiers) override
    {
        if (registerStatus != 0)
            return registerStatus;
        registrations.append({keyCode, modifiers});
        ++hotKeysRegistered;
        return 0;
    }
    void unregisterHotKey() override { --hotKeysRegistered; }
    void press()
    {
        if (handler)
            handler();
    }
};

// Key monitors that tests feed by hand: `send` goes to the global monitors, `sendLocal` to the
// local ones.
class FakeKeyEvents final : public KeyEvents {
public:
    bool refuseGlobal = false;
    QMap<Token, Handler> global;
    QMap<Token, Handler> local;

    std::optional<Token> addGlobalMonitor(Handler handler) override
    {
        if (refuseGlobal)
            return std::nullopt;
        global.insert(++m_next, std::move(handler));
        return m_next;
    }
    std::optional<Token> addLocalMonitor(Handler handler) override
    {
        local.insert(++m_next, std::move(handler));
        return m_next;
    }
    void removeMonitor(Token token) override
    {
        global.remove(token);
        local.remove(token);
    }
    int monitors() const { return int(global.size() + local.size()); }
    void send(const KeyEvent& event) { deliver(global, event); }
    void sendLocal(const KeyEvent& event) { deliver(local, event); }

private:
    static void deliver(const QMap<Token, Handler>& monitors, const KeyEvent& event)
    {
        for (const Handler& handler : QList<Handler>(monitors.values()))
            handler(event);
    }
    Token m_next = 0;
};
