#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSet>

// The geometry of tiling: fixed grids whose cells are numbered like the slots (three to a row
// whatever the column count), the two vertical conventions of the desktop, and whether the pointer
// follows a focused window to another display.
namespace WindowTiler {

struct Region {
    int slot = 0;
    QRectF frame;
    bool operator==(const Region&) const = default;
};

struct PointerFocusAction {
    enum class Kind { warp, none, effectInPlace };
    Kind kind = Kind::none;
    QPointF to; // for warp: the focused window's centre

    static PointerFocusAction warp(QPointF to) { return {Kind::warp, to}; }
    static PointerFocusAction none() { return {Kind::none, {}}; }
    static PointerFocusAction effectInPlace() { return {Kind::effectInPlace, {}}; }
    bool operator==(const PointerFocusAction&) const = default;
};

// The tile counts that have a grid.
inline constexpr int tileCounts[] = {2, 3, 4, 6};

// Cells of `area` in a bottom-left-origin space: top row first, left to right. Empty for a count
// without a grid.
QList<Region> regions(int tileCount, const QRectF& area);
QList<int> slots(int tileCount);
// Only the occupied slots; in two-row grids a top cell with nothing below takes the whole column.
QList<Region> occupiedRegions(int tileCount, const QRectF& area, const QSet<int>& occupiedSlots);

QRectF topLeftOriginFrame(const QRectF& bottomLeftFrame, double primaryScreenHeight);
QPointF appKitPoint(const QPointF& topLeftPoint, double primaryScreenHeight);

// Minimum edges inside, maximum edges outside.
bool contains(const QRectF& rect, const QPointF& point);
// Whether the pointer, in the bottom-left space, is on this screen: the pointer stands for the pixel
// below and right of it, so the top edge belongs to the screen and the bottom edge does not. A pointer
// on the top row of a lower screen is on that screen, not on the one above.
bool containsPointer(const QRectF& screen, const QPointF& pointer);

PointerFocusAction pointerFocusAction(const QPointF& windowCenter, const QPointF& mouseLocation,
                                      const QList<QRectF>& screens);

} // namespace WindowTiler
