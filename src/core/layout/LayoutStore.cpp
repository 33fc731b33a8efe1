#include "core/layout/LayoutStore.h"

#include "core/Log.h"
#include "core/layout/LayoutJson.h"
#include "core/layout/ProjectMemory.h"
#include "core/shell/AppSupportDirectory.h"
#include "core/text/BoundedFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

LayoutStore::LayoutStore() : LayoutStore(defaultFilePath()) {}

namespace {

// A save killed between writing and renaming leaves its temporary file, "layout.json." and six
// letters or digits. Those older than a minute belong to no save in progress: they go.
void sweepLeftoverSaves(const QString& filePath)
{
    const QFileInfo target(filePath);
    const QRegularExpression leftover(QStringLiteral("^") + QRegularExpression::escape(target.fileName()) +
                                      QStringLiteral("\\.[A-Za-z0-9]{6}$"));
    const QDateTime minuteAgo = QDateTime::currentDateTimeUtc().addSecs(-60);
    QDir folder = target.dir();
    for (const QFileInfo& file :
         folder.entryInfoList({target.fileName() + QStringLiteral(".??????")}, QDir::Files | QDir::Hidden)) {
        if (!file.isSymLink() && leftover.match(file.fileName()).hasMatch() &&
            file.lastModified() < minuteAgo)
            folder.remove(file.fileName());
    }
}

} // namespace

LayoutStore::LayoutStore(QString filePath) : m_filePath(std::move(filePath))
{
    sweepLeftoverSaves(m_filePath);
    const QFileInfo info(m_filePath);
    if (!info.exists() && !info.isSymLink())
        return;
    std::optional<Layout> loaded;
    if (const auto bytes = BoundedFile::read(m_filePath, BoundedFile::layoutLimit))
        loaded = LayoutJson::decode(*bytes);
    if (loaded)
        m_layout = std::move(*loaded);
    else
        m_unreadableFileOnDisk = true; // start empty, but keep the file before overwriting it
}

QString LayoutStore::defaultFilePath()
{
    return QDir(AppSupportDirectory::defaultPath()).filePath(QStringLiteral("layout.json"));
}

void LayoutStore::setLayout(Layout layout)
{
    m_layout = std::move(layout);
    save();
}

SlotEntry* LayoutStore::mutableEntry(int slot)
{
    const auto it = m_layout.slots.find(Layout::slotKey(slot));
    return it == m_layout.slots.end() ? nullptr : &*it;
}

void LayoutStore::setLastTileCount(qint64 count)
{
    m_layout.lastTileCount = count;
    save();
}

void LayoutStore::setPanelTheme(const QString& theme)
{
    m_layout.panelTheme = theme;
    save();
}

void LayoutStore::setTriggerSettings(bool hotkeyEnabled, const QString& doubleTapKey, qint64 tapCount)
{
    m_layout.hotkeyEnabled = hotkeyEnabled;
    m_layout.doubleTapKey = doubleTapKey;
    m_layout.tapCount = tapCount == 3 ? 3 : 2;
    save();
}

void LayoutStore::setAgentStatusEnabled(bool enabled)
{
    m_layout.agentStatusEnabled = enabled;
    save();
}

void LayoutStore::setClaudeUsageEnabled(bool enabled)
{
    m_layout.claudeUsageEnabled = enabled;
    save();
}

void LayoutStore::setShortcuts(QList<ShortcutEntry> folder, QList<ShortcutEntry> url,
                               QList<ShortcutEntry> app)
{
    m_layout.folderShortcuts = folder.mid(0, ShortcutLimits::folder);
    m_layout.urlShortcuts = url.mid(0, ShortcutLimits::url);
    m_layout.appShortcuts = app.mid(0, ShortcutLimits::app);
    save();
}

void LayoutStore::applySettings(int slot, const QString& name, const QString& path,
                                const std::optional<QString>& url, const std::optional<QString>& color,
                                const std::optional<ServerEntry>& server)
{
    SlotEntry* entry = mutableEntry(slot);
    if (!entry)
        return;
    entry->name = name;
    entry->path = path;
    entry->url = url;
    entry->color = color;
    entry->server = server;
    save();
}

