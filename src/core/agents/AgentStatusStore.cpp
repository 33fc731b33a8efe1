#include "core/agents/AgentStatusStore.h"

#include "core/shell/AppSupportDirectory.h"
#include "core/text/BoundedFile.h"
#include "core/text/IsoTime.h"
#include "core/text/JsonText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using StringMap = QMap<QString, QString>;

// An object of strings to strings; anything else reads as empty.
StringMap readMap(const QString& path)
{
    const auto bytes = BoundedFile::read(path, BoundedFile::agentRecordLimit);
    if (!bytes)
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(*bytes);
    if (!document.isObject())
        return {};
    StringMap map;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString())
            return {};
        map.insert(it.key(), it.value().toString());
    }
    return map;
}

void writeMap(const QString& path, const StringMap& map, const StringMap& onDisk)
{
    if (map == onDisk && QFileInfo::exists(path))
        return; // the same document is there already
    QJsonObject object;
    for (auto it = map.begin(); it != map.end(); ++it)
        object.insert(it.key(), it.value());
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(JsonText::pretty(object));
        file.commit();
    }
}

// A file's modification time to the millisecond (POSIX names the field st_mtim, macOS
// st_mtimespec).
template <typename Status> qint64 modifiedMs(const Status& info)
{
    if constexpr (requires { info.st_mtim; })
        return qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    else
        return qint64(info.st_mtimespec.tv_sec) * 1000 + info.st_mtimespec.tv_nsec / 1000000;
}

} // namespace

AgentStatusStore::AgentStatusStore() : AgentStatusStore(AppSupportDirectory::defaultPath()) {}

AgentStatusStore::AgentStatusStore(const QString& baseDirectory) : m_base(baseDirectory) {}

QList<AgentStatusEntry> AgentStatusStore::loadEntries() const
{
    // Plain POSIX calls: this runs on every refresh, on as many files as there are sessions, and a
    // name, one open, one status and one read per file is all it needs.
    const QByteArray directoryPath = QFile::encodeName(stateDirectory());
    DIR* directory = ::opendir(directoryPath.constData());
    if (!directory)
        return {};
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    const QString suffix = QStringLiteral(".state");
    QList<AgentStatusEntry> entries;
    while (const dirent* item = ::readdir(directory)) {
        const QString name = QFile::decodeName(item->d_name);
        if (!name.endsWith(suffix))
            continue;
        struct stat info {};
        std::optional<AgentStatusEntry> entry;
        info.st_mode = 0;
        const auto bytes =
            BoundedFile::readAt(::dirfd(directory), item->d_name, BoundedFile::agentStateLimit, &info);
        if (bytes)
            entry = AgentStatus::parse(*BoundedFile::decode(*bytes), name.chopped(suffix.size()));
        // The status comes with the read; without it (no permission, say) it is asked for alone.
        const bool known = info.st_mode != 0 || ::fstatat(::dirfd(directory), item->d_name, &info, 0) == 0;
        const bool stale = known && nowMs - modifiedMs(info) > staleAge * 1000;
        if (stale) {
            if (!S_ISDIR(info.st_mode))
                ::unlinkat(::dirfd(directory), item->d_name, 0);
            continue;
        }
        if (entry)
            entries.append(*entry);
    }
    ::closedir(directory);
    return entries;
}

namespace {
QList<ActivityRecord> records(const StringMap& activity, const QDateTime& now)
{
    QList<ActivityRecord> result;
    for (auto it = activity.begin(); it != activity.end(); ++it) {
        const auto time = IsoTime::parse(it.value());
        if (time && time->msecsTo(now) <= AgentStatusStore::recentWindow * 1000)
            result.append({it.key(), *time});
    }
    return result;
}
} // namespace

QList<ActivityRecord> AgentStatusStore::recordActivity(const QList<AgentStatusEntry>& entries,
                                                       const QDateTime& now) const
{
    if (entries.isEmpty())
        return recentActivity(now); // nothing to record: the file is not rewritten
    const StringMap before = readMap(activityFile());
    StringMap activity = before;
    for (const AgentStatusEntry& entry : entries) {
        const QString key = AgentStatus::normalized(entry.cwd);
        if (key.isEmpty())
            continue;
        const auto known = IsoTime::parse(activity.value(key));
        if (!known || *known < entry.updatedAt)
            activity.insert(key, IsoTime::format(entry.updatedAt));
    }
    for (auto it = activity.begin(); it != activity.end();) {
        const auto time = IsoTime::parse(it.value());
        if (!time || time->msecsTo(now) > recentWindow * 1000)
            it = activity.erase(it);
        else
            ++it;
    }
    writeMap(activityFile(), activity, before);
    return records(activity, now);
}

QList<ActivityRecord> AgentStatusStore::recentActivity(const QDateTime& now) const
{
    return records(readMap(activityFile()), now);
}

std::optional<QDateTime> AgentStatusStore::acknowledgedAt(const QString& path) const
{
    return acknowledgements()(path);
}

std::function<std::optional<QDateTime>(const QString&)> AgentStatusStore::acknowledgements() const
{
    const StringMap map = readMap(acknowledgementFile());
    return [map](const QString& path) -> std::optional<QDateTime> {
        const auto it = map.constFind(path);
        if (it == map.constEnd())
            return std::nullopt;
        return IsoTime::parse(*it);
    };
}

void AgentStatusStore::acknowledge(const QString& path, const QDateTime& at) const
{
    const StringMap before = readMap(acknowledgementFile());
    StringMap acknowledgements = before;
    acknowledgements.insert(path, IsoTime::format(at));
    writeMap(acknowledgementFile(), acknowledgements, before);
}
