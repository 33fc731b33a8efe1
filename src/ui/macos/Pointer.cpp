#include "ui/Pointer.h"

#include <CoreGraphics/CoreGraphics.h>

// The toolkit's desktop coordinates are the displays' own (points, from the top left of the main
// display). Warping alone leaves mouse and cursor apart for a moment; they are coupled again.
void Pointer::warp(const QPoint& desktopPoint)
{
    CGWarpMouseCursorPosition(CGPoint{CGFloat(desktopPoint.x()), CGFloat(desktopPoint.y())});
    CGAssociateMouseAndMouseCursorPosition(1);
}
