#include "platform/SystemProcesses.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <mutex>
#include <sys/types.h>
#include <thread>
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

// How long a process group asked to end (SIGTERM) has before whatever is left of it is killed
// (SIGKILL): enough for a program to tidy up, short enough that quitting is not held up for long.
constexpr int graceMs = 1500;
constexpr int pollMs = 20;

// Process groups of the quiet runs in progress, so that quitting can end them. Once quitting has
// begun, no new run starts.
std::mutex runningMutex;
QSet<qint64> runningGroups;
bool quitStarted = false;

struct RunningGroup {
    qint64 group;
    bool late = false; // quitting had begun when it started
    explicit RunningGroup(qint64 g) : group(g)
    {
        const std::lock_guard lock(runningMutex);
        runningGroups.insert(group);
        late = quitStarted;
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

// A group lives as long as any of its members, its leader gone or not (until it is reaped).
bool groupExists(qint64 group)
{
    return ::kill(-pid_t(group), 0) == 0;
}

// Asks the group of a quiet run to end and kills what is left of it after the grace period. The
// leader is reaped as soon as it ends, so that a group without other members is seen to be gone.
void endGroup(QProcess& process, qint64 group, const QString& executable)
{
    signalGroup(group, SIGTERM);
    QElapsedTimer waited;
    waited.start();
    while (!waited.hasExpired(graceMs)) {
        if (process.state() == QProcess::NotRunning || !process.waitForFinished(pollMs))
            std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
        if (!groupExists(group))
            return;
    }
    // Ignored the request, the program or what it started: nothing of it may outlive the run.
    qInfo().noquote()
        << QStringLiteral("Processes: %1 ignored the terminate request; killed").arg(executable);
    signalGroup(group, SIGKILL);
    process.waitForFinished(1000);
}

} // namespace

// The child leads a process group of its own: a program that is a wrapper script ends together with
// whatever it started.
void SystemProcesses::runQuietly(const QString& executable, const QStringList& arguments,
                                 const QString& workingDirectory, int terminateAfterMs)
{
    {
        const std::lock_guard lock(runningMutex);
        if (quitStarted)
            return;
    }
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
    // Started as quitting began, too late to be seen by it: it ends at once.
    if (running.late) {
        endGroup(process, running.group, executable);
        return;
    }
    // Ended by itself, or when quitting, which sees to the rest of its group.
    if (process.waitForFinished(std::max(terminateAfterMs, 0))) // -1 would wait without end
        return;
    endGroup(process, running.group, executable);
}

// Blocks for the grace period at most: the runs' own threads return as their programs end.
void SystemProcesses::endQuietRuns()
{
    QList<qint64> groups;
    {
        const std::lock_guard lock(runningMutex);
        quitStarted = true;
        groups = runningGroups.values();
    }
    for (const qint64 group : std::as_const(groups))
        signalGroup(group, SIGTERM);
    QElapsedTimer waited;
    waited.start();
    while (!groups.isEmpty() && !waited.hasExpired(graceMs)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
        groups.removeIf([](qint64 group) { return !groupExists(group); });
    }
    for (const qint64 group : std::as_const(groups)) {
        qInfo().noquote()
            << QStringLiteral("Processes: process group %1 ignored the terminate request; killed").arg(group);
        signalGroup(group, SIGKILL);
    }
}
