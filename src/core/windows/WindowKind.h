#pragma once

#include <QString>
#include <optional>

// Which application owns a window, or which kind of project a slot holds. Stored by raw value.
enum class WindowKind { vscode, terminal, safari };

QString rawValue(WindowKind kind);
std::optional<WindowKind> windowKindFromRawValue(const QString& raw);
