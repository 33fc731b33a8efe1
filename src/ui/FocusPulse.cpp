#include "ui/FocusPulse.h"

#include "core/state/AppState.h"
#include "ui/LauncherDesign.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QVarLengthArray>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>
#include <numbers>

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

// The rings' widths, the radius of the main rings' shadow and how far beyond their edges the shadow
// is drawn: three standard deviations of its blur, where what is left rounds to nothing, so that
// it fades out on both sides instead of ending at an edge.
constexpr double echoWidth = 3;
constexpr double mainWidth = 12;
constexpr double innerWidth = 6;
constexpr double glowRadius = 14;
constexpr double shadowReach = 1.5 * glowRadius;

// Draws the pulse of its FocusPulse around the element, which sits `margin` inside it.
//
// Every ring is a rounded rectangle around the same four corner centres as the element's outline
// (a ring `spread` out has the corner radius cornerRadius + spread + width / 2), so the rings and
// their shadow are one profile across the distance from the outline. The profile is sampled once a
// frame at every pixel's distance; the sides are that row of samples repeated along them, the
// corners the samples at each pixel's distance from its corner centre. Every pixel's colour thus
// depends only on where it is, never on which part of the overlay is being drawn again.
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

    // How far into the core (the rectangle of the corner centres) the glow is drawn: as far as it
    // reaches inside the outline, at most to the middle of the core.
    static int innerDepth(int cornerRadius, QSize core)
    {
        const int wanted = std::max(0, qCeil(shadowReach + 1 - cornerRadius));
        return std::min(wanted, std::min(core.width(), core.height()) / 2);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const FocusPulse::State s = m_pulse.shown();
        QPainter p(this);
        const QRect element = rect().adjusted(margin(), margin(), -margin(), -margin());
        if (s.fillOpacity > 0) {
            QColor tint = LauncherDesign::primary;
            tint.setAlphaF(static_cast<float>(0.14 * s.fillOpacity));
            QPainterPath fill;
            fill.addRoundedRect(QRectF(element), m_cornerRadius, m_cornerRadius);
            p.setRenderHint(QPainter::Antialiasing);
            p.fillPath(fill, tint);
            p.setRenderHint(QPainter::Antialiasing, false);
        }
        if (s.echoOpacity <= 0 && s.mainOpacity <= 0)
            return;
        const int r = qFloor(m_cornerRadius);
        const QRect core = element.adjusted(r, r, -r, -r);
        const int depth = innerDepth(r, core.size());
        const int reach = std::min(qCeil(std::max(s.echoSpread + echoWidth, s.mainSpread + mainWidth + shadowReach)),
                                   margin());
        const int out = r + reach;
        // Sample k is the colour of the pixel k + 1 pixels out from `depth` inside the core's edge.
        const int count = depth + out;
        QImage across(count, 1, QImage::Format_ARGB32_Premultiplied);
        auto* samples = reinterpret_cast<QRgb*>(across.scanLine(0));
        for (int k = 0; k < count; ++k)
            samples[k] = colourAt(s, k + 0.5 - depth - r);
        samples[0] = samples[count - 1] = 0; // faded out at both ends, not cut off

        const int l = core.left(), t = core.top(), rt = core.right() + 1, b = core.bottom() + 1, d = depth;
        const auto side = [&](const QImage& strip, QPoint origin, const QPolygon& band) {
            QBrush brush(strip);
            brush.setTransform(QTransform::fromTranslate(origin.x(), origin.y()));
            p.setPen(Qt::NoPen);
            p.setBrush(brush);
            p.drawPolygon(band);
        };
        const QImage outward = across;
        const QImage inward = across.mirrored(true, false);
        QImage down(1, count, QImage::Format_ARGB32_Premultiplied);
        for (int k = 0; k < count; ++k)
            down.setPixel(0, k, samples[k]);
        const QImage up = down.mirrored(false, true);
        side(up, {0, t - out}, QPolygon({{l, t - out}, {rt, t - out}, {rt, t}, {rt - d, t + d}, {l + d, t + d}, {l, t}}));
        side(down, {0, b - d}, QPolygon({{l, b + out}, {rt, b + out}, {rt, b}, {rt - d, b - d}, {l + d, b - d}, {l, b}}));
        side(inward, {l - out, 0}, QPolygon({{l - out, t}, {l - out, b}, {l, b}, {l + d, b - d}, {l + d, t + d}, {l, t}}));
        side(outward, {rt - d, 0}, QPolygon({{rt + out, t}, {rt + out, b}, {rt, b}, {rt - d, b - d}, {rt - d, t + d}, {rt, t}}));

        // The corners: the samples at each pixel's distance from the corner centre, between samples
        // by a straight line; one quarter made, the others its mirror images.
        QImage corner(out, out, QImage::Format_ARGB32_Premultiplied);
        for (int j = 0; j < out; ++j) {
            auto* line = reinterpret_cast<QRgb*>(corner.scanLine(j));
            for (int i = 0; i < out; ++i) {
                const double at = std::hypot(i + 0.5, j + 0.5) - 0.5 + depth; // in samples
                const int k = int(at);
                const double f = at - k;
                line[i] = k + 1 >= count ? 0 : interpolate(samples[k], samples[k + 1], f);
            }
        }
        p.drawImage(rt, b, corner);
        p.drawImage(l - out, b, corner.mirrored(true, false));
        p.drawImage(rt, t - out, corner.mirrored(false, true));
        p.drawImage(l - out, t - out, corner.mirrored(true, true));
    }

