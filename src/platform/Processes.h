#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Child processes. Executables are absolute paths and every argument is one element: nothing ever
// goes through a shell.
class Processes {
public:
    static constexpr int defaultTimeoutMs = 10000;

    virtual ~Processes() = default;
    // Runs to the end and answers its standard output decoded as UTF-8. Absent when it could not
    // start, printed invalid UTF-8, or was still running at the time-out (it is then terminated).
    // Standard error is discarded; the exit status is not examined.
    virtual std::optional<QString> runToEnd(const QString& executable, const QStringList& arguments,
                                            int timeoutMs = defaultTimeoutMs) = 0;
    // Starts without waiting; false, with the reason in `error`, when it could not start.
    virtual bool startDetached(const QString& executable, const QStringList& arguments, QString* error) = 0;
    // Starts and waits for the exit status; absent when it could not start or did not end in time.
    virtual std::optional<int> startAndWait(const QString& executable, const QStringList& arguments,
                                            int timeoutMs = defaultTimeoutMs) = 0;
    // Runs with every standard stream on the null device in the given working folder; after
    // terminateAfterMs the child's process group is asked to terminate (SIGTERM), and all of it is
    // killed if anything of it is still there 1.5 s later. Returns when it has ended or could not
    // start.
    virtual void runQuietly(const QString& executable, const QStringList& arguments,
                            const QString& workingDirectory, int terminateAfterMs) = 0;
};
