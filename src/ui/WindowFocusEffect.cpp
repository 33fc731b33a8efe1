#include "ui/WindowFocusEffect.h"

#include "ui/AccessoryWindow.h"
#include "ui/LauncherDesign.h"
#include "ui/QtScreens.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPauseAnimation>
#include <QScreen>
#include <QSequentialAnimationGroup>
#include <QVariantAnimation>
#include <algorithm>

namespace {

constexpr double ringDiameter = 56;
constexpr double dotDiameter = 18;

double progress(double ms, double start, double duration)
{
    return std::clamp((ms - start) / duration, 0.0, 1.0);
}

// The dot's pop: invisible for three quarters of the time, then an overshoot to 1.4 and back to 1,
// linear between the key times.
double dotScale(double t)
{
    if (t <= 0.75)
        return 0;
    if (t >= 1)
        return 1;
    if (t <= 0.88)
        return 1.4 * (t - 0.75) / 0.13;
    return 1.4 - 0.4 * (t - 0.88) / 0.12;
}

// A soft shadow without offset around a stroked circle: wider, fainter strokes below it.
void strokeShadow(QPainter& p, const QRectF& circle, double width, const QColor& color, double opacity,
                  double radius)
{
    constexpr int steps = 6;
    for (int i = steps; i >= 1; --i) {
        QColor c = color;
        c.setAlphaF(static_cast<float>(opacity / steps));
        p.setPen(QPen(c, width + 2 * radius * i / steps));
        p.drawEllipse(circle);
    }
}

// The pixels the rings and the dot of a frame cover, for a desktop that cannot show a translucent
// window: the overlay is then shaped to them and nothing else of it exists on screen.
QRegion ringsRegion(const WindowFocusEffect::Frame& f, QPointF centre)
{
    const auto disc = [&](double diameter) {
        const int d = int(std::ceil(diameter));
        return QRegion(QRect(int(centre.x()) - d / 2, int(centre.y()) - d / 2, d, d), QRegion::Ellipse);
    };
    const auto ring = [&](double diameter, double width) {
        return disc(diameter + width) - disc(diameter - width);
    };
    QRegion region = ring(f.mainDiameter, 18);
    if (f.echoOpacity > 0.15)
        region += ring(f.echoDiameter, 6);
    if (f.dotScale > 0)
        region += disc((dotDiameter + 3) * f.dotScale);
    return region;
}

class FocusOverlay final : public QWidget {
public:
    FocusOverlay(bool reducedMotion, bool translucent)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                               Qt::WindowTransparentForInput | Qt::X11BypassWindowManagerHint |
                               Qt::WindowDoesNotAcceptFocus),
          m_reduced(reducedMotion), m_translucent(translucent)
    {
        setAttribute(Qt::WA_TranslucentBackground, translucent);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(WindowFocusEffect::overlaySize, WindowFocusEffect::overlaySize);
    }
    void setTime(double ms)
    {
        m_ms = ms;
        if (!m_translucent)
            setMask(ringsRegion(WindowFocusEffect::frameAt(ms, m_reduced),
                                QPointF(width() / 2.0, height() / 2.0)));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const WindowFocusEffect::Frame f = WindowFocusEffect::frameAt(m_ms, m_reduced);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!m_translucent)
            p.fillRect(rect(), LauncherDesign::primaryDeep); // shows only at the rings' soft edges
        p.setBrush(Qt::NoBrush);
        const QPointF centre(width() / 2.0, height() / 2.0);
        const auto circle = [&](double d) { return QRectF(centre.x() - d / 2, centre.y() - d / 2, d, d); };
        using LauncherDesign::primary;
        using LauncherDesign::primaryDeep;

        if (f.echoOpacity > 0) {
            p.setOpacity(f.echoOpacity);
            p.setPen(QPen(primary, 6));
            p.drawEllipse(circle(f.echoDiameter));
            p.setOpacity(1);
        }
        strokeShadow(p, circle(f.mainDiameter), 18, Qt::black, 0.35, 6);
        p.setPen(QPen(primaryDeep, 18));
        p.drawEllipse(circle(f.mainDiameter));
        p.setPen(QPen(primary, 12));
        p.drawEllipse(circle(f.mainDiameter));

