#include "platform/linux/LinuxSystemProcesses.h"

#include "platform/linux/OpenTranslation.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

const QString openTool = QStringLiteral("/usr/bin/open");

bool startEquivalent(const QStringList& openArguments, QString* error)
{
    const auto command = OpenTranslation::translate(
        openArguments, [](const QString& name) { return QStandardPaths::findExecutable(name); });
    if (!command) {
        if (error)
            *error = QStringLiteral("nothing on this desktop opens ") + openArguments.join(u' ');
        return false;
    }
    return SystemProcesses::launchDetached(command->program, command->arguments, command->workingDirectory,
                                           error);
}

} // namespace

bool LinuxSystemProcesses::startDetached(const QString& executable, const QStringList& arguments,
                                         QString* error)
{
    if (executable == openTool)
        return startEquivalent(arguments, error);
    return SystemProcesses::startDetached(executable, arguments, error);
}

std::optional<int> LinuxSystemProcesses::startAndWait(const QString& executable, const QStringList& arguments,
                                                      int timeoutMs)
{
    if (executable == openTool)
        return startEquivalent(arguments, nullptr) ? std::optional<int>(0) : std::optional<int>(1);
    return SystemProcesses::startAndWait(executable, arguments, timeoutMs);
}
