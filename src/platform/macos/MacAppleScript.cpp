#include "platform/macos/MacAppleScript.h"

#include "platform/Processes.h"

#include <QProcess>

// A script waits for its application, which may hang or show the Automation prompt: it runs in a
// process of its own, where a time-out can end it, from whatever thread asks.
AppleScript::Outcome MacAppleScript::run(const QString& source)
{
    QProcess osascript;
    osascript.setStandardInputFile(QProcess::nullDevice());
    osascript.setStandardOutputFile(QProcess::nullDevice());
    osascript.start(QStringLiteral("/usr/bin/osascript"), {QStringLiteral("-e"), source});
    if (!osascript.waitForStarted())
        return {true, osascript.errorString()};
    if (!osascript.waitForFinished(Processes::defaultTimeoutMs)) {
        osascript.kill();
        osascript.waitForFinished();
        return {true, QStringLiteral("no answer within %1 s").arg(Processes::defaultTimeoutMs / 1000)};
    }
    if (osascript.exitStatus() == QProcess::NormalExit && osascript.exitCode() == 0)
        return {true, std::nullopt};
    const QString message = QString::fromUtf8(osascript.readAllStandardError()).trimmed();
    return {true, message.isEmpty()
                      ? QStringLiteral("osascript ended with status %1").arg(osascript.exitCode())
                      : message};
}
