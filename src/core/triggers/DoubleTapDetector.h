#pragma once

#include "platform/KeyEvents.h"

#include <QtGlobal>
#include <optional>

// Runs of quick Shift or Space taps. Timestamps are seconds on any monotonic clock; the gap between
// two taps of one run may be at most the threshold (inclusive).
class DoubleTapDetector {
public:
    DoubleTapDetector(double threshold = 0.35, int requiredTaps = 2);

    // True exactly when this tap completes a run; the detector then starts afresh.
    bool registerTap(double at);
    void reset();

    int count() const { return m_count; }
    int requiredTaps() const { return m_requiredTaps; }

private:
    double m_threshold;
    int m_requiredTaps;
    std::optional<double> m_lastTap;
    int m_count = 0;
};

// Space taps, ignored while the user is typing: a space within the guard interval after another key
// breaks the run instead of counting.
class DoubleTapSpaceDetector {
public:
    DoubleTapSpaceDetector(double threshold = 0.35, double typingGuardInterval = 1.0, int requiredTaps = 2);

    bool registerSpaceTap(double at);
    void registerOtherKey(double at);
    int count() const { return m_taps.count(); }

private:
    DoubleTapDetector m_taps;
    double m_typingGuardInterval;
    std::optional<double> m_lastOtherKey;
};

// How one event feeds a detector; true when it completed a run (the panel should open).
namespace DoubleTapRules {
bool shift(const KeyEvent& event, DoubleTapDetector& detector, double now);
bool space(const KeyEvent& event, DoubleTapSpaceDetector& detector, double now);
} // namespace DoubleTapRules
