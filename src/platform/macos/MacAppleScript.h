#pragma once

#include "platform/AppleScript.h"

// AppleScript run in this process through NSAppleScript.
class MacAppleScript final : public AppleScript {
public:
    Outcome run(const QString& source) override;
};
