#pragma once

#include "platform/Processes.h"

// Child processes through QProcess.
class SystemProcesses : public Processes {
public:
    std::optional<QString> runToEnd(const QString& executable, const QStringList& arguments,
                                    int timeoutMs = defaultTimeoutMs) override;
    bool startDetached(const QString& executable, const QStringList& arguments, QString* error) override;
    std::optional<int> startAndWait(const QString& executable, const QStringList& arguments,
                                    int timeoutMs = defaultTimeoutMs) override;
    void runQuietly(const QString& executable, const QStringList& arguments, const QString& workingDirectory,
                    int terminateAfterMs) override;
};
