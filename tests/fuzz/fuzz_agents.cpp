// Agent state files and their routing: the first part is a state file, the others are slot
// folders the session is routed to.

#include "FuzzInput.h"
#include "core/agents/AgentStatus.h"

#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList parts = partsOf(data, size);
    const auto entry = AgentStatus::parse(parts.first(), QStringLiteral("session"));
    const QStringList folders = parts.mid(1);
    QHash<int, QString> targets;
    for (qsizetype i = 0; i < folders.size(); ++i)
        targets.insert(int(i), folders[i]);
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    const QList<AgentStatusEntry> entries = entry ? QList<AgentStatusEntry>{*entry} : QList<AgentStatusEntry>{};
    const auto badges = AgentStatus::badges<int>(
        targets, entries, [](const QString&) { return std::optional<QDateTime>(); }, now);
    for (auto it = badges.begin(); it != badges.end(); ++it)
        FUZZ_CHECK(targets.contains(it.key()));
    if (entry)
        for (const QString& folder : folders)
            AgentStatus::matches(entry->cwd, folder);
    return 0;
}
