#pragma once

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

// Files as tests lay them out: written with their folders, optionally dated `ageSeconds` back, and
// read back whole (empty when unreadable).
namespace TestFiles {

inline bool write(const QString& path, const QByteArray& bytes, std::optional<double> ageSeconds = {})
{
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write(bytes) != bytes.size() || !file.flush()) // nothing written after the time is set
        return false;
    return !ageSeconds ||
           file.setFileTime(QDateTime::currentDateTimeUtc().addMSecs(-qint64(*ageSeconds * 1000)),
                            QFileDevice::FileModificationTime);
}

inline QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The process id a test's child wrote to `path`; 0 while there is none.
inline qint64 pidIn(const QString& path)
{
    return read(path).trimmed().toLongLong();
}

// Whether the process `pid` has ended: gone, or a zombie nobody reaps (a container without an init).
inline bool ended(qint64 pid)
{
    const QByteArray stat = read(QStringLiteral("/proc/%1/stat").arg(pid));
    return pid > 0 && (stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z");
}

} // namespace TestFiles
