#pragma once

// Fixed measures of the panel, in points.
namespace PanelLayout {
inline constexpr double panelWidth = 1344;
inline constexpr double panelPadding = 20;
inline constexpr double contentWidth = panelWidth - 2 * panelPadding; // 1304
inline constexpr double columnSpacing = 16;
inline constexpr double unassignedColumnWidth = 322;
inline constexpr double gridColumnWidth = contentWidth - unassignedColumnWidth - columnSpacing; // 966
inline constexpr double cellHeight = 136;
inline constexpr double cellSpacing = 12;
inline constexpr double groupInset = 8;
} // namespace PanelLayout
