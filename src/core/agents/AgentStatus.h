#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

// What a coding-agent session is doing, as its hook last reported.
enum class AgentState { running, waiting, idle, done };

QString rawValue(AgentState state);
std::optional<AgentState> agentStateFromRawValue(const QString& raw);
// The badge text: "実行中", "入力待ち", "未読", "完了".
QString badgeLabel(AgentState state);

struct AgentStatusEntry {
    QString sessionID;
    QString cwd; // exactly as the state file has it
    AgentState state = AgentState::running;
    QDateTime updatedAt;
    bool operator==(const AgentStatusEntry&) const = default;
};

struct ActivityRecord {
    QString cwd;
    QDateTime updatedAt;
};

// Reading state files, and routing sessions to the slots and windows whose folders hold them: a
// session goes to the deepest matching folder, and a folder that contains another target's folder
// (an umbrella) only takes sessions in itself.
namespace AgentStatus {

std::optional<AgentStatusEntry> parse(const QString& text, const QString& sessionID);
// Running sessions expire after two hours without news, the others after a day.
bool isExpired(const AgentStatusEntry& entry, const QDateTime& now);

QString normalized(const QString& path);
// The session's folder is the target's folder or lies below it.
bool matches(const QString& cwd, const QString& slotPath);

// The badge of one target's sessions: waiting, else running, else idle, else done; the states
// other than running only when updated after the acknowledgement.
std::optional<AgentState> badge(const QList<AgentStatusEntry>& entries,
                                const std::optional<QDateTime>& acknowledgedAt);

std::optional<AgentState> badge(const QString& slotPath, const QList<AgentStatusEntry>& entries,
                                const std::optional<QDateTime>& acknowledgedAt, const QDateTime& now);

namespace detail {
struct Candidates {
    QList<qsizetype> order;      // indices into the target list, in its order
    QStringList normalizedPaths; // per target; empty for targets without a folder
    QSet<QString> umbrellas;
};
Candidates candidates(const QStringList& paths);
// Indices of the targets a session in `cwd` belongs to.
QList<qsizetype> route(const QString& cwd, const Candidates& candidates);
} // namespace detail

// Targets by key with their folder paths as stored; the badge of every target that has one.
template <typename Key>
QHash<Key, AgentState> badges(const QHash<Key, QString>& targets, const QList<AgentStatusEntry>& entries,
                              const std::function<std::optional<QDateTime>(const QString&)>& acknowledgedAt,
                              const QDateTime& now)
{
    const QList<Key> keys = targets.keys();
    QStringList paths;
    for (const Key& key : keys)
        paths.append(targets.value(key));
    const auto candidates = detail::candidates(paths);
    QHash<Key, AgentState> result;
    if (candidates.order.isEmpty())
        return result;
    QHash<qsizetype, QList<AgentStatusEntry>> groups;
    for (const AgentStatusEntry& entry : entries) {
        if (isExpired(entry, now))
            continue;
        for (const qsizetype index : detail::route(entry.cwd, candidates))
            groups[index].append(entry);
    }
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        if (const auto state = badge(*it, acknowledgedAt(paths[it.key()])))
            result.insert(keys[it.key()], *state);
    }
    return result;
}

// Targets whose folders saw a session update within `within` seconds of `now` (to the millisecond).
template <typename Key>
QSet<Key> recentlyUsed(const QHash<Key, QString>& targets, const QList<ActivityRecord>& activity,
                       qint64 within, const QDateTime& now)
{
    const QList<Key> keys = targets.keys();
    QStringList paths;
    for (const Key& key : keys)
        paths.append(targets.value(key));
    const auto candidates = detail::candidates(paths);
    QSet<Key> result;
    if (candidates.order.isEmpty())
        return result;
    for (const ActivityRecord& record : activity) {
        if (record.updatedAt.msecsTo(now) > within * 1000)
            continue;
        for (const qsizetype index : detail::route(record.cwd, candidates))
            result.insert(keys[index]);
    }
    return result;
}

} // namespace AgentStatus
