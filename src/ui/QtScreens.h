#pragma once

#include "platform/Screens.h"

// The displays and the pointer as Qt sees them, turned into the bottom-left-origin space the
// application state works in (y up from the bottom of the primary display).
class QtScreens final : public Screens {
public:
    QList<Screen> screens() override;
    std::optional<Screen> mainScreen() override;
    QPointF pointerLocation() override;
    void warpPointer(const QPointF& displayPoint) override;

    // Conversions between Qt's top-left desktop space and the bottom-left space.
    static double primaryBottom();
    static QRectF toBottomLeft(const QRectF& topLeft);
    static QRectF toTopLeft(const QRectF& bottomLeft);
};
