#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Turns a Visual Studio Code window title ("file — project — Visual Studio Code") into the project
// (folder or workspace) name.
namespace TitleParser {

// The application-name suffixes, in the order they are tried.
const QStringList& appNameSuffixes();
// Bracketed qualifiers that mark a remote window ("project [SSH: host]").
const QStringList& remoteQualifiers();

std::optional<QString> projectName(const QString& windowTitle);

} // namespace TitleParser
