#pragma once

#include "platform/AppleScript.h"

// AppleScript run by osascript, ended when it does not answer in time.
class MacAppleScript final : public AppleScript {
public:
    Outcome run(const QString& source) override;
};
