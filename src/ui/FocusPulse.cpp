#include "ui/FocusPulse.h"

#include "core/state/AppState.h"
#include "ui/LauncherDesign.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <algorithm>

namespace FocusMotion {
namespace {
std::function<bool()>& preference()
{
    static std::function<bool()> reduced = [] { return false; };
    return reduced;
}
} // namespace

bool reduced()
{
    return preference()();
}

void setReduced(std::function<bool()> reduced)
{
    preference() = reduced ? std::move(reduced) : [] { return false; };
}
} // namespace FocusMotion

namespace {

QEasingCurve bezier(double x1, double y1, double x2, double y2)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(x1, y1), QPointF(x2, y2), QPointF(1, 1));
    return curve;
}
const QEasingCurve& converge()
{
    static const QEasingCurve curve = bezier(0.2, 0, 0.2, 1);
    return curve;
}
const QEasingCurve& easeIn()
{
    static const QEasingCurve curve = bezier(0.42, 0, 1, 1);
    return curve;
}
const QEasingCurve& easeOut()
{
    static const QEasingCurve curve = bezier(0, 0, 0.58, 1);
    return curve;
}

double progress(double ms, double start, double duration)
{
    return std::clamp((ms - start) / duration, 0.0, 1.0);
}

// The rings' widths and how far the drawing reaches beyond a ring's centre line (the main rings'
// glow).
constexpr double echoWidth = 3;
constexpr double mainWidth = 12;
constexpr double innerWidth = 6;
constexpr double glowRadius = 14;

// Draws the pulse of its FocusPulse around the element, which sits `margin` inside it.
class PulseOverlay final : public QWidget {
public:
    PulseOverlay(const FocusPulse& pulse, double cornerRadius, double margin, QWidget* parent)
        : QWidget(parent), m_pulse(pulse), m_cornerRadius(cornerRadius), m_margin(margin)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }
    int margin() const { return qCeil(m_margin); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const FocusPulse::State s = m_pulse.state();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF element = QRectF(rect()).adjusted(margin(), margin(), -margin(), -margin());
        // The centre line of a ring of this width whose inner edge lies `spread` outside the outline,
        // concentric with it: the ring never covers the element.
        const auto ringPath = [&](double spread, double width) {
            QPainterPath path;
            const double offset = spread + width / 2;
            const double r = m_cornerRadius + offset;
            path.addRoundedRect(element.adjusted(-offset, -offset, offset, offset), r, r);
            return path;
        };
        const auto stroke = [&](const QPainterPath& path, const QColor& color, double width) {
            QPen pen(color, width);
            pen.setJoinStyle(Qt::MiterJoin);
            pen.setMiterLimit(10);
            p.strokePath(path, pen);
        };

        if (s.fillOpacity > 0) {
            QColor tint = LauncherDesign::primary;
            tint.setAlphaF(0.14f);
            QPainterPath fill;
            fill.addRoundedRect(element, m_cornerRadius, m_cornerRadius);
            p.setOpacity(s.fillOpacity);
            p.fillPath(fill, tint);
        }
        if (s.echoOpacity > 0) {
            p.setOpacity(s.echoOpacity);
            stroke(ringPath(s.echoSpread, echoWidth), LauncherDesign::primary, echoWidth);
        }
        if (s.mainOpacity > 0) {
            p.setOpacity(s.mainOpacity);
            const QPainterPath main = ringPath(s.mainSpread, mainWidth);
            constexpr int steps = 7;
            for (int i = steps; i >= 1; --i) {
                QColor glow = LauncherDesign::primary;
                glow.setAlphaF(static_cast<float>(0.9 / steps));
                stroke(main, glow, mainWidth + 2 * glowRadius * i / steps);
            }
            stroke(main, LauncherDesign::primaryDeep, mainWidth);
            stroke(ringPath(s.mainSpread, innerWidth), LauncherDesign::primary, innerWidth);
        }
    }

private:
    const FocusPulse& m_pulse;
    double m_cornerRadius;
    double m_margin;
};

} // namespace

// ----------------------------------------------------------------------------- FocusPulse

