#include "core/triggers/DoubleTapDetector.h"

#include <algorithm>

DoubleTapDetector::DoubleTapDetector(qint64 threshold, int requiredTaps)
    : m_threshold(threshold), m_requiredTaps(std::max(requiredTaps, 2))
{
}

bool DoubleTapDetector::registerTap(qint64 at)
{
    m_count = m_lastTap && at - *m_lastTap <= m_threshold ? m_count + 1 : 1;
    m_lastTap = at;
    if (m_count < m_requiredTaps)
        return false;
    reset();
    return true;
}

void DoubleTapDetector::reset()
{
    m_lastTap.reset();
    m_count = 0;
}

DoubleTapSpaceDetector::DoubleTapSpaceDetector(qint64 threshold, qint64 typingGuard, int requiredTaps)
    : m_taps(threshold, requiredTaps), m_typingGuard(typingGuard)
{
}

bool DoubleTapSpaceDetector::registerSpaceTap(qint64 at)
{
    if (m_lastOtherKey && at - *m_lastOtherKey <= m_typingGuard) {
        m_taps.reset();
        return false;
    }
    return m_taps.registerTap(at);
}

void DoubleTapSpaceDetector::registerOtherKey(qint64 at)
{
    m_lastOtherKey = at;
    m_taps.reset();
}

namespace DoubleTapRules {

bool shift(const KeyEvent& event, DoubleTapDetector& detector, qint64 now)
{
    const quint64 modifiers = event.modifierFlags & KeyEvent::modifierMask;
    if (event.type == KeyEvent::flagsChanged) {
        const bool shiftKey = event.keyCode == KeyEvent::leftShift || event.keyCode == KeyEvent::rightShift;
        if (shiftKey && modifiers == 0)
            return false; // the release (also when a source reports it twice)
        if (shiftKey && modifiers == KeyEvent::shiftFlag)
            return detector.registerTap(now);
        detector.reset(); // Shift with another modifier or Caps Lock, or another modifier key
        return false;
    }
    if (event.type == KeyEvent::keyDown)
        detector.reset();
    return false;
}

bool space(const KeyEvent& event, DoubleTapSpaceDetector& detector, qint64 now)
{
    if (event.type != KeyEvent::keyDown || event.isARepeat)
        return false;
    if (event.keyCode == KeyEvent::space && (event.modifierFlags & KeyEvent::modifierMask) == 0)
        return detector.registerSpaceTap(now);
    detector.registerOtherKey(now);
    return false;
}

} // namespace DoubleTapRules
