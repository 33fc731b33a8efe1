#pragma once

#include "platform/Processes.h"

#include <QList>
#include <QStringList>
#include <functional>

// Records every child process asked for and answers with whatever the test scripted.
class FakeProcesses final : public Processes {
public:
    struct Call {
        QString executable;
        QStringList arguments;
    };
    QList<Call> calls;
    // Output of runToEnd for a call; absent by default (as if the command could not start).
    std::function<std::optional<QString>(const QString& executable, const QStringList& arguments)> output;
    // Working folder and time limit of every runQuietly call, in order.
    QList<QString> workingDirectories;
    QList<int> terminateAfterMs;
    bool startSucceeds = true;
    std::optional<int> exitStatus = 0;

    std::optional<QString> runToEnd(const QString& executable, const QStringList& arguments, int) override
    {
        calls.append({executable, arguments});
        return output ? output(executable, arguments) : std::nullopt;
    }
    bool startDetached(const QString& executable, const QStringList& arguments, QString* error) override
    {
        calls.append({executable, arguments});
        if (!startSucceeds && error)
            *error = QStringLiteral("no such file");
        return startSucceeds;
    }
    std::optional<int> startAndWait(const QString& executable, const QStringList& arguments, int) override
    {
        calls.append({executable, arguments});
        return exitStatus;
    }
    void runQuietly(const QString& executable, const QStringList& arguments, const QString& workingDirectory,
                    int terminateAfter) override
    {
        calls.append({executable, arguments});
        workingDirectories.append(workingDirectory);
        terminateAfterMs.append(terminateAfter);
    }
};