FocusPulse::FocusPulse(QWidget* element, double cornerRadius, double spread)
    : QObject(element), m_element(element), m_cornerRadius(cornerRadius), m_spread(spread),
      m_animation(new QVariantAnimation(this))
{
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(double(durationMs));
    m_animation->setDuration(durationMs);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { apply(stateAt(v.toDouble(), m_spread, m_reduced)); });
    element->installEventFilter(this);
}

FocusPulse::~FocusPulse()
{
    delete m_overlay;
}

QWidget* FocusPulse::overlay() const
{
    return m_overlay;
}

FocusPulse::State FocusPulse::stateAt(double ms, double spread, bool reducedMotion)
{
    State s;
    if (reducedMotion) {
        s.mainOpacity = 1;
        s.fillOpacity = 1;
    } else {
        const double c = converge().valueForProgress(progress(ms, 0, convergeMs));
        s.mainSpread = spread * (1 - c);
        s.mainOpacity = 0.4 + 0.6 * c;
        const double e = converge().valueForProgress(progress(ms, 80, convergeMs));
        s.echoSpread = 1.6 * spread * (1 - e);
        s.echoOpacity = 0.7 * (1 - e);
        s.fillOpacity = easeIn().valueForProgress(progress(ms, 400, 200));
    }
    const double fade = 1 - easeOut().valueForProgress(progress(ms, fadeStartMs, 200));
    s.mainOpacity *= fade;
    s.fillOpacity *= fade;
    return s;
}

void FocusPulse::setToken(const std::optional<QUuid>& token)
{
    if (token == m_playing)
        return;
    m_playing = token;
    m_animation->stop();
    if (!token) {
        State hidden = m_state;
        hidden.mainOpacity = hidden.echoOpacity = hidden.fillOpacity = 0;
        apply(hidden);
        return;
    }
    if (m_element)
        m_element->raise();
    m_reduced = FocusMotion::reduced();
    // Primed at once; the first tick of the animation comes on a later turn of the event loop.
    apply(stateAt(0, m_spread, m_reduced));
    m_animation->start();
}

// Only the bands the rings leave and enter are painted again (and the element when its tint
// changes): whatever lies under the overlay is redrawn for every pixel it updates.
void FocusPulse::apply(const State& state)
{
    const State previous = m_state;
    m_state = state;
    const bool visible = state.mainOpacity > 0 || state.echoOpacity > 0 || state.fillOpacity > 0;
    if (!visible || !m_element) {
        if (m_overlay)
            m_overlay->hide();
        return;
    }
    const bool wasShown = m_overlay && m_overlay->isVisible();
    place();
    m_overlay->show();
    m_overlay->raise();
    if (!wasShown || state.fillOpacity != previous.fillOpacity) {
        m_overlay->update();
        return;
    }
    const int margin = static_cast<PulseOverlay*>(m_overlay.data())->margin();
    const QRect element = m_overlay->rect().adjusted(margin, margin, -margin, -margin);
    const auto band = [&](double spread, double width) {
        const int outer = qCeil(spread + width + glowRadius) + 2;
        const int inner = std::max(0, qFloor(spread - glowRadius) - 2);
        return QRegion(element.adjusted(-outer, -outer, outer, outer)) -
               QRegion(element.adjusted(-inner, -inner, inner, inner)
                           .adjusted(qFloor(m_cornerRadius), qFloor(m_cornerRadius), -qFloor(m_cornerRadius),
                                     -qFloor(m_cornerRadius)));
    };
    QRegion dirty = band(previous.mainSpread, mainWidth) + band(state.mainSpread, mainWidth);
    if (previous.echoOpacity > 0 || state.echoOpacity > 0)
        dirty += band(previous.echoSpread, echoWidth) + band(state.echoSpread, echoWidth);
    m_overlay->update(dirty);
}

// Over the element, in its window, reaching as far out as the rings and their glow start.
void FocusPulse::place()
{
    QWidget* host = m_element->window();
    if (!m_overlay || m_overlay->parentWidget() != host) {
        delete m_overlay;
        const double reach = std::max(1.6 * m_spread + echoWidth, m_spread + mainWidth) + glowRadius + 2;
        m_overlay = new PulseOverlay(*this, m_cornerRadius, reach, host);
    }
    const int margin = static_cast<PulseOverlay*>(m_overlay.data())->margin();
    const QPoint origin = host == m_element ? QPoint() : m_element->mapTo(host, QPoint());
    m_overlay->setGeometry(QRect(origin, m_element->size()).adjusted(-margin, -margin, margin, margin));
}

