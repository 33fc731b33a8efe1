#pragma once

#include <QString>
#include <optional>

// AppleScript, run on behalf of this process.
class AppleScript {
public:
    struct Outcome {
        bool created = false;         // false when the script object could not be made at all
        std::optional<QString> error; // the error's description when execution failed
    };
    virtual ~AppleScript() = default;
    virtual Outcome run(const QString& source) = 0;
};

// Desktops without AppleScript: no script object can be created.
class NoAppleScript final : public AppleScript {
public:
    Outcome run(const QString&) override { return {}; }
};
