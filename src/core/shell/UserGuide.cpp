#include "core/shell/UserGuide.h"

#include "core/Log.h"

#include <QDir>
#include <QFileInfo>

namespace UserGuide {

std::optional<QString> guideURL(const Bundle& bundle, const QString& currentDirectory)
{
    if (auto bundled = bundle.resourcePath(QStringLiteral("Panedeck-Guide"), QStringLiteral("html")))
        return bundled;
    const QString fallback = QDir(currentDirectory).filePath(QStringLiteral("docs/Panedeck-Guide.html"));
    if (QFileInfo::exists(fallback))
        return fallback;
    return std::nullopt;
}

bool open(const Bundle& bundle, Workspace& workspace)
{
    const auto guide = guideURL(bundle, QDir::currentPath());
    if (!guide) {
        Log::line(QStringLiteral("User guide not found: Panedeck-Guide.html"));
        return false;
    }
    return workspace.openPath(*guide);
}

} // namespace UserGuide
