#include "platform/linux/LinuxProcesses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

namespace LinuxProcesses {
namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Seconds since the epoch at which the machine booted ("btime" of /proc/stat).
std::optional<qint64> bootTime()
{
    for (const QByteArray& line : readAll(QStringLiteral("/proc/stat")).split('\n')) {
        if (line.startsWith("btime ")) {
            bool ok = false;
            const qint64 value = line.mid(6).trimmed().toLongLong(&ok);
            if (ok)
                return value;
        }
    }
    return std::nullopt;
}

std::optional<QDateTime> startTime(const QString& pid, std::optional<qint64> boot)
{
    // The command name in parentheses may hold anything; the fields after it are plain numbers, and
    // the start time (in clock ticks after boot) is the 20th of them.
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (!boot || close < 0 || ticksPerSecond <= 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    bool ok = false;
    const qint64 ticks = fields.value(19).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(*boot * 1000 + ticks * 1000 / ticksPerSecond, Qt::UTC);
}

// The file name of a process's executable; a file replaced since it started reads "name (deleted)".
QString executableName(const QString& pid)
{
    QString name = QFileInfo(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget()).fileName();
    name.remove(QStringLiteral(" (deleted)"));
    return name;
}

// The support folder a process uses, from the environment it started with: the XDG data home
// (when absolute) or ~/.local/share, then "Panedeck". Empty when its environment cannot be read.
QString supportFolder(const QString& pid)
{
    QString home, dataHome;
    bool read = false;
    for (const QByteArray& entry : readAll(QStringLiteral("/proc/%1/environ").arg(pid)).split('\0')) {
        read = true;
        if (entry.startsWith("HOME="))
            home = QString::fromLocal8Bit(entry.mid(5));
        else if (entry.startsWith("XDG_DATA_HOME="))
            dataHome = QString::fromLocal8Bit(entry.mid(14));
    }
    if (!read)
        return {};
    if (!dataHome.startsWith(u'/'))
        dataHome = (home.isEmpty() ? QStringLiteral("/") : home) + QStringLiteral("/.local/share");
    const QString folder = QDir::cleanPath(dataHome + QStringLiteral("/Panedeck"));
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? folder : canonical;
}

} // namespace

QList<RunningProcess> residentCopies()
{
    const QString self = QString::number(::getpid());
    const QString name = executableName(self);
    const QString folder = supportFolder(self);
    if (name.isEmpty() || folder.isEmpty())
        return {};
    const auto boot = bootTime();
    QList<RunningProcess> copies;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint32 pid = entry.toInt(&numeric);
        if (!numeric || executableName(entry) != name)
            continue;
        // A one-shot command carries arguments; the resident copy none.
        const QByteArray commandLine = readAll(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (commandLine.isEmpty() || commandLine.count('\0') != 1)
            continue;
        // Copies that keep their layout elsewhere (another home folder) never meet.
        if (supportFolder(entry) != folder)
            continue;
        copies.append({pid, startTime(entry, boot)});
    }
    return copies;
}

} // namespace LinuxProcesses
