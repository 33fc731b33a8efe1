#include "core/triggers/DoubleTapKeyMonitor.h"

#include <chrono>

qint64 DoubleTapKeyMonitor::monotonicMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

DoubleTapKeyMonitor::DoubleTapKeyMonitor(KeyEvents& events, std::function<qint64()> clock)
    : m_events(events), m_clock(std::move(clock))
{
}

DoubleTapKeyMonitor::~DoubleTapKeyMonitor()
{
    stop();
}

void DoubleTapKeyMonitor::start(DoubleTapKey mode, int tapCount, std::function<void()> handler)
{
    stop();
    if (mode == DoubleTapKey::none)
        return;
    m_mode = mode;
    m_tapCount = tapCount;
    m_handler = std::move(handler);
    m_shiftDetector = DoubleTapDetector(tapGapMs, tapCount);
    m_spaceDetector = DoubleTapSpaceDetector(tapGapMs, typingGuardMs, tapCount);

    // The monitors are removed before this object goes away, so they may hold it directly.
    m_globalMonitor = m_events.addGlobalMonitor([this](const KeyEvent& event) { dispatch(event); });
    m_localMonitor = m_events.addLocalMonitor([this](const KeyEvent& event) { dispatch(event); });
}

void DoubleTapKeyMonitor::stop()
{
    if (m_globalMonitor)
        m_events.removeMonitor(*std::exchange(m_globalMonitor, std::nullopt));
    if (m_localMonitor)
        m_events.removeMonitor(*std::exchange(m_localMonitor, std::nullopt));
    m_handler = nullptr;
    m_mode = DoubleTapKey::none;
}

void DoubleTapKeyMonitor::dispatch(const KeyEvent& event)
{
    bool completed = false;
    switch (m_mode) {
    case DoubleTapKey::shift:
        completed = DoubleTapRules::shift(event, m_shiftDetector, m_clock());
        break;
    case DoubleTapKey::space:
        completed = DoubleTapRules::space(event, m_spaceDetector, m_clock());
        break;
    case DoubleTapKey::none:
        return;
    }
    // The handler may restart this monitor; nothing here is touched after it.
    if (completed && m_handler) {
        const auto handler = m_handler;
        handler();
    }
}