private:
    static QRgb interpolate(QRgb a, QRgb b, double f)
    {
        const auto mix = [f](int x, int y) { return int(std::lround(x + (y - x) * f)); };
        return qRgba(mix(qRed(a), qRed(b)), mix(qGreen(a), qGreen(b)), mix(qBlue(a), qBlue(b)),
                     mix(qAlpha(a), qAlpha(b)));
    }

    // The colour at a distance from the outline, premultiplied: the echo ring, and above it the
    // main pair (the deep ring, the light ring over its inner half, and their shadow, a Gaussian
    // blur of the pair) at the pair's opacity. Edges are box-filtered over one pixel, so that they
    // come out antialiased.
    static QRgb colourAt(const FocusPulse::State& s, double d)
    {
        struct Premultiplied {
            double red = 0, green = 0, blue = 0, alpha = 0;
            Premultiplied over(const Premultiplied& below) const
            {
                const double rest = 1 - alpha;
                return {red + below.red * rest, green + below.green * rest, blue + below.blue * rest,
                        alpha + below.alpha * rest};
            }
        };
        const auto paint = [](const QColor& c, double alpha) {
            return Premultiplied{c.redF() * alpha, c.greenF() * alpha, c.blueF() * alpha, alpha};
        };
        const auto coverage = [d](double low, double high) {
            return std::clamp(std::min(d + 0.5, high) - std::max(d - 0.5, low), 0.0, 1.0);
        };
        constexpr double sigma = glowRadius / 2;
        const auto below = [](double x) { return 0.5 * std::erfc(-x / (sigma * std::numbers::sqrt2)); };
        const double a = s.mainSpread;
        const double b = s.mainSpread + mainWidth;
        Premultiplied c;
        if (s.echoOpacity > 0)
            c = paint(LauncherDesign::primary, s.echoOpacity * coverage(s.echoSpread, s.echoSpread + echoWidth));
        if (s.mainOpacity > 0) {
            Premultiplied pair = paint(LauncherDesign::primary, 0.9 * (below(d - a) - below(d - b)));
            pair = paint(LauncherDesign::primaryDeep, coverage(a, b)).over(pair);
            pair = paint(LauncherDesign::primary, coverage(a, a + innerWidth)).over(pair);
            pair = {pair.red * s.mainOpacity, pair.green * s.mainOpacity, pair.blue * s.mainOpacity,
                    pair.alpha * s.mainOpacity};
            c = pair.over(c);
        }
        const auto channel = [](double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
        const int alpha = channel(c.alpha);
        return qRgba(std::min(channel(c.red), alpha), std::min(channel(c.green), alpha),
                     std::min(channel(c.blue), alpha), alpha);
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
            [this](const QVariant& v) { apply(stateAt(v.toDouble(), m_spread, m_reduced), v.toDouble()); });
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
        apply(hidden, 0);
        return;
    }
    if (m_element)
        m_element->raise();
    m_reduced = FocusMotion::reduced();
    // Primed at once; the first tick of the animation comes on a later turn of the event loop.
    m_shownAt.reset();
    apply(stateAt(0, m_spread, m_reduced), 0);
    m_animation->start();
}

