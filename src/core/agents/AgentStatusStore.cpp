#include "core/agents/AgentStatusStore.h"

#include "core/shell/AppSupportDirectory.h"
#include "core/text/IsoTime.h"
#include "core/text/JsonText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

// A state file is a few short lines; anything much larger is not one.
constexpr qint64 stateFileLimit = 64 * 1024;

using StringMap = QMap<QString, QString>;

// An object of strings to strings; anything else reads as empty.
StringMap readMap(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
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

void writeMap(const QString& path, const StringMap& map)
{
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

} // namespace

AgentStatusStore::AgentStatusStore() : AgentStatusStore(AppSupportDirectory::defaultPath()) {}

AgentStatusStore::AgentStatusStore(const QString& baseDirectory) : m_base(baseDirectory) {}

QList<AgentStatusEntry> AgentStatusStore::loadEntries() const
{
    QDir directory(stateDirectory());
    if (!directory.exists() || !directory.isReadable())
        return {};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QStringList names = directory.entryList(
        QDir::Files | QDir::Dirs | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::NoSort);
    const QString suffix = QStringLiteral(".state");
    QList<AgentStatusEntry> entries;
    for (const QString& name : names) {
        if (!name.endsWith(suffix))
            continue;
        const QString path = directory.filePath(name);
        const QFileInfo info(path);
        const QDateTime modified = info.lastModified();
        const bool stale = modified.isValid() && modified.secsTo(now) > staleAge;

        std::optional<AgentStatusEntry> entry;
        QFile file(path);
        // Only regular files are read (a folder named x.state, a device, a link to either reads as nothing).
        if (info.isFile() && info.size() <= stateFileLimit && file.open(QIODevice::ReadOnly))
            entry =
                AgentStatus::parse(QString::fromUtf8(file.read(stateFileLimit)), name.chopped(suffix.size()));
        if (stale) {
            if (info.isFile() || info.isSymLink())
                QFile::remove(path);
            continue;
        }
        if (entry)
            entries.append(*entry);
    }
    return entries;
}

void AgentStatusStore::recordActivity(const QList<AgentStatusEntry>& entries, const QDateTime& now) const
{
    if (entries.isEmpty())
        return;
    StringMap activity = readMap(activityFile());
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
        if (!time || time->secsTo(now) > recentWindow)
            it = activity.erase(it);
        else
            ++it;
    }
    writeMap(activityFile(), activity);
}

QList<ActivityRecord> AgentStatusStore::recentActivity(const QDateTime& now) const
{
    QList<ActivityRecord> records;
    const StringMap activity = readMap(activityFile());
    for (auto it = activity.begin(); it != activity.end(); ++it) {
        const auto time = IsoTime::parse(it.value());
        if (time && time->secsTo(now) <= recentWindow)
            records.append({it.key(), *time});
    }
    return records;
}

std::optional<QDateTime> AgentStatusStore::acknowledgedAt(const QString& path) const
{
    const StringMap acknowledgements = readMap(acknowledgementFile());
    const auto it = acknowledgements.constFind(path);
    if (it == acknowledgements.constEnd())
        return std::nullopt;
    return IsoTime::parse(*it);
}

void AgentStatusStore::acknowledge(const QString& path, const QDateTime& at) const
{
    StringMap acknowledgements = readMap(acknowledgementFile());
    acknowledgements.insert(path, IsoTime::format(at));
    writeMap(acknowledgementFile(), acknowledgements);
}
