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
    // The program leads a process group of its own. At the time-out the whole group is asked to
    // terminate, and whatever is left of it 1.5 s later is killed, the program itself gone or not.
    void runQuietly(const QString& executable, const QStringList& arguments, const QString& workingDirectory,
                    int terminateAfterMs) override;
    // When quitting: ends every quiet run still in progress with whatever it started, asked to
    // terminate and killed if still there after a grace period of 1.5 s, which is the longest this
    // waits. No quiet run starts afterwards.
    static void endQuietRuns();
};
