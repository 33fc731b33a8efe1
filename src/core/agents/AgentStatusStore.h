#pragma once

#include "core/agents/AgentStatus.h"

#include <QString>

// The agent files in the support folder: the hook's state files in agent-state, the badge
// acknowledgements (agent-ack.json, by slot path as stored) and recent activity (activity.json, by
// normalised folder). Nothing is cached; every call reads the files afresh, and nothing fails
// loudly: unreadable input is no data.
class AgentStatusStore {
public:
    static constexpr qint64 recentWindow = 259200; // three days
    static constexpr qint64 staleAge = 86400;      // state files untouched this long are deleted

    AgentStatusStore(); // the support folder
    explicit AgentStatusStore(const QString& baseDirectory);

    QString stateDirectory() const { return m_base + QStringLiteral("/agent-state"); }
    QString acknowledgementFile() const { return m_base + QStringLiteral("/agent-ack.json"); }
    QString activityFile() const { return m_base + QStringLiteral("/activity.json"); }

    QList<AgentStatusEntry> loadEntries() const;
    // Answers the recent activity afterwards, as recentActivity(now) would.
    QList<ActivityRecord> recordActivity(const QList<AgentStatusEntry>& entries, const QDateTime& now) const;
    QList<ActivityRecord> recentActivity(const QDateTime& now) const;
    std::optional<QDateTime> acknowledgedAt(const QString& path) const;
    // The same lookup for many paths, reading the file once.
    std::function<std::optional<QDateTime>(const QString&)> acknowledgements() const;
    void acknowledge(const QString& path, const QDateTime& at) const;

private:
    QString m_base;
};
