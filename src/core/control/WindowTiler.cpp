#include "core/control/WindowTiler.h"

#include <algorithm>

namespace WindowTiler {
namespace {

struct Grid {
    int rows = 0;
    int columns = 0;
};

Grid grid(int tileCount)
{
    switch (tileCount) {
    case 2:
        return {1, 2};
    case 3:
        return {1, 3};
    case 4:
        return {2, 2};
    case 6:
        return {2, 3};
    default:
        return {};
    }
}

} // namespace

QList<Region> regions(int tileCount, const QRectF& area)
{
    const Grid g = grid(tileCount);
    QList<Region> cells;
    if (g.rows == 0)
        return cells;
    const QRectF f = area.normalized();
    const double w = f.width() / g.columns;
    const double h = f.height() / g.rows;
    for (int r = 1; r <= g.rows; ++r) {
        for (int c = 0; c < g.columns; ++c)
            cells.append({1 + 3 * (r - 1) + c, QRectF(f.left() + c * w, f.bottom() - r * h, w, h)});
    }
    return cells;
}

QList<int> slots(int tileCount)
{
    QList<int> result;
    for (const Region& r : regions(tileCount, QRectF(0, 0, 1, 1)))
        result.append(r.slot);
    return result;
}

QList<Region> occupiedRegions(int tileCount, const QRectF& area, const QSet<int>& occupiedSlots)
{
    const bool twoRows = grid(tileCount).rows == 2;
    const QRectF f = area.normalized();
    QList<Region> kept;
    for (Region region : regions(tileCount, area)) {
        if (!occupiedSlots.contains(region.slot))
            continue;
        if (twoRows && region.slot <= 3 && !occupiedSlots.contains(region.slot + 3))
            region.frame = QRectF(region.frame.x(), f.top(), region.frame.width(), f.height());
        kept.append(region);
    }
    return kept;
}

QRectF topLeftOriginFrame(const QRectF& r, double primaryScreenHeight)
{
    const QRectF n = r.normalized();
    return QRectF(n.left(), primaryScreenHeight - n.bottom(), n.width(), n.height());
}

QPointF appKitPoint(const QPointF& p, double primaryScreenHeight)
{
    return QPointF(p.x(), primaryScreenHeight - p.y());
}

bool contains(const QRectF& rect, const QPointF& p)
{
    const QRectF r = rect.normalized();
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

bool containsPointer(const QRectF& screen, const QPointF& p)
{
    const QRectF r = screen.normalized();
    return p.x() >= r.left() && p.x() < r.right() && p.y() > r.top() && p.y() <= r.bottom();
}

PointerFocusAction pointerFocusAction(const QPointF& windowCenter, const QPointF& mouseLocation,
                                      const QList<QRectF>& screens)
{
    if (screens.size() < 2)
        return PointerFocusAction::none();
    const auto holds = [](const QPointF& p) { return [p](const QRectF& s) { return contains(s, p); }; };
    if (std::none_of(screens.begin(), screens.end(), holds(windowCenter)))
        return PointerFocusAction::none();
    const auto pointerScreen = std::find_if(screens.begin(), screens.end(), holds(mouseLocation));
    if (pointerScreen != screens.end() && contains(*pointerScreen, windowCenter))
        return PointerFocusAction::effectInPlace();
    return PointerFocusAction::warp(windowCenter);
}

} // namespace WindowTiler
