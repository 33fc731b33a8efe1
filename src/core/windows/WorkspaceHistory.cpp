#include "core/windows/WorkspaceHistory.h"

#include "core/System.h"
#include "core/text/Paths.h"
#include "core/text/Text.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QUrl>

namespace WorkspaceHistory {
namespace {

std::optional<QString> localPath(const QString& address)
{
    // Remote windows ("vscode-remote://…") are skipped whether or not their address parses.
    if (!address.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        return std::nullopt;
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().compare(QStringLiteral("file"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    QString path = url.path(QUrl::FullyDecoded);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace

QString defaultStorageURL()
{
    // ~/Library/Application Support on a Mac, ~/.config elsewhere.
    const auto base =
        System::macOS ? QStandardPaths::GenericDataLocation : QStandardPaths::GenericConfigLocation;
    return QDir(QStandardPaths::writableLocation(base))
        .filePath(QStringLiteral("Code/User/globalStorage/storage.json"));
}

QStringList openFolderPaths(const QByteArray& storageJSON)
{
    const QJsonDocument document = QJsonDocument::fromJson(storageJSON);
    if (!document.isObject())
        return {};
    const QJsonValue state = document.object().value(QStringLiteral("windowsState"));
    if (!state.isObject())
        return {};

    QStringList addresses;
    const QJsonValue opened = state.toObject().value(QStringLiteral("openedWindows"));
    if (opened.isArray()) {
        const QJsonArray windows = opened.toArray();
        const bool allObjects =
            std::all_of(windows.begin(), windows.end(), [](const QJsonValue& w) { return w.isObject(); });
        if (allObjects) {
            for (const QJsonValue& window : windows) {
                const QJsonValue folder = window.toObject().value(QStringLiteral("folder"));
                if (folder.isString())
                    addresses.append(folder.toString());
            }
        }
    }
    const QJsonValue last = state.toObject().value(QStringLiteral("lastActiveWindow"));
    if (last.isObject()) {
        const QJsonValue folder = last.toObject().value(QStringLiteral("folder"));
        if (folder.isString())
            addresses.append(folder.toString());
    }

    QStringList paths;
    for (const QString& address : addresses) {
        const auto path = localPath(address);
        if (!path)
            continue;
        const bool seen =
            std::any_of(paths.begin(), paths.end(), [&](const QString& p) { return Text::equal(p, *path); });
        if (!seen)
            paths.append(*path);
    }
    return paths;
}

std::optional<QString> resolvePath(const QString& projectName, const QStringList& paths)
{
    std::optional<QString> found;
    for (const QString& path : paths) {
        if (!Text::equal(Paths::lastComponent(path), projectName))
            continue;
        if (found)
            return std::nullopt; // ambiguous
        found = path;
    }
    return found;
}

} // namespace WorkspaceHistory
