#include "platform/linux/LinuxProcesses.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtNumeric>
#include <unistd.h>

namespace LinuxProcesses {
namespace {

// Absent when the file cannot be opened (a process of another user, or one that is gone).
std::optional<QByteArray> readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// The file name of a process's executable; a file replaced since it started reads "name (deleted)".
QString executableName(const QString& pid)
{
    QString name = QFileInfo(QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget()).fileName();
    name.remove(QStringLiteral(" (deleted)"));
    return name;
}

// The support folder a process uses, as the folder itself when it exists; empty when its
// environment cannot be read.
QString supportFolderOf(const QString& pid)
{
    const auto environment = readAll(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!environment)
        return {};
    return canonicalPath(supportFolderIn(*environment));
}

} // namespace

QString canonicalPath(const QString& path)
{
    QString existing = QDir::cleanPath(path);
    QString rest;
    while (!existing.isEmpty()) {
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty())
            return rest.isEmpty() ? canonical : QDir::cleanPath(canonical + u'/' + rest);
        const qsizetype slash = existing.lastIndexOf(u'/');
        if (slash < 0)
            break;
        rest = rest.isEmpty() ? existing.mid(slash + 1) : existing.mid(slash + 1) + u'/' + rest;
        existing = existing.left(slash);
    }
    return QDir::cleanPath(path);
}

std::optional<qint64> bootTimeIn(const QByteArray& procStat)
{
    for (const QByteArray& line : procStat.split('\n')) {
        if (line.startsWith("btime ")) {
            bool ok = false;
            const qint64 value = line.mid(6).trimmed().toLongLong(&ok);
            if (ok && value >= 0)
                return value;
        }
    }
    return std::nullopt;
}

std::optional<QDateTime> startTimeIn(const QByteArray& stat, qint64 bootTime, qint64 ticksPerSecond)
{
    // The command name in parentheses may hold anything; the fields after it are plain numbers, and
    // the start time (in clock ticks after boot) is the 20th of them.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || ticksPerSecond <= 0 || bootTime < 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    bool ok = false;
    const qint64 ticks = fields.value(19).toLongLong(&ok);
    if (!ok || ticks < 0)
        return std::nullopt;
    qint64 bootMs = 0, secondsMs = 0, restMs = 0, sinceBootMs = 0, msecs = 0;
    if (qMulOverflow(bootTime, qint64(1000), &bootMs) ||
        qMulOverflow(ticks / ticksPerSecond, qint64(1000), &secondsMs) ||
        qMulOverflow(ticks % ticksPerSecond, qint64(1000), &restMs) ||
        qAddOverflow(secondsMs, restMs / ticksPerSecond, &sinceBootMs) ||
        qAddOverflow(bootMs, sinceBootMs, &msecs))
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

QString supportFolderIn(const QByteArray& environment)
{
    QString home, dataHome;
    for (const QByteArray& entry : environment.split('\0')) {
        if (entry.startsWith("HOME="))
            home = QString::fromLocal8Bit(entry.mid(5));
        else if (entry.startsWith("XDG_DATA_HOME="))
            dataHome = QString::fromLocal8Bit(entry.mid(14));
    }
    if (!dataHome.startsWith(u'/'))
        dataHome = (home.isEmpty() ? QStringLiteral("/") : home) + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QStringLiteral("/Panedeck"));
}

// A one-shot command carries arguments; the resident copy none.
bool isResidentCommandLine(const QByteArray& commandLine)
{
    return commandLine.count('\0') == 1 && commandLine.endsWith('\0');
}

QList<RunningProcess> residentCopies()
{
    const QString self = QString::number(::getpid());
    const QString name = executableName(self);
    const QString folder = supportFolderOf(self);
    if (name.isEmpty() || folder.isEmpty())
        return {};
    const auto boot = bootTimeIn(readAll(QStringLiteral("/proc/stat")).value_or(QByteArray()));
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    QList<RunningProcess> copies;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint32 pid = entry.toInt(&numeric);
        if (!numeric || executableName(entry) != name)
            continue;
        if (!isResidentCommandLine(
                readAll(QStringLiteral("/proc/%1/cmdline").arg(entry)).value_or(QByteArray())))
            continue;
        // Copies that keep their layout elsewhere (another home folder) never meet.
        if (supportFolderOf(entry) != folder)
            continue;
        const auto stat = readAll(QStringLiteral("/proc/%1/stat").arg(entry));
        copies.append({pid, boot && stat ? startTimeIn(*stat, *boot, ticksPerSecond) : std::nullopt});
    }
    return copies;
}

} // namespace LinuxProcesses
