#pragma once

#include "core/windows/WindowKind.h"
#include "platform/Accessibility.h"

#include <QString>
#include <QUuid>
#include <optional>

// One discovered window of any kind. Records have no equality: within one listing a window is
// known by its `id`, across listings only by the per-kind identifiers.
struct AppWindow {
    AppWindow(WindowKind kind, QString title, std::optional<QString> projectName,
              std::optional<QString> folderPath);

    QUuid id; // fresh on every record, so valid only within one listing
    WindowKind kind;
    QString title;
    std::optional<QString> projectName; // editor windows: parsed from the title
    std::optional<QString> folderPath;  // Terminal: working folder; browser: page address
    AXElement axElement;                // editor windows only
    qint32 pid = 0;
    std::optional<qint64> terminalWindowID;
    std::optional<qint64> safariWindowID;
};
