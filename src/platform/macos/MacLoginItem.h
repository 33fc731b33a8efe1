#pragma once

#include "platform/LoginItem.h"

// The application itself as a login item of the system's service (macOS 13 and later).
class MacLoginItem final : public LoginItem {
public:
    Status status() override;
    bool setEnabled(bool enabled, QString* error) override;
};
