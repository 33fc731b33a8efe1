#pragma once

#include <algorithm>
#include <cmath>

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

// On a screen smaller than the design the panel shrinks to fit, keeping a margin: in width the
// unassigned column gives up width first, down to its minimum, then the grid column; in height the
// slot cells, down to theirs.
inline constexpr double screenMargin = 8;
inline constexpr double minUnassignedColumnWidth = 220;
inline constexpr double minCellHeight = 112;
struct Widths {
    double panel = panelWidth;
    double unassigned = unassignedColumnWidth;
    double grid = gridColumnWidth;
    double cellHeight = PanelLayout::cellHeight;
    bool operator==(const Widths&) const = default;
};
inline Widths widths(double visibleWidth)
{
    Widths w;
    w.panel = std::min(panelWidth, std::floor(visibleWidth - 2 * screenMargin));
    const double deficit = panelWidth - w.panel;
    w.unassigned = std::max(unassignedColumnWidth - deficit, minUnassignedColumnWidth);
    w.grid = w.panel - 2 * panelPadding - columnSpacing - w.unassigned;
    return w;
}
} // namespace PanelLayout
