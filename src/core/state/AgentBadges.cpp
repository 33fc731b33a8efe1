#include "core/state/AgentBadges.h"

#include "core/agents/AgentStatus.h"
#include "core/state/AppState.h"

namespace {

// A badge key: a slot, or a window of the unassigned list.
struct BadgeTarget {
    bool isSlot = true;
    int slot = 0;
    QUuid window;
    bool operator==(const BadgeTarget&) const = default;
};
size_t qHash(const BadgeTarget& t, size_t seed = 0)
{
    return t.isSlot ? qHashMulti(seed, 0, t.slot) : qHashMulti(seed, 1, t.window);
}

} // namespace

void AgentBadges::refresh()
{
    const Layout& layout = m_state.m_store.layout();
    if (!layout.isAgentStatusEnabled()) {
        if (!m_state.m_agentBadges.isEmpty())
            m_state.publish(m_state.m_agentBadges, QHash<int, AgentState>{}, AppState::Field::agentBadges);
        if (!m_state.m_recentSlots.isEmpty())
            m_state.publish(m_state.m_recentSlots, QSet<int>{}, AppState::Field::recentSlots);
        return;
    }
    const AgentStatusStore& store = m_state.m_env.agentStatusStore;
    const QList<AgentStatusEntry> entries = store.loadEntries();
    const QDateTime now = m_state.m_scheduling.now();
    const QList<ActivityRecord> activity = store.recordActivity(entries, now);

    QHash<int, QString> slotPaths;
    QHash<BadgeTarget, QString> targets;
    for (const SlotStatus& s : m_state.m_statuses) {
        if (!s.entry.path.isEmpty()) {
            slotPaths.insert(s.slot, s.entry.path);
            targets.insert({true, s.slot, {}}, s.entry.path);
        }
    }
    for (const AppWindow& w : m_state.m_unassigned) {
        if (const auto folder = m_state.folderPath(w))
            targets.insert({false, 0, w.id}, *folder);
    }
    const auto badges = AgentStatus::badges<BadgeTarget>(targets, entries, store.acknowledgements(), now);
    QHash<int, AgentState> slotBadges;
    QHash<QUuid, AgentState> windowBadges;
    for (auto it = badges.begin(); it != badges.end(); ++it) {
        if (it.key().isSlot)
            slotBadges.insert(it.key().slot, *it);
        else
            windowBadges.insert(it.key().window, *it);
    }
    m_state.publish(m_state.m_agentBadges, std::move(slotBadges), AppState::Field::agentBadges);
    m_state.publish(m_state.m_unassignedBadges, std::move(windowBadges), AppState::Field::unassignedBadges);
    m_state.publish(m_state.m_recentSlots,
                    AgentStatus::recentlyUsed<int>(slotPaths, activity, AgentStatusStore::recentWindow, now),
                    AppState::Field::recentSlots);
}

void AgentBadges::acknowledge(int slot)
{
    if (!m_state.m_store.layout().isAgentStatusEnabled())
        return;
    const auto s = m_state.status(slot);
    if (!s || s->entry.path.isEmpty())
        return;
    m_state.m_env.agentStatusStore.acknowledge(s->entry.path, m_state.m_scheduling.now());
    refresh();
}
