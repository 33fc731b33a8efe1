#pragma once

class AppState;

// The Claude Code agents' badges on slots and unassigned windows, and the slots used recently,
// read from the agents' status files at each match; choosing a slot acknowledges its badge.
class AgentBadges {
public:
    explicit AgentBadges(AppState& state) : m_state(state) {}

    void refresh();
    void acknowledge(int slot);

private:
    AppState& m_state;
};
