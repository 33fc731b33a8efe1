#pragma once

#include "platform/LoginItem.h"

// An XDG autostart entry, $XDG_CONFIG_HOME/autostart/panedeck.desktop, whose Exec is `program`.
class XdgAutostart final : public LoginItem {
public:
    explicit XdgAutostart(QString program);
    static QString entryPath();
    Status status() override;
    bool setEnabled(bool enabled, QString* error) override;

private:
    QString m_program;
};
