#include "core/windows/WindowKind.h"

QString rawValue(WindowKind kind)
{
    switch (kind) {
    case WindowKind::vscode:
        return QStringLiteral("vscode");
    case WindowKind::terminal:
        return QStringLiteral("terminal");
    case WindowKind::safari:
        return QStringLiteral("safari");
    }
    return {};
}

std::optional<WindowKind> windowKindFromRawValue(const QString& raw)
{
    for (WindowKind kind : {WindowKind::vscode, WindowKind::terminal, WindowKind::safari}) {
        if (raw == rawValue(kind))
            return kind;
    }
    return std::nullopt;
}
