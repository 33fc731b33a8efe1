#include "core/layout/ProjectMemory.h"

#include "core/text/Paths.h"

namespace ProjectMemory {
namespace {

std::optional<QString> nonBlank(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    const QString trimmed = text->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

bool isBlank(const std::optional<QString>& text)
{
    return !nonBlank(text);
}

} // namespace

std::optional<QString> key(const SlotEntry& entry)
{
    if (const auto path = nonBlank(entry.path))
        return QStringLiteral("path:") + Paths::normalized(*path);
    if (const auto url = nonBlank(entry.url))
        return QStringLiteral("url:") + *url;
    if (const auto name = nonBlank(entry.name))
        return QStringLiteral("name:") + *name;
    return std::nullopt;
}

ProjectMemoryMap remembering(const SlotEntry& entry, ProjectMemoryMap memory)
{
    const auto k = key(entry);
    if (!k)
        return memory;
    ProjectMemo memo;
    memo.name = nonBlank(entry.name);
    memo.url = nonBlank(entry.url);
    memo.color = nonBlank(entry.color).value_or(QStringLiteral("standard"));
    memo.server = entry.server;
    memory.insert(*k, memo);
    return memory;
}

SlotEntry restoring(const SlotEntry& entry, const ProjectMemoryMap& memory)
{
    const auto k = key(entry);
    if (!k || !memory.contains(*k))
        return entry;
    const ProjectMemo& memo = memory[*k];
    SlotEntry restored = entry;
    restored.name = memo.name.value_or(entry.name);
    restored.url = isBlank(entry.url) ? memo.url : entry.url;
    restored.color = isBlank(entry.color) ? memo.color : entry.color;
    restored.server = entry.server ? entry.server : memo.server;
    return restored;
}

} // namespace ProjectMemory
