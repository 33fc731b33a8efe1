#include "core/state/UsageMeter.h"

#include "core/state/AppState.h"
#include "core/usage/ClaudeCLI.h"

#include <QPointer>

namespace {

std::optional<ClaudeUsage> readUsage(const QString& file)
{
    return ClaudeUsageReader::load(file);
}

} // namespace

UsageMeter::~UsageMeter()
{
    if (m_timer)
        m_state.m_scheduling.cancel(*m_timer);
}

void UsageMeter::publish(const std::optional<ClaudeUsage>& usage)
{
    if (usage != m_state.m_claudeUsage)
        m_state.publish(m_state.m_claudeUsage, usage, AppState::Field::claudeUsage);
}

void UsageMeter::refresh()
{
    if (!m_state.m_store.layout().isClaudeUsageEnabled()) {
        if (m_state.m_claudeUsage)
            m_state.publish(m_state.m_claudeUsage, std::optional<ClaudeUsage>{},
                            AppState::Field::claudeUsage);
        return;
    }
    QPointer<AppState> self(&m_state);
    const QString file = m_state.m_env.claudeStateFile;
    m_state.m_scheduling.background([self, file] {
        auto usage = readUsage(file);
        onMainThread([self, usage] {
            if (self)
                self->m_usage.publish(usage);
        });
    });
}

void UsageMeter::runRefresh()
{
    if (m_running)
        return;
    const auto executable = ClaudeCLI::find(m_state.m_env.home, m_state.m_env.isExecutable);
    if (!executable)
        return;
    m_running = true;
    QPointer<AppState> self(&m_state);
    Processes& processes = m_state.m_desktop.processes;
    const QString workingDirectory = m_state.m_env.usageWorkingDirectory;
    const QString file = m_state.m_env.claudeStateFile;
    m_state.m_scheduling.background([self, &processes, executable = *executable, workingDirectory, file] {
        ClaudeCLI::runUsage(processes, executable, workingDirectory);
        auto usage = readUsage(file);
        onMainThread([self, usage] {
            if (!self)
                return;
            self->m_usage.m_running = false;
            self->m_usage.publish(usage);
        });
    });
}

void UsageMeter::scheduleNextRefresh()
{
    if (m_timer) {
        m_state.m_scheduling.cancel(*m_timer);
        m_timer.reset();
    }
    const QDateTime now = m_state.m_scheduling.now();
    const auto next = m_schedule.nextRun(now);
    if (!next)
        return;
    m_timer = m_state.m_scheduling.after(int(std::max<qint64>(now.msecsTo(*next), 0)), &m_state,
                                         [this] { timerFired(); });
}

void UsageMeter::timerFired()
{
    m_timer.reset();
    const QDateTime now = m_state.m_scheduling.now();
    if (!m_schedule.endsAt || now > *m_schedule.endsAt)
        return;
    if (!m_state.m_store.layout().isClaudeUsageEnabled())
        return;
    runRefresh();
    scheduleNextRefresh();
}

void UsageMeter::panelOpened()
{
    if (!m_state.m_store.layout().isClaudeUsageEnabled())
        return;
    const bool due = m_schedule.panelOpened(m_state.m_scheduling.now());
    if (due) {
        runRefresh();
        scheduleNextRefresh();
    } else if (!m_timer) {
        scheduleNextRefresh();
    }
}

void UsageMeter::setEnabled(bool enabled)
{
    m_state.m_store.setClaudeUsageEnabled(enabled);
    if (enabled) {
        refresh();
        return;
    }
    if (m_timer) {
        m_state.m_scheduling.cancel(*m_timer);
        m_timer.reset();
    }
    m_schedule = ClaudeUsageRefreshSchedule{};
    publish(std::nullopt);
}
