#pragma once

#include <QList>
#include <optional>

// Whether the shortcut buttons can show their names or must shrink to icons.
namespace ShortcutBarLayout {

inline constexpr double buttonHorizontalPadding = 12;
inline constexpr double iconWidth = 16;
inline constexpr double iconLabelSpacing = 6;
inline constexpr double maxLabeledWidth = 170;

// An icon-only button without a label; a labelled one at most maxLabeledWidth wide.
double buttonWidth(std::optional<double> labelWidth);

// Folder and application buttons share a row; the application buttons keep their names only when
// every button of the row fits with its name.
bool showsAppLabels(const QList<double>& folderLabelWidths, const QList<double>& appLabelWidths,
                    double spacing, double available);

// A row must stay inside its card. The width a labelled button is drawn at (its icon and name at
// most maxLabeledWidth, then its padding), and the widest the labelled buttons of a row may be so
// that the row fits: the narrow ones keep their width, the wide ones share what is left equally.
// Absent when that leaves less than minLabeledWidth each: they then show only their icons.
inline constexpr double minLabeledWidth = 72;
double drawnWidth(double labelWidth);
std::optional<double> labeledCap(QList<double> labeledWidths, double otherWidths, qsizetype buttonCount,
                                 double spacing, double available);

} // namespace ShortcutBarLayout
