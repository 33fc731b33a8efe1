#include "core/control/Launcher.h"

#include "core/Log.h"
#include "core/text/Text.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace Launcher {
namespace {

bool runOpen(Processes& processes, const QStringList& arguments)
{
    QString error;
    if (processes.startDetached(openTool, arguments, &error))
        return true;
    Log::line(QStringLiteral("Launcher open failed: ") + error);
    return false;
}

QStringList withOptional(QStringList arguments, const QString& path)
{
    if (!path.isEmpty())
        arguments.append(path);
    return arguments;
}

} // namespace

QStringList vscodeArguments(const QString& path)
{
    return withOptional({QStringLiteral("-b"), vscodeBundleID}, path);
}

QStringList terminalArguments(const QString& path)
{
    return withOptional({QStringLiteral("-a"), QStringLiteral("Terminal")}, path);
}

QStringList browserArguments(const QString& urlString, const QString& browser)
{
    const QString application =
        browser == QStringLiteral("chrome") ? QStringLiteral("Google Chrome") : QStringLiteral("Safari");
    return {QStringLiteral("-a"), application, urlString};
}

bool openInVSCode(Processes& processes, const QString& path)
{
    return runOpen(processes, vscodeArguments(path));
}

bool openInTerminal(Processes& processes, const QString& path)
{
    return runOpen(processes, terminalArguments(path));
}

bool openInSafari(Processes& processes, const QString& urlString)
{
    if (!validateURL(urlString))
        return false;
    return runOpen(processes, browserArguments(urlString, QStringLiteral("safari")));
}

bool openInBrowser(Processes& processes, const QString& urlString, const QString& browser)
{
    const auto status = processes.startAndWait(openTool, browserArguments(urlString, browser));
    return status == 0;
}

bool openApplication(Workspace& workspace, const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    if (!workspace.openApplication(path))
        Log::line(QStringLiteral("Launcher openApplication failed: cannot open ") + path);
    return true;
}

bool validateURL(const QString& urlString)
{
    const QUrl url(urlString, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    return (scheme == QStringLiteral("http") || scheme == QStringLiteral("https")) && !url.host().isEmpty();
}

QString buildServerURL(const QString& address)
{
    const QString trimmed = Text::trimmedSpaces(address);
    const QString lower = trimmed.toLower();
    if (lower.startsWith(QStringLiteral("http://")) || lower.startsWith(QStringLiteral("https://")))
        return trimmed;
    return QStringLiteral("http://") + trimmed;
}

} // namespace Launcher

namespace FinderController {

bool raiseOrOpen(Workspace& workspace, const QString& folderPath)
{
    if (folderPath.isEmpty())
        return false;
    // Relative paths are taken from the current folder, as a file address would be.
    return workspace.openPath(QDir::cleanPath(QDir::current().absoluteFilePath(folderPath)));
}

} // namespace FinderController
