#include "core/windows/AppWindow.h"

AppWindow::AppWindow(WindowKind kind, QString title, std::optional<QString> projectName,
                     std::optional<QString> folderPath)
    : id(QUuid::createUuid()), kind(kind), title(std::move(title)), projectName(std::move(projectName)),
      folderPath(std::move(folderPath))
{
}
