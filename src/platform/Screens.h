#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <optional>

// Displays and the pointer, in the window server's bottom-left-origin space: origin at the
// bottom-left corner of the primary display, the first of the list, y growing upward.
class Screens {
public:
    struct Screen {
        QRectF frame;
        QRectF visibleFrame; // without menu bar, dock or panels
    };
    virtual ~Screens() = default;
    virtual QList<Screen> screens() = 0;
    virtual std::optional<Screen> mainScreen() = 0;
    virtual QPointF pointerLocation() = 0;
    // Moves the pointer to a point of the top-left space (origin at the primary display's top-left
    // corner, y down), the space window frames are in.
    virtual void warpPointer(const QPointF& topLeftPoint) = 0;
};

// The short on-screen cue over a window the user just jumped to.
class FocusEffect {
public:
    virtual ~FocusEffect() = default;
    virtual void play(const QPointF& bottomLeftPoint) = 0;
};
