#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The editor's own record of its open folders (storage.json), read only.
namespace WorkspaceHistory {

QString defaultStorageURL();

// Local folder paths of the open windows, then of the last active one: first-seen order, no
// duplicates, percent-escapes decoded, no trailing "/". Remote folders are skipped. Never fails.
QStringList openFolderPaths(const QByteArray& storageJSON);

// The one path whose last component is `projectName`; absent when none or several are.
std::optional<QString> resolvePath(const QString& projectName, const QStringList& paths);

} // namespace WorkspaceHistory
