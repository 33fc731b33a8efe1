#pragma once

#include <QList>
#include <QString>
#include <optional>

// The six colour themes of the panel and of single slots, stored by raw value.
enum class PanelTheme { standard, mistBlue, lavender, sage, sand, rose };

namespace PanelThemes {
const QList<PanelTheme>& all();
QString rawValue(PanelTheme theme);
QString label(PanelTheme theme);
std::optional<PanelTheme> fromRawValue(const QString& raw);
// A stored name, older names included; anything unknown (or nothing) is the standard theme.
PanelTheme from(const std::optional<QString>& stored);
} // namespace PanelThemes