void LayoutStore::updateEntry(int slot, const QString& name, const std::optional<QString>& url,
                              const std::optional<QString>& path)
{
    SlotEntry* entry = mutableEntry(slot);
    if (!entry)
        return;
    entry->name = name;
    entry->url = url;
    if (path)
        entry->path = *path;
    save();
}

void LayoutStore::setServer(const std::optional<ServerEntry>& server, int slot)
{
    SlotEntry* entry = mutableEntry(slot);
    if (!entry)
        return;
    entry->server = server;
    save();
}

void LayoutStore::setColor(const std::optional<QString>& color, int slot)
{
    SlotEntry* entry = mutableEntry(slot);
    if (!entry)
        return;
    entry->color = color;
    save();
}

void LayoutStore::rememberEntry(const SlotEntry& entry)
{
    m_layout.projectMemory =
        ProjectMemory::remembering(entry, m_layout.projectMemory.value_or(ProjectMemoryMap{}));
}

void LayoutStore::removeEntry(int slot)
{
    if (const auto entry = m_layout.entry(slot)) {
        rememberEntry(*entry);
        m_layout.slots.remove(Layout::slotKey(slot));
    }
    save();
}

void LayoutStore::moveEntry(int from, int to)
{
    if (!Layout::isSlot(from) || !Layout::isSlot(to) || from == to)
        return;
    const auto moving = m_layout.entry(from);
    if (!moving)
        return;
    const auto target = m_layout.entry(to);
    m_layout.slots.insert(Layout::slotKey(to), *moving);
    if (target)
        m_layout.slots.insert(Layout::slotKey(from), *target);
    else
        m_layout.slots.remove(Layout::slotKey(from));
    save();
}

void LayoutStore::assign(const SlotEntry& entry, int slot)
{
    if (!Layout::isSlot(slot))
        return;
    const auto old = m_layout.entry(slot);
    if (old)
        rememberEntry(*old);
    SlotEntry restored = ProjectMemory::restoring(entry, m_layout.projectMemory.value_or(ProjectMemoryMap{}));
    if (!restored.color && old && old->color)
        restored.color = old->color;
    m_layout.slots.insert(Layout::slotKey(slot), restored);
    save();
}

void LayoutStore::keepUnreadableFile()
{
    // Moved, not copied: the bytes stay exactly as they were, even when this process cannot read
    // them. An existing kept file is never replaced.
    if (!QFileInfo(m_filePath).exists() && !QFileInfo(m_filePath).isSymLink()) {
        m_unreadableFileOnDisk = false; // gone meanwhile: nothing left to keep
        return;
    }
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    const QString base = m_filePath + QStringLiteral(".unreadable-") + stamp;
    for (int n = 1; n < 1000; ++n) {
        const QString kept = n == 1 ? base : base + u'-' + QString::number(n);
        if (QFileInfo::exists(kept))
            continue;
        if (QFile::rename(m_filePath, kept)) {
            Log::line(QStringLiteral("LayoutStore: kept the unreadable layout file as ") + kept);
            m_unreadableFileOnDisk = false;
        }
        return;
    }
}

void LayoutStore::save()
{
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath())) {
        Log::line(QStringLiteral("LayoutStore save failed: cannot create folder ") + info.absolutePath());
        return;
    }
    if (m_unreadableFileOnDisk) {
        keepUnreadableFile();
        if (m_unreadableFileOnDisk) {
            // Overwriting it would lose what the user wrote; try again at the next save.
            Log::line(QStringLiteral("LayoutStore save failed: cannot keep the unreadable ") + m_filePath);
            return;
        }
    }
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly)) {
        Log::line(QStringLiteral("LayoutStore save failed: ") + file.errorString());
        return;
    }
    file.write(LayoutJson::encode(m_layout));
    if (!file.commit())
        Log::line(QStringLiteral("LayoutStore save failed: ") + file.errorString());
}
