#pragma once

#include "platform/KeyEvents.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Keyboard.h"

#include <QSocketNotifier>
#include <memory>
#include <vector>

// Key events of the whole desktop from XInput2 raw events, read on a connection of its own (raw
// events keep arriving while another client, or this one, holds a keyboard grab). Raw events say
// nothing about which window gets the key: `ownsKeyboard` tells whether this application has the
// keyboard focus, and such events go to the local monitors instead of the global ones.
class X11KeyEvents final : public KeyEvents {
public:
    explicit X11KeyEvents(std::function<bool()> ownsKeyboard = {});
    ~X11KeyEvents() override;

    std::optional<Token> addGlobalMonitor(Handler handler) override;
    std::optional<Token> addLocalMonitor(Handler handler) override;
    void removeMonitor(Token token) override;

private:
    struct Monitor {
        Token token;
        bool local;
        Handler handler;
    };
    std::optional<Token> add(bool local, Handler handler);
    bool listen(bool on);
    void readEvents();
    void deliver(const KeyEvent& event);

    std::function<bool()> m_ownsKeyboard;
    std::unique_ptr<X11Connection> m_x;
    std::unique_ptr<QSocketNotifier> m_notifier;
    uint8_t m_opcode = 0;
    bool m_unavailable = false;
    X11Keyboard m_keyboard;
    MacKeyTranslator m_translator;
    std::vector<Monitor> m_monitors;
    Token m_nextToken = 1;
};
