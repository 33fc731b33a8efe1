#include "platform/SystemProcesses.h"

#include <QDebug>
#include <QProcess>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <csignal>
#include <mutex>
#include <sys/types.h>
#include <unistd.h>

namespace {

bool startWaiting(QProcess& process, const QString& executable, const QStringList& arguments)
{
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    return process.waitForStarted();
}

// A child that hangs (a modal dialog, an unanswered prompt) must not hold its caller forever.
bool finishedInTime(QProcess& process, const QString& executable, int timeoutMs)
{
    if (process.waitForFinished(timeoutMs))
        return true;
    qInfo().noquote() << QStringLiteral("Processes: %1 did not finish within %2 ms; terminated")
                             .arg(executable)
                             .arg(timeoutMs);
    process.kill();
    process.waitForFinished(1000);
    return false;
}

} // namespace

std::optional<QString> SystemProcesses::runToEnd(const QString& executable, const QStringList& arguments,
                                                 int timeoutMs)
{
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!startWaiting(process, executable, arguments))
        return std::nullopt;
    // QProcess keeps reading while it waits, so a large output never blocks the child.
    if (!finishedInTime(process, executable, timeoutMs))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString output = decoder.decode(process.readAllStandardOutput());
    if (decoder.hasError())
        return std::nullopt;
    return output;
}

bool SystemProcesses::launchDetached(const QString& program, const QStringList& arguments,
                                     const QString& workingDirectory, QString* error)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (process.startDetached())
        return true;
    if (error)
        *error = process.errorString();
    return false;
}

bool SystemProcesses::startDetached(const QString& executable, const QStringList& arguments, QString* error)
{
    return launchDetached(executable, arguments, QString(), error);
}

std::optional<int> SystemProcesses::startAndWait(const QString& executable, const QStringList& arguments,
                                                 int timeoutMs)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!startWaiting(process, executable, arguments) || !finishedInTime(process, executable, timeoutMs))
        return std::nullopt;
    if (process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return process.exitCode();
}

namespace {

// Process groups of the quiet runs in progress, so that quitting can end them.
std::mutex runningMutex;
QSet<qint64> runningGroups;

struct RunningGroup {
    qint64 group;
    explicit RunningGroup(qint64 g) : group(g)
    {
        const std::lock_guard lock(runningMutex);
        runningGroups.insert(group);
    }
    ~RunningGroup()
    {
        const std::lock_guard lock(runningMutex);
        runningGroups.remove(group);
    }
};

void signalGroup(qint64 group, int signal)
{
    ::kill(-pid_t(group), signal);
}

} // namespace

// The child leads a process group of its own: a program that is a wrapper script ends together with
// whatever it started.
void SystemProcesses::runQuietly(const QString& executable, const QStringList& arguments,
                                 const QString& workingDirectory, int terminateAfterMs)
{
    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setChildProcessModifier([] { ::setpgid(0, 0); });
    process.start();
    if (!process.waitForStarted())
        return;
    const RunningGroup running(process.processId());
    if (process.waitForFinished(std::max(terminateAfterMs, 0))) // -1 would wait without end
        return;
    signalGroup(running.group, SIGTERM);
    if (process.waitForFinished(5000))
        return;
    // Ignored the request: a child that never ends must not hold its caller forever.
    qInfo().noquote()
        << QStringLiteral("Processes: %1 ignored the terminate request; killed").arg(executable);
    signalGroup(running.group, SIGKILL);
    process.waitForFinished(1000);
}

void SystemProcesses::endQuietRuns()
{
    const std::lock_guard lock(runningMutex);
    for (const qint64 group : std::as_const(runningGroups))
        signalGroup(group, SIGTERM);
}
