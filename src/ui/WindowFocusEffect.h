#pragma once

#include "platform/Screens.h"

#include <QEasingCurve>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>

class QSequentialAnimationGroup;

// The rings that converge onto the centre of a window the user just jumped to, in a transparent,
// click-through overlay above every window; then the overlay fades away. With reduced motion the
// rings and the dot stand still for a moment instead. One overlay at a time: a new play removes the
// one on screen at once.
class WindowFocusEffect final : public QObject, public FocusEffect {
    Q_OBJECT

public:
    static constexpr int overlaySize = 880;
    static constexpr int motionMs = 520; // the dot's pop, the longest of the ring animations
    static constexpr int stillMs = 400;  // the still marker with reduced motion
    static constexpr int holdMs = 120;   // before the fade
    static constexpr int fadeMs = 200;

    // The four layers at one moment; diameters in points, the dot as a scale of its 18 points.
    struct Frame {
        double echoDiameter = 56;
        double echoOpacity = 0;
        double mainDiameter = 56; // the main and the inner ring move together
        double dotScale = 1;
        bool operator==(const Frame&) const = default;
    };

    explicit WindowFocusEffect(QObject* parent = nullptr);
    ~WindowFocusEffect() override;

    void play(const QPointF& bottomLeftPoint) override;

    // The desktop has no reduced-motion preference to read here; tests and ports can give one.
    void setReducedMotion(std::function<bool()> reduced) { m_reducedMotion = std::move(reduced); }
    // Whether translucent windows can be shown; without, the overlay is shaped to the rings.
    void setCompositing(std::function<bool()> compositing) { m_compositing = std::move(compositing); }

    // The overlay on screen, if any, and the whole of its effect from the rings to the end of the fade.
    QWidget* window() const { return m_window; }
    QSequentialAnimationGroup* timeline() const;

    // Cubic Bézier (0.2, 0), (0.2, 1): fast start, long soft landing.
    static QEasingCurve ease();
    // The overlay's frame in Qt's desktop space for a point in the bottom-left space of this primary
    // screen (given in Qt's desktop space).
    static QRect overlayGeometry(const QPointF& bottomLeftPoint, const QRect& primaryScreen);
    static Frame frameAt(double ms, bool reducedMotion);

private:
    QPointer<QWidget> m_window;
    std::function<bool()> m_reducedMotion = [] { return false; };
    std::function<bool()> m_compositing;
};
