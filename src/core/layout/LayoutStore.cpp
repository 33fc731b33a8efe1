#include "core/layout/LayoutStore.h"

#include "core/Log.h"
#include "core/layout/LayoutJson.h"
#include "core/layout/ProjectMemory.h"
#include "core/shell/AppSupportDirectory.h"
#include "core/text/BoundedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace LayoutFiles {
namespace {

constexpr QStringView saveMarker = u".panedeck-save-";
constexpr qsizetype randomLength = 12;
constexpr QStringView randomAlphabet = u"abcdefghijklmnopqrstuvwxyz0123456789";

} // namespace

QString saveName(QStringView fileName, QStringView random)
{
    QString name(1, u'.');
    name.append(fileName).append(saveMarker).append(random);
    return name;
}

QString saveRandom()
{
    QString random(randomLength, Qt::Uninitialized);
    for (QChar& c : random)
        c = randomAlphabet[qsizetype(QRandomGenerator::global()->bounded(int(randomAlphabet.size())))];
    return random;
}

bool isSaveName(QStringView entryName, QStringView fileName)
{
    const qsizetype prefix = 1 + fileName.size() + saveMarker.size();
    if (entryName.size() != prefix + randomLength || !entryName.startsWith(u'.') ||
        entryName.mid(1, fileName.size()) != fileName ||
        entryName.mid(1 + fileName.size(), saveMarker.size()) != saveMarker || fileName.contains(u'/'))
        return false;
    const QStringView random = entryName.mid(prefix);
    return std::all_of(random.begin(), random.end(), [](QChar c) { return randomAlphabet.contains(c); });
}

QString keptName(QStringView filePath, const QDateTime& time, int attempt)
{
    QString name = filePath.toString() + QStringLiteral(".unreadable-") +
                   time.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    if (attempt > 1)
        name += u'-' + QString::number(attempt);
    return name;
}

} // namespace LayoutFiles

LayoutStore::LayoutStore() : LayoutStore(defaultFilePath()) {}

namespace {

// The file a save replaces: a symbolic link in the file's place is followed, so the link stays and
// the file it names is written.
QString finalPath(const QString& filePath)
{
    QFileInfo file(filePath);
    for (int depth = 0; depth < 128 && file.isSymLink(); ++depth)
        file.setFile(file.symLinkTarget());
    return file.isSymLink() ? filePath : file.filePath();
}

// A save killed between writing and renaming leaves its temporary file. Those older than a minute
// belong to no save in progress: they go. Only regular files under the writer's own names.
void sweepLeftoverSaves(const QString& filePath)
{
    const QFileInfo target(finalPath(filePath));
    const QDateTime minuteAgo = QDateTime::currentDateTimeUtc().addSecs(-60);
    QDir folder = target.dir();
    for (const QFileInfo& file :
         folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (LayoutFiles::isSaveName(file.fileName(), target.fileName()) && !file.isSymLink() &&
            file.isFile() && file.lastModified() < minuteAgo)
            folder.remove(file.fileName());
    }
}

QString errorText(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

// Writes `bytes` as the whole new content of `filePath`, or leaves the old content untouched: into
// a temporary file beside it, flushed to the disk, then renamed over it. Answers what went wrong,
// with the system's reason.
std::optional<QString> writeWhole(const QString& filePath, const QByteArray& bytes)
{
    const QString path = finalPath(filePath);
    const QByteArray target = QFile::encodeName(path);
    const QFileInfo info(path);
    struct stat existing {};
    const bool exists = ::stat(target.constData(), &existing) == 0;
    const auto failure = [&path](const char* what, int error) {
        return QLatin1StringView(what) + path + QStringLiteral(": ") + errorText(error);
    };
    // A file its owner made read-only stays as it is, as with any editor.
    if (exists && ::access(target.constData(), W_OK) != 0 && errno != ENOENT)
        return failure("cannot write ", errno);

    // Until it holds the new content, the temporary file is private; then it takes the old file's
    // permissions.
    QByteArray temporary;
    int fd = -1;
    int error = EEXIST;
    for (int attempt = 0; fd < 0 && error == EEXIST && attempt < 100; ++attempt) {
        temporary = QFile::encodeName(
            info.dir().filePath(LayoutFiles::saveName(info.fileName(), LayoutFiles::saveRandom())));
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                    exists ? 0600 : 0666);
        error = fd < 0 ? errno : 0;
    }
    if (fd < 0)
        return failure("cannot create a file beside ", error);

    for (qsizetype done = 0; !error && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0)
            error = EIO;
        else if (errno != EINTR)
            error = errno;
    }
    if (!error && exists && ::fchmod(fd, existing.st_mode & 0777) != 0)
        error = errno;
    // A file system that cannot sync has nothing more to do.
    if (!error && ::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP && errno != EOPNOTSUPP)
        error = errno;
    if (::close(fd) != 0 && errno != EINTR && !error)
        error = errno;
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (!error)
        return std::nullopt;
    ::unlink(temporary.constData());
    return failure("cannot write ", error);
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

std::optional<QString> LayoutStore::keepUnreadableFile()
{
    // Moved, not copied: the bytes stay exactly as they were, even when this process cannot read
    // them. An existing kept file is never replaced.
    if (!QFileInfo(m_filePath).exists() && !QFileInfo(m_filePath).isSymLink()) {
        m_unreadableFileOnDisk = false; // gone meanwhile: nothing left to keep
        return std::nullopt;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString kept = LayoutFiles::keptName(m_filePath, now, attempt);
        if (QFileInfo::exists(kept) || QFileInfo(kept).isSymLink())
            continue;
        QFile file(m_filePath);
        if (!file.rename(kept))
            return file.errorString();
        Log::line(QStringLiteral("LayoutStore: kept the unreadable layout file as ") + kept);
        m_unreadableFileOnDisk = false;
        return std::nullopt;
    }
    return QStringLiteral("every name to keep it under is taken");
}

void LayoutStore::save()
{
    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath())) {
        Log::line(QStringLiteral("LayoutStore save failed: cannot create folder ") + info.absolutePath());
        return;
    }
    if (m_unreadableFileOnDisk) {
        // Overwriting it would lose what the user wrote; try again at the next save.
        if (const auto error = keepUnreadableFile()) {
            Log::line(QStringLiteral("LayoutStore save failed: cannot keep the unreadable ") + m_filePath +
                      QStringLiteral(": ") + *error);
            return;
        }
    }
    if (const auto error = writeWhole(m_filePath, LayoutJson::encode(m_layout)))
        Log::line(QStringLiteral("LayoutStore save failed: ") + *error);
}
