#pragma once

#include "platform/KeyEvents.h"

#include <QHash>

// The keyboard monitors of AppKit (NSEvent): key presses and modifier changes anywhere (global,
// which needs the accessibility permission) or sent to this application (local). The events come
// in the forms the product's rules are written in, unchanged.
class MacKeyEvents final : public KeyEvents {
public:
    ~MacKeyEvents() override;
    std::optional<Token> addGlobalMonitor(Handler handler) override;
    std::optional<Token> addLocalMonitor(Handler handler) override;
    void removeMonitor(Token token) override;

private:
    std::optional<Token> add(Handler handler, bool global);
    Token m_next = 1;
    QHash<Token, void*> m_monitors; // the monitor objects AppKit handed out, kept alive here
};
