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

    // Starts a program that outlives this call, every standard stream on the null device.
    static bool launchDetached(const QString& program, const QStringList& arguments,
                               const QString& workingDirectory, QString* error);
    void runQuietly(const QString& executable, const QStringList& arguments, const QString& workingDirectory,
                    int terminateAfterMs) override;
    // Asks every quiet run still in progress, with whatever it started, to end now (when quitting).
    static void endQuietRuns();
};
