#pragma once

#include "core/windows/AppWindow.h"

#include <QStringList>

// The folder that belongs to a window no slot claims, when one can be told.
namespace UnassignedFolder {

std::optional<QString> path(const AppWindow& window, const QStringList& openFolderPaths);

} // namespace UnassignedFolder
