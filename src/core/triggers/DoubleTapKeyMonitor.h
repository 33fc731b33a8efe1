#pragma once

#include "core/layout/Layout.h"
#include "core/triggers/DoubleTapDetector.h"
#include "platform/KeyEvents.h"

#include <functional>
#include <optional>

// Watches the keyboard for quick runs of Shift or Space taps and calls the handler when one
// completes. Starting always passes through stopped, so there is never more than one pair of
// monitors. Used on the main thread.
class DoubleTapKeyMonitor {
public:
    static constexpr qint64 tapGapMs = 350;
    static constexpr qint64 typingGuardMs = 1000;

    // `clock` gives whole milliseconds on a monotonic clock.
    explicit DoubleTapKeyMonitor(KeyEvents& events, std::function<qint64()> clock = monotonicMilliseconds);
    ~DoubleTapKeyMonitor();
    DoubleTapKeyMonitor(const DoubleTapKeyMonitor&) = delete;
    DoubleTapKeyMonitor& operator=(const DoubleTapKeyMonitor&) = delete;

    void start(DoubleTapKey mode, int tapCount, std::function<void()> handler);
    void stop();

    DoubleTapKey mode() const { return m_mode; }
    int tapCount() const { return m_tapCount; }
    bool isListening() const { return m_globalMonitor || m_localMonitor; }

    static qint64 monotonicMilliseconds();

private:
    void dispatch(const KeyEvent& event);

    KeyEvents& m_events;
    std::function<qint64()> m_clock;
    std::optional<KeyEvents::Token> m_globalMonitor;
    std::optional<KeyEvents::Token> m_localMonitor;
    DoubleTapDetector m_shiftDetector{tapGapMs, 2};
    DoubleTapSpaceDetector m_spaceDetector{tapGapMs, typingGuardMs, 2};
    DoubleTapKey m_mode = DoubleTapKey::none;
    int m_tapCount = 2;
    std::function<void()> m_handler;
};
