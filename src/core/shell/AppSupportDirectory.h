#pragma once

#include <QString>

// The per-user folder that holds layout.json, the agent state files and the usage probe's working
// folder: "Panedeck" under the user's application data folder (Application Support on macOS, the XDG
// data home on Linux). A folder of the product's earlier name is copied over once.
namespace AppSupportDirectory {

inline const QString folderName = QStringLiteral("Panedeck");
inline const QString earlierFolderName = QStringLiteral("Quaypane");

// Computed on first use, once, even when first used from several threads at the same time.
QString defaultPath();

// base/Panedeck, filled from base/Quaypane when only the earlier folder exists. Creates nothing else.
QString resolve(const QString& base);

} // namespace AppSupportDirectory
