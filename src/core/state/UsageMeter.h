#pragma once

#include "core/state/Scheduling.h"
#include "core/usage/ClaudeUsage.h"
#include "core/usage/ClaudeUsageDisplay.h"

#include <optional>

class AppState;

// The plan usage meter: read from Claude Code's state file at each refresh, and brought up to date
// by running `claude` in the background while the panel is used, on the refresh schedule.
class UsageMeter {
public:
    explicit UsageMeter(AppState& state) : m_state(state) {}
    ~UsageMeter();
    UsageMeter(const UsageMeter&) = delete;
    UsageMeter& operator=(const UsageMeter&) = delete;

    void refresh();
    void panelOpened();
    void setEnabled(bool enabled);

private:
    void runRefresh();
    void scheduleNextRefresh();
    void timerFired();
    void publish(const std::optional<ClaudeUsage>& usage);

    AppState& m_state;
    ClaudeUsageRefreshSchedule m_schedule;
    std::optional<Scheduling::TimerId> m_timer;
    bool m_running = false;
};
