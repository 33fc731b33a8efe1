#pragma once

#include "platform/SystemProcesses.h"

// Child processes on Linux, where the launcher's `/usr/bin/open` command lines are carried out by
// their Linux equivalents (see OpenTranslation).
class LinuxSystemProcesses final : public SystemProcesses {
public:
    bool startDetached(const QString& executable, const QStringList& arguments, QString* error) override;
    // For `open`: the equivalent is started and left running; 0 when it started (its program was
    // found and launched), as `open` answers 0 when it found the application.
    std::optional<int> startAndWait(const QString& executable, const QStringList& arguments,
                                    int timeoutMs = defaultTimeoutMs) override;
};