        if (f.dotScale > 0) {
            p.translate(centre);
            p.scale(f.dotScale, f.dotScale);
            p.setPen(QPen(primaryDeep, 3));
            p.setBrush(primary);
            p.drawEllipse(QRectF(-dotDiameter / 2, -dotDiameter / 2, dotDiameter, dotDiameter));
        }
    }

private:
    bool m_reduced;
    bool m_translucent;
    double m_ms = 0;
};

} // namespace

WindowFocusEffect::WindowFocusEffect(QObject* parent)
    : QObject(parent), m_compositing(&AccessoryWindow::compositing)
{
}

// An overlay still on screen finishes its fade on its own and then goes.
WindowFocusEffect::~WindowFocusEffect() = default;

QEasingCurve WindowFocusEffect::ease()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.2, 0), QPointF(0.2, 1), QPointF(1, 1));
    return curve;
}

QRect WindowFocusEffect::overlayGeometry(const QPointF& bottomLeftPoint, const QRect& primaryScreen)
{
    const QPointF centre = QtScreens::toDesktop(bottomLeftPoint, primaryScreen);
    return {qRound(centre.x() - overlaySize / 2.0), qRound(centre.y() - overlaySize / 2.0), overlaySize,
            overlaySize};
}

WindowFocusEffect::Frame WindowFocusEffect::frameAt(double ms, bool reducedMotion)
{
    if (reducedMotion)
        return {};
    static const QEasingCurve curve = ease();
    // An animation that has ended leaves its layer at the static shape.
    Frame f;
    if (ms < 420)
        f.mainDiameter = 640 + (ringDiameter - 640) * curve.valueForProgress(progress(ms, 0, 420));
    // The echo shows its starting values while it waits, and goes back to its hidden static shape
    // when its 0.42 s are over.
    if (ms < 80 + 420) {
        const double q = curve.valueForProgress(progress(ms, 80, 420));
        f.echoDiameter = 820 + (ringDiameter - 820) * q;
        f.echoOpacity = 0.6 * (1 - q);
    }
    f.dotScale = dotScale(progress(ms, 0, motionMs));
    return f;
}

QSequentialAnimationGroup* WindowFocusEffect::timeline() const
{
    return m_window ? m_window->findChild<QSequentialAnimationGroup*>() : nullptr;
}

void WindowFocusEffect::play(const QPointF& bottomLeftPoint)
{
    if (m_window) {
        if (QSequentialAnimationGroup* old = timeline())
            old->stop();
        m_window->hide();
        m_window->deleteLater();
    }
    const bool reduced = m_reducedMotion();
    auto* overlay = new FocusOverlay(reduced, m_compositing());
    const QScreen* primary = QGuiApplication::primaryScreen();
    overlay->setGeometry(overlayGeometry(bottomLeftPoint, primary ? primary->geometry() : QRect()));

    auto* group = new QSequentialAnimationGroup(overlay);
    auto* rings = new QVariantAnimation(group);
    rings->setStartValue(0.0);
    rings->setEndValue(double(reduced ? stillMs : motionMs));
    rings->setDuration(reduced ? stillMs : motionMs);
    connect(rings, &QVariantAnimation::valueChanged, overlay,
            [overlay](const QVariant& v) { overlay->setTime(v.toDouble()); });
    group->addAnimation(rings);
    group->addAnimation(new QPauseAnimation(holdMs, group));
    auto* fade = new QVariantAnimation(group);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    fade->setDuration(fadeMs);
    connect(fade, &QVariantAnimation::valueChanged, overlay,
            [overlay](const QVariant& v) { AccessoryWindow::setOpacity(overlay, v.toDouble()); });
    group->addAnimation(fade);

    const QPointer<WindowFocusEffect> self(this);
    connect(group, &QAbstractAnimation::finished, overlay, [self, overlay] {
        overlay->hide();
        overlay->deleteLater();
        if (self && self->m_window == overlay)
            self->m_window = nullptr;
    });

    m_window = overlay;
    // The native window exists, shaped, before it is mapped: never a moment of the whole square.
    overlay->winId();
    overlay->setTime(0);
    AccessoryWindow::showOverlay(overlay);
    group->start();
}
