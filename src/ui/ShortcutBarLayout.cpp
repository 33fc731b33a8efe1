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

} // namespace ShortcutBarLayout
