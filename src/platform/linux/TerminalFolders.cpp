#include "platform/linux/TerminalFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace TerminalFolders {
namespace {

// Sessions are small; a process tree larger than this is not walked further.
constexpr int maxProcesses = 512;

QByteArray readSmall(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return {};
    return file.read(64 * 1024);
}

// The controlling terminal of a process (field 7 of its stat line, counted after the command name,
// which may hold blanks and parentheses itself); absent when the process is gone.
std::optional<quint32> terminalOf(const QString& procRoot, qint64 pid)
{
    const QByteArray stat = readSmall(procRoot + u'/' + QString::number(pid) + QStringLiteral("/stat"));
    const qsizetype end = stat.lastIndexOf(')');
    if (end < 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(end + 1).trimmed().split(' ');
    if (fields.size() < 5)
        return std::nullopt;
    bool ok = false;
    const qint64 device = fields[4].toLongLong(&ok);
    if (!ok || device < 0 || device > 0xFFFFFFFF)
        return std::nullopt;
    return quint32(device);
}

// Unix 98 pseudo-terminal devices have the major numbers 136 to 143.
bool isPseudoTerminal(quint32 device)
{
    const quint32 major = (device >> 8) & 0xFFF;
    return major >= 136 && major <= 143;
}

QList<qint64> childrenOf(const QString& procRoot, qint64 pid)
{
    QList<qint64> children;
    const QString tasks = procRoot + u'/' + QString::number(pid) + QStringLiteral("/task");
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QByteArray& id : readSmall(tasks + u'/' + task + QStringLiteral("/children")).split(' ')) {
            bool ok = false;
            const qint64 child = id.trimmed().toLongLong(&ok);
            if (ok && child > 0)
                children.append(child);
        }
    }
    return children;
}

} // namespace

std::optional<QString> ofSession(const QString& procRoot, qint64 emulatorPid)
{
    std::optional<qint64> session;
    std::optional<quint32> device;
    for (const qint64 child : childrenOf(procRoot, emulatorPid)) {
        const auto terminal = terminalOf(procRoot, child);
        if (!terminal || !isPseudoTerminal(*terminal))
            continue;
        if (session)
            return std::nullopt; // several sessions: which one is the window's cannot be told
        session = child;
        device = terminal;
    }
    if (!session)
        return std::nullopt;

    // The smallest process id on the session's pseudo-terminal, among the child and its descendants.
    qint64 smallest = *session;
    QList<qint64> pending{*session};
    QSet<qint64> seen{*session};
    while (!pending.isEmpty() && seen.size() < maxProcesses) {
        for (const qint64 child : childrenOf(procRoot, pending.takeFirst())) {
            if (seen.contains(child))
                continue;
            seen.insert(child);
            pending.append(child);
            if (child < smallest && terminalOf(procRoot, child) == device)
                smallest = child;
        }
    }
    const QString folder =
        QFile::symLinkTarget(procRoot + u'/' + QString::number(smallest) + QStringLiteral("/cwd"));
    if (folder.isEmpty() || !folder.startsWith(u'/'))
        return std::nullopt;
    return folder;
}

std::optional<QString> fromTitle(const QString& title, const QString& home)
{
    // An optional "user@host:" prefix (as bash and zsh set it), then a path that is the rest.
    static const QRegularExpression form(QStringLiteral("\\A(?:[^\\s@:/]+@[^\\s:/]+:\\s*)?(~|~/.*|/.*)\\z"));
    const QRegularExpressionMatch match = form.match(title.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    QString path = match.captured(1);
    if (path.startsWith(u'~')) {
        if (home.isEmpty())
            return std::nullopt;
        path = home + path.mid(1);
    }
    return QDir::cleanPath(path);
}

std::optional<QString> of(const QString& procRoot, qint64 emulatorPid, int windowsOfProcess,
                          const QString& title, const QString& home)
{
    if (windowsOfProcess == 1) {
        if (auto folder = ofSession(procRoot, emulatorPid))
            return folder;
    }
    // A title names a path, which may as well be a program ("/usr/bin/top") or a file: only a
    // folder that exists is one.
    if (auto folder = fromTitle(title, home); folder && QFileInfo(*folder).isDir())
        return folder;
    return std::nullopt;
}

} // namespace TerminalFolders
