#include "platform/SystemProcesses.h"

#include <QDebug>
#include <QProcess>
#include <QStringDecoder>

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

bool SystemProcesses::startDetached(const QString& executable, const QStringList& arguments, QString* error)
{
    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (process.startDetached())
        return true;
    if (error)
        *error = process.errorString();
    return false;
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