// Only the bands the rings leave and enter are painted again (and the element when its tint
// changes): whatever lies under the overlay is redrawn for every pixel it updates. The overlay
// shows a new state at most once a frame interval, and always the last one.
void FocusPulse::apply(const State& state, double atMs)
{
    m_state = state;
    const bool visible = state.mainOpacity > 0 || state.echoOpacity > 0 || state.fillOpacity > 0;
    if (!visible || !m_element) {
        m_shown = state;
        if (m_overlay)
            m_overlay->hide();
        return;
    }
    const bool wasShown = m_overlay && m_overlay->isVisible();
    if (wasShown &&
        (state == m_shown || (m_shownAt && atMs - *m_shownAt < FocusMotion::frameMs && atMs < durationMs)))
        return;
    const State previous = m_shown;
    m_shown = state;
    m_shownAt = atMs;
    place();
    m_overlay->show();
    m_overlay->raise();
    if (!wasShown || state.fillOpacity != previous.fillOpacity) {
        m_overlay->update();
        return;
    }
    const int margin = static_cast<PulseOverlay*>(m_overlay.data())->margin();
    const QRect element = m_overlay->rect().adjusted(margin, margin, -margin, -margin);
    const int r = qFloor(m_cornerRadius);
    const QRect core = element.adjusted(r, r, -r, -r);
    const int depth = PulseOverlay::innerDepth(r, core.size());
    // The pixels a ring of this spread and width draws, with its glow: all that lies between the
    // outline grown by its outer reach and the rounded outline grown by its inner reach. What is
    // left out is a cross inside that rounded rectangle (its corners are arcs around the corner
    // centres, so nothing nearer the corners may be left out).
    const auto band = [&](double spread, double width) {
        const int outer = qCeil(spread + width + shadowReach) + 2;
        const int inner = std::max(-(r + depth), qFloor(spread - shadowReach) - 4);
        QRegion region(element.adjusted(-outer, -outer, outer, outer));
        const int e = r + inner; // how far beyond the core the left-out part reaches
        if (e >= 0)
            region -= QRegion(core.adjusted(-e, 0, e, 0)) + QRegion(core.adjusted(0, -e, 0, e));
        else
            region -= QRegion(core.adjusted(-e, -e, e, e));
        return region;
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
        const double reach = std::max(1.6 * m_spread + echoWidth, m_spread + mainWidth) + shadowReach + 2;
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
    // The element is drawn again only when the fade reaches its next step, at most once a frame
    // interval, and at its end.
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_amount = v.toDouble();
        const int step = qRound(m_amount * steps);
        const int at = m_animation->currentTime();
        const bool last = at >= m_animation->duration();
        if (step != m_shownStep && (last || at - m_shownAt >= FocusMotion::frameMs)) {
            m_shownStep = step;
            m_shownAt = at;
            update();
        }
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
        m_shownStep = qRound(target * steps);
        update();
        return;
    }
    m_shownAt = 0;
    m_animation->setStartValue(m_amount);
    m_animation->setEndValue(target);
    m_animation->setDuration(dimmed ? dimMs : undimMs);
    m_animation->setEasingCurve(curve(dimmed));
    m_animation->start();
}

