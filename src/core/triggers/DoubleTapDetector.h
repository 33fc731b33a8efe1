#pragma once

#include "platform/KeyEvents.h"

#include <QtGlobal>
#include <optional>

// Runs of quick Shift or Space taps. Times are whole milliseconds on any monotonic clock (as key
// events carry them), so that a gap equal to the threshold counts as such at any clock value; the
// gap between two taps of one run may be at most the threshold (inclusive).
class DoubleTapDetector {
public:
    DoubleTapDetector(qint64 thresholdMs = 350, int requiredTaps = 2);

    // True exactly when this tap completes a run; the detector then starts afresh.
    bool registerTap(qint64 atMs);
    void reset();

    int count() const { return m_count; }
    int requiredTaps() const { return m_requiredTaps; }

private:
    qint64 m_threshold;
    int m_requiredTaps;
    std::optional<qint64> m_lastTap;
    int m_count = 0;
};

// Space taps, ignored while the user is typing: a space within the guard interval after another key
// breaks the run instead of counting.
class DoubleTapSpaceDetector {
public:
    DoubleTapSpaceDetector(qint64 thresholdMs = 350, qint64 typingGuardMs = 1000, int requiredTaps = 2);

    bool registerSpaceTap(qint64 atMs);
    void registerOtherKey(qint64 atMs);
    int count() const { return m_taps.count(); }

private:
    DoubleTapDetector m_taps;
    qint64 m_typingGuard;
    std::optional<qint64> m_lastOtherKey;
};

// How one event feeds a detector; true when it completed a run (the panel should open).
namespace DoubleTapRules {
bool shift(const KeyEvent& event, DoubleTapDetector& detector, qint64 nowMs);
bool space(const KeyEvent& event, DoubleTapSpaceDetector& detector, qint64 nowMs);
} // namespace DoubleTapRules
