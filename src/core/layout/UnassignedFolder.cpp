#include "core/layout/UnassignedFolder.h"

#include "core/windows/WorkspaceHistory.h"

namespace UnassignedFolder {

std::optional<QString> path(const AppWindow& window, const QStringList& openFolderPaths)
{
    switch (window.kind) {
    case WindowKind::vscode:
        if (!window.projectName)
            return std::nullopt;
        return WorkspaceHistory::resolvePath(*window.projectName, openFolderPaths);
    case WindowKind::terminal: {
        const QString folder = window.folderPath.value_or(QString()).trimmed();
        if (folder.isEmpty())
            return std::nullopt;
        return folder;
    }
    case WindowKind::safari:
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace UnassignedFolder
