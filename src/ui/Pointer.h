#pragma once

#include <QPoint>

namespace Pointer {
// Moves the pointer to a point of the desktop, in the toolkit's coordinates, without a mouse event:
// the pointer is where it was put, and the next movement of the mouse goes on from there.
void warp(const QPoint& desktopPoint);
} // namespace Pointer