void FocusDim::sourceChanged(ChangeFlags flags)
{
    release();
    QGraphicsEffect::sourceChanged(flags);
}

void FocusDim::release()
{
    m_source = QImage();
    m_gray = QImage();
    m_mixed = QImage();
    m_mixedStep = -1;
}

// In full colour the element draws itself. Dimmed, it is drawn from its picture, taken when the
// dimming starts: the steps of the fade, and a neighbour's pulse passing over it, then cost a copy
// instead of drawing the element and its children again.
void FocusDim::draw(QPainter* painter)
{
    if (m_shownStep == 0) {
        release(); // the element may change while in full colour
        drawSource(painter);
        return;
    }
    QPoint offset;
    if (m_source.isNull())
        m_source = sourcePixmap(Qt::DeviceCoordinates, &offset)
                       .toImage()
                       .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    else
        offset = sourceBoundingRect(Qt::DeviceCoordinates).toAlignedRect().topLeft();
    // The colours move towards their grey by the amount: the grey drawn over them at that opacity.
    const int step = m_shownStep;
    const QImage* picture = &m_source;
    if (step > 0) {
        if (m_gray.isNull())
            m_gray = grayOf(m_source);
        if (step != m_mixedStep || m_mixed.isNull()) {
            mix(m_mixed, m_source, m_gray, step);
            m_mixedStep = step;
        }
        picture = &m_mixed;
    }
    painter->save();
    painter->setWorldTransform(QTransform());
    painter->setOpacity(painter->opacity() * opacityAt(step));
    painter->drawImage(offset, *picture);
    painter->restore();
}

QEasingCurve FocusDim::curve(bool dimming)
{
    return dimming ? easeOut() : converge();
}

QImage FocusDim::grayOf(const QImage& colour)
{
    QImage gray = colour;
    const int width = gray.width();
    // Panels are mostly runs of one colour: each new colour's grey is worked out once.
    QRgb last = 0;
    QRgb lastGray = 0;
    for (int y = 0; y < gray.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(gray.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb c = line[x];
            if (c != last) {
                const int level = qRound(0.2126 * qRed(c) + 0.7152 * qGreen(c) + 0.0722 * qBlue(c));
                last = c;
                lastGray = qRgba(level, level, level, qAlpha(c));
            }
            line[x] = lastGray;
        }
    }
    return gray;
}

// The colours move towards their grey by the amount: the grey drawn over them at that opacity.
void FocusDim::mix(QImage& into, const QImage& colour, const QImage& gray, int step)
{
    if (into.size() != colour.size() || into.format() != colour.format())
        into = QImage(colour.size(), colour.format());
    into.setDevicePixelRatio(colour.devicePixelRatio());
    QPainter mixer(&into);
    mixer.setCompositionMode(QPainter::CompositionMode_Source);
    mixer.drawImage(0, 0, colour);
    mixer.setCompositionMode(QPainter::CompositionMode_SourceOver);
    mixer.setOpacity(double(step) / steps);
    mixer.drawImage(0, 0, gray);
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
    element->installEventFilter(this);
    connect(&state, &AppState::changed, this, [this](AppState::Field field) {
        if (field == AppState::Field::focusHighlight || field == AppState::Field::focusDimActive)
            sync();
    });
    sync();
}

bool FocusFollower::eventFilter(QObject* watched, QEvent* event)
{
    // Nothing is kept while the panel is away, and a dimmed element the pointer enters or leaves
    // is pictured anew with its hover look.
    if (event->type() == QEvent::Hide || event->type() == QEvent::Enter || event->type() == QEvent::Leave)
        m_dim->release();
    return QObject::eventFilter(watched, event);
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
