#include "core/agents/AgentStatus.h"

#include "core/text/IsoTime.h"
#include "core/text/Paths.h"
#include "core/text/Text.h"

#include <QFileInfo>
#include <QHash>

namespace {

bool unacknowledged(const AgentStatusEntry& entry, const std::optional<QDateTime>& acknowledgedAt)
{
    return !acknowledgedAt || entry.updatedAt > *acknowledgedAt;
}

// `path` lies strictly inside `folder` ("/a/b" inside "/a"; nothing is inside "/" this way, so a
// target at the root only takes sessions at the root itself).
bool below(const QString& path, const QString& folder)
{
    return path.size() > folder.size() + 1 && path.startsWith(folder) && path[folder.size()] == u'/';
}

// Paths compare as canonically equivalent texts (file systems and typed names differ in form).
QString key(const QString& path)
{
    return Text::canonical(AgentStatus::normalized(path));
}

} // namespace

QString rawValue(AgentState state)
{
    switch (state) {
    case AgentState::running:
        return QStringLiteral("running");
    case AgentState::waiting:
        return QStringLiteral("waiting");
    case AgentState::idle:
        return QStringLiteral("idle");
    case AgentState::done:
        return QStringLiteral("done");
    }
    return {};
}

std::optional<AgentState> agentStateFromRawValue(const QString& raw)
{
    for (AgentState s : {AgentState::running, AgentState::waiting, AgentState::idle, AgentState::done}) {
        if (raw == rawValue(s))
            return s;
    }
    return std::nullopt;
}

QString badgeLabel(AgentState state)
{
    switch (state) {
    case AgentState::running:
        return QStringLiteral("実行中");
    case AgentState::waiting:
        return QStringLiteral("入力待ち");
    case AgentState::idle:
        return QStringLiteral("未読");
    case AgentState::done:
        return QStringLiteral("完了");
    }
    return {};
}

namespace AgentStatus {

std::optional<AgentStatusEntry> parse(const QString& text, const QString& sessionID)
{
    // Lines of key=value; only three keys matter, and a later line overrides an earlier one.
    QStringView cwd, state, updatedAt;
    bool hasCwd = false, hasState = false, hasTime = false;
    for (QStringView line : QStringView(text).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QStringView key = line.left(eq);
        const QStringView value = line.mid(eq + 1);
        if (key == u"cwd") {
            cwd = value;
            hasCwd = true;
        } else if (key == u"state") {
            state = value;
            hasState = true;
        } else if (key == u"updatedAt") {
            updatedAt = value;
            hasTime = true;
        }
    }
    const auto parsedState = hasState ? agentStateFromRawValue(state.toString()) : std::nullopt;
    const auto time = hasTime ? IsoTime::parse(updatedAt.toString()) : std::nullopt;
    if (!hasCwd || cwd.isEmpty() || !parsedState || !time)
        return std::nullopt;
    return AgentStatusEntry{sessionID, cwd.toString(), *parsedState, *time};
}

bool isExpired(const AgentStatusEntry& entry, const QDateTime& now)
{
    const qint64 ageMs = entry.updatedAt.msecsTo(now);
    return ageMs > (entry.state == AgentState::running ? 7200 : 86400) * qint64(1000);
}

QString normalized(const QString& path)
{
    if (path.isEmpty())
        return path;
    QString result = Paths::normalized(path);
    // A leading /private goes when the path without it names the same place (macOS's /tmp, /var).
    if (result.startsWith(QStringLiteral("/private/"))) {
        const QString shortened = result.mid(8);
        if (QFileInfo::exists(shortened))
            result = shortened;
    }
    return result;
}

bool matches(const QString& cwd, const QString& slotPath)
{
    const QString s = key(slotPath);
    const QString c = key(cwd);
    if (s.isEmpty() || c.isEmpty())
        return false;
    return c == s || below(c, s);
}

std::optional<AgentState> badge(const QList<AgentStatusEntry>& entries,
                                const std::optional<QDateTime>& acknowledgedAt)
{
    const auto any = [&](AgentState state, bool needsUnacknowledged) {
        return std::any_of(entries.begin(), entries.end(), [&](const AgentStatusEntry& e) {
            return e.state == state && (!needsUnacknowledged || unacknowledged(e, acknowledgedAt));
        });
    };
    if (any(AgentState::waiting, true))
        return AgentState::waiting;
    if (any(AgentState::running, false))
        return AgentState::running;
    if (any(AgentState::idle, true))
        return AgentState::idle;
    if (any(AgentState::done, true))
        return AgentState::done;
    return std::nullopt;
}

std::optional<AgentState> badge(const QString& slotPath, const QList<AgentStatusEntry>& entries,
                                const std::optional<QDateTime>& acknowledgedAt, const QDateTime& now)
{
    QList<AgentStatusEntry> kept;
    for (const AgentStatusEntry& entry : entries) {
        if (!isExpired(entry, now) && matches(entry.cwd, slotPath))
            kept.append(entry);
    }
    return badge(kept, acknowledgedAt);
}

namespace detail {

Candidates candidates(const QStringList& paths)
{
    Candidates c;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        c.normalizedPaths.append(key(paths[i]));
        if (!c.normalizedPaths.last().isEmpty())
            c.order.append(i);
    }
    for (const qsizetype i : c.order) {
        const QString& folder = c.normalizedPaths[i];
        for (const qsizetype j : c.order) {
            if (below(c.normalizedPaths[j], folder)) {
                c.umbrellas.insert(folder);
                break;
            }
        }
    }
    return c;
}

QList<qsizetype> route(const QString& cwd, const Candidates& candidates)
{
    const QString c = key(cwd);
    QList<qsizetype> kept;
    qsizetype deepest = -1;
    for (const qsizetype i : candidates.order) {
        const QString& folder = candidates.normalizedPaths[i];
        const bool inside = c == folder || below(c, folder);
        if (!inside || (candidates.umbrellas.contains(folder) && c != folder))
            continue;
        kept.append(i);
        deepest = std::max(deepest, folder.size());
    }
    QList<qsizetype> result;
    for (const qsizetype i : kept) {
        if (candidates.normalizedPaths[i].size() == deepest)
            result.append(i);
    }
    return result;
}

} // namespace detail
} // namespace AgentStatus
