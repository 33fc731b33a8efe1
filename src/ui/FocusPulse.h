#pragma once

#include "core/windows/FocusMatcher.h"

#include <QEasingCurve>
#include <QGraphicsEffect>
#include <QImage>
#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <functional>
#include <optional>

class AppState;
class QVariantAnimation;

// How the panel shows where the user came from when it opens: the item that stands for the window
// focused before plays a pulse (rings converging onto its outline while it fills with a light tint),
// and for a moment every other item is dimmed.
//
// Panel views attach one FocusFollower to each item and forget about it:
//
//     FocusFollower::attach(cell, state, FocusTarget::slot(n), FocusFollower::slotCell);
//     FocusFollower::attach(row, state, FocusTarget::window(w.id), FocusFollower::windowRow);
//     FocusFollower::attach(bar, state, std::nullopt);   // dims only
//
// The follower reads AppState (focusHighlight, focusDimActive through isFocusDimmed) and drives the
// two decorations below, which can also be used on their own: a FocusPulse driven by a token and a
// FocusDim driven by a flag. Both leave the item's clicks alone.

// Tells whether the desktop asks for reduced motion. Linux has no such preference: off, unless a
// test or a port sets it.
namespace FocusMotion {
// The decorations are drawn anew at most this often (30 frames a second); their timing is kept,
// frames in between are left out. Each frame repaints everything under the rings.
constexpr int frameMs = 33;
bool reduced();
void setReduced(std::function<bool()> reduced);
} // namespace FocusMotion

// The pulse over one element. A new token plays it afresh; an absent token hides it at once. The
// rings are drawn by a click-through overlay above the element's window content, so rings that
// start far outside the element are not clipped by its parent.
class FocusPulse final : public QObject {
    Q_OBJECT

public:
    static constexpr int convergeMs = 500;
    static constexpr int fadeStartMs = 850;
    static constexpr int durationMs = 1050; // the fade-out ends here

    // The animated values of the pulse; spreads in points outside the element's outline.
    struct State {
        double mainSpread = 0;
        double mainOpacity = 0;
        double echoSpread = 0;
        double echoOpacity = 0;
        double fillOpacity = 0;
        bool operator==(const State&) const = default;
    };

    FocusPulse(QWidget* element, double cornerRadius, double spread);
    ~FocusPulse() override;

    void setToken(const std::optional<QUuid>& token);
    std::optional<QUuid> playing() const { return m_playing; }
    State state() const { return m_state; }
    // The state the overlay draws: the state as of the last frame.
    State shown() const { return m_shown; }
    // The running pulse, from priming to the end of the fade; step it with setCurrentTime.
    QVariantAnimation* animation() const { return m_animation; }
    QWidget* overlay() const;

    // The pulse `ms` after it started for a given spread.
    static State stateAt(double ms, double spread, bool reducedMotion);

private:
    void apply(const State& state, double atMs);
    void place();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPointer<QWidget> m_element;
    double m_cornerRadius;
    double m_spread;
    State m_state;
    State m_shown;
    std::optional<double> m_shownAt;
    std::optional<QUuid> m_playing;
    bool m_reduced = false;
    QVariantAnimation* m_animation;
    QPointer<QWidget> m_overlay;
};

// Greys an element out: full grayscale at opacity 0.38 when dimmed, full colour at opacity 1
// otherwise; changes are animated unless motion is reduced.
class FocusDim final : public QGraphicsEffect {
    Q_OBJECT

public:
    static constexpr double dimmedOpacity = 0.38;
    static constexpr int dimMs = 180;
    static constexpr int undimMs = 300;

    explicit FocusDim(QObject* parent = nullptr);
    void setDimmed(bool dimmed);
    bool dimmed() const { return m_dimmed; }
    // 0 in full colour, 1 fully dimmed; the opacity is 1 − 0.62 × amount.
    double amount() const { return m_amount; }
    double opacity() const { return 1 - (1 - dimmedOpacity) * m_amount; }
    QVariantAnimation* animation() const { return m_animation; }
    // Forgets the element's pictures until it is drawn again.
    void release();

    // The amount moves in tenths, each drawn once.
    static constexpr int steps = 10;
    // A picture's grey version, and the picture `step` tenths of the way to it.
    static QImage grayOf(const QImage& colour);
    static void mix(QImage& into, const QImage& colour, const QImage& gray, int step);
    // The opacity an element is drawn at, `step` tenths dimmed.
    static double opacityAt(int step) { return 1 - (1 - dimmedOpacity) * double(step) / steps; }
    // The curve of becoming dimmed (an ease-out) or of coming back (the converging curve).
    static QEasingCurve curve(bool dimming);

protected:
    void draw(QPainter* painter) override;
    void sourceChanged(ChangeFlags flags) override;

private:
    // The element as drawn and its grey version, made once per change of the element rather than
    // on every frame of the dimming.
    QImage m_source;
    QImage m_gray;
    // The element at the current step of the dimming.
    QImage m_mixed;
    int m_mixedStep = -1;
    bool m_dimmed = false;
    double m_amount = 0;
    int m_shownStep = 0; // the step drawn, as of the last frame
    int m_shownAt = 0;
    QVariantAnimation* m_animation;
};

// Binds one panel item to the state's focus highlight: plays the pulse when the item is among the
// highlighted targets (the highlight's token is the pulse token) and dims it while the state says so.
class FocusFollower final : public QObject {
    Q_OBJECT

public:
    struct Shape {
        double cornerRadius;
        double spread;
    };
    static constexpr Shape slotCell{12, 100};
    static constexpr Shape windowRow{8, 18};

    // Owned by the element. Without a shape the item is only dimmed.
    static FocusFollower* attach(QWidget* element, AppState& state, std::optional<FocusTarget> target,
                                 std::optional<Shape> shape = std::nullopt);

    // For items that are reused for another target.
    void setTarget(std::optional<FocusTarget> target);
    FocusPulse* pulse() const { return m_pulse; }
    FocusDim* dim() const { return m_dim; }

private:
    FocusFollower(QWidget* element, AppState& state, std::optional<FocusTarget> target,
                  std::optional<Shape> shape);
    void sync();
    bool eventFilter(QObject* watched, QEvent* event) override;

    AppState& m_state;
    std::optional<FocusTarget> m_target;
    FocusPulse* m_pulse = nullptr;
    FocusDim* m_dim;
};
