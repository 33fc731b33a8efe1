#pragma once

#include "platform/Screens.h"

// The displays and the pointer as Qt sees them (its desktop space is the X11 root window's, whose
// origin need not be the primary display's corner), turned into the bottom-left-origin space the
// application state works in: origin at the bottom-left corner of the primary display, y up.
class QtScreens final : public Screens {
public:
    QList<Screen> screens() override;
    std::optional<Screen> mainScreen() override;
    QPointF pointerLocation() override;
    void warpPointer(const QPointF& topLeftPoint) override;

    // Between Qt's desktop space and the bottom-left space, for the given primary display (in Qt's
    // desktop space; the current one by default).
    static QRectF toBottomLeft(const QRectF& desktop, const QRect& primary = primaryGeometry());
    static QRectF toDesktop(const QRectF& bottomLeft, const QRect& primary = primaryGeometry());
    static QPointF toDesktop(const QPointF& bottomLeft, const QRect& primary = primaryGeometry());

private:
    static QRect primaryGeometry();
};
