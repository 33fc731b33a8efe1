#include "ui/ShortcutBarLayout.h"

#include <algorithm>

namespace ShortcutBarLayout {

double buttonWidth(std::optional<double> labelWidth)
{
    if (!labelWidth)
        return iconWidth + 2 * buttonHorizontalPadding;
    return std::min(*labelWidth + iconWidth + iconLabelSpacing + 2 * buttonHorizontalPadding,
                    maxLabeledWidth);
}

bool showsAppLabels(const QList<double>& folderLabelWidths, const QList<double>& appLabelWidths,
                    double spacing, double available)
{
    if (appLabelWidths.isEmpty())
        return true;
    double total = 0;
    for (const QList<double>* widths : {&folderLabelWidths, &appLabelWidths}) {
        for (const double w : *widths)
            total += buttonWidth(w);
    }
    total += spacing * double(folderLabelWidths.size() + appLabelWidths.size() - 1);
    return total <= available;
}

double drawnWidth(double labelWidth)
{
    return std::min(iconWidth + iconLabelSpacing + labelWidth, maxLabeledWidth) + 2 * buttonHorizontalPadding;
}

std::optional<double> labeledCap(QList<double> labeledWidths, double otherWidths, qsizetype buttonCount,
                                 double spacing, double available)
{
    std::sort(labeledWidths.begin(), labeledWidths.end());
    double left = available - otherWidths - spacing * double(std::max<qsizetype>(buttonCount - 1, 0));
    for (qsizetype i = 0; i < labeledWidths.size(); ++i) {
        const double share = left / double(labeledWidths.size() - i);
        if (labeledWidths[i] > share)
            return share >= minLabeledWidth ? std::optional<double>(share) : std::nullopt;
        left -= labeledWidths[i];
    }
    return labeledWidths.isEmpty() ? maxLabeledWidth : labeledWidths.last();
}

} // namespace ShortcutBarLayout