bool FocusPulse::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_element && m_overlay && m_overlay->isVisible() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        place();
    if (watched == m_element && event->type() == QEvent::Hide && m_overlay)
        m_overlay->hide();
    return QObject::eventFilter(watched, event);
}

// ----------------------------------------------------------------------------- FocusDim

FocusDim::FocusDim(QObject* parent) : QGraphicsEffect(parent), m_animation(new QVariantAnimation(this))
{
    // The element is drawn again only when the fade reaches its next step.
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        const bool nextStep = qRound(v.toDouble() * steps) != qRound(m_amount * steps);
        m_amount = v.toDouble();
        if (nextStep)
            update();
    });
}

void FocusDim::setDimmed(bool dimmed)
{
    if (dimmed == m_dimmed)
        return;
    m_dimmed = dimmed;
    m_animation->stop();
    const double target = dimmed ? 1.0 : 0.0;
    if (FocusMotion::reduced()) {
        m_amount = target;
        update();
        return;
    }
    m_animation->setStartValue(m_amount);
    m_animation->setEndValue(target);
    m_animation->setDuration(dimmed ? dimMs : undimMs);
    m_animation->setEasingCurve(dimmed ? easeOut() : converge());
    m_animation->start();
}

void FocusDim::sourceChanged(ChangeFlags flags)
{
    m_source = QImage();
    m_gray = QImage();
    m_mixed = QImage();
    m_mixedStep = -1;
    QGraphicsEffect::sourceChanged(flags);
}

void FocusDim::draw(QPainter* painter)
{
    if (m_amount <= 0) {
        drawSource(painter);
        return;
    }
    QPoint offset;
    if (m_source.isNull()) {
        m_source = sourcePixmap(Qt::DeviceCoordinates, &offset)
                       .toImage()
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        m_gray = m_source;
        for (int y = 0; y < m_gray.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(m_gray.scanLine(y));
            for (int x = 0; x < m_gray.width(); ++x) {
                const QRgb c = line[x];
                const int gray = qRound(0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c));
                line[x] = qRgba(gray, gray, gray, qAlpha(c));
            }
        }
    } else {
        offset = sourceBoundingRect(Qt::DeviceCoordinates).toAlignedRect().topLeft();
    }
    // The colours move towards their grey by the amount: the grey drawn over them at that opacity.
    const int step = qRound(m_amount * steps);
    if (step != m_mixedStep || m_mixed.isNull()) {
        m_mixed = m_source;
        QPainter mixer(&m_mixed);
        mixer.setOpacity(double(step) / steps);
        mixer.drawImage(0, 0, m_gray);
        m_mixedStep = step;
    }
    painter->save();
    painter->setWorldTransform(QTransform());
    painter->setOpacity(painter->opacity() * (1 - (1 - dimmedOpacity) * double(step) / steps));
    painter->drawImage(offset, m_mixed);
    painter->restore();
}

// ----------------------------------------------------------------------------- FocusFollower

FocusFollower* FocusFollower::attach(QWidget* element, AppState& state, std::optional<FocusTarget> target,
                                     std::optional<Shape> shape)
{
    return new FocusFollower(element, state, target, shape);
}

FocusFollower::FocusFollower(QWidget* element, AppState& state, std::optional<FocusTarget> target,
                             std::optional<Shape> shape)
    : QObject(element), m_state(state), m_target(target), m_dim(new FocusDim(element))
{
    if (shape)
        m_pulse = new FocusPulse(element, shape->cornerRadius, shape->spread);
    element->setGraphicsEffect(m_dim);
    connect(&state, &AppState::changed, this, [this](AppState::Field field) {
        if (field == AppState::Field::focusHighlight || field == AppState::Field::focusDimActive)
            sync();
    });
    sync();
}

void FocusFollower::setTarget(std::optional<FocusTarget> target)
{
    m_target = target;
    sync();
}

void FocusFollower::sync()
{
    if (m_pulse) {
        const auto& highlight = m_state.focusHighlight();
        const bool mine = m_target && highlight && highlight->targets.contains(*m_target);
        m_pulse->setToken(mine ? std::optional(highlight->token) : std::nullopt);
    }
    m_dim->setDimmed(m_state.isFocusDimmed(m_target));
}
