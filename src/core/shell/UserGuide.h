#pragma once

#include "platform/Bundle.h"
#include "platform/Workspace.h"

#include <QString>
#include <optional>

// The HTML user guide: a bundled resource, else docs/Panedeck-Guide.html under the given folder.
namespace UserGuide {

std::optional<QString> guideURL(const Bundle& bundle, const QString& currentDirectory);
// Looks the guide up beside the current working folder and hands it to the workspace.
bool open(const Bundle& bundle, Workspace& workspace);

} // namespace UserGuide
