#include "platform/linux/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// The Exec value of the desktop entry format: the program quoted, with its quoting characters
// escaped, then escaped once more as a string value.
QString execValue(const QString& program)
{
    QString quoted;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted = u'"' + quoted + u'"';
    return quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
}

// The program an Exec value names: the first word, unquoted.
QString programOf(QString exec)
{
    exec.replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
    exec = exec.trimmed();
    if (!exec.startsWith(u'"'))
        return exec.section(u' ', 0, 0);
    QString program;
    for (qsizetype i = 1; i < exec.size() && exec[i] != u'"'; ++i) {
        if (exec[i] == u'\\' && i + 1 < exec.size())
            ++i;
        program += exec[i];
    }
    return program;
}

} // namespace

XdgAutostart::XdgAutostart(QString program) : m_program(std::move(program)) {}

QString XdgAutostart::entryPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart/panedeck.desktop"));
}

LoginItem::Status XdgAutostart::status()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return Status::off;
    QString program;
    for (const QByteArray& raw : file.read(64 * 1024).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line == QStringLiteral("Hidden=true"))
            return Status::off;
        if (line.startsWith(QStringLiteral("Exec=")))
            program = programOf(line.mid(5));
    }
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable() ? Status::on : Status::programMissing;
}

bool XdgAutostart::setEnabled(bool enabled, QString* error)
{
    const QString path = entryPath();
    if (!enabled) {
        if (!QFile::exists(path) || QFile::remove(path))
            return true;
        *error = QStringLiteral("%1 could not be removed").arg(path);
        return false;
    }
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    const QString entry =
        QStringLiteral("[Desktop Entry]\nType=Application\nName=Panedeck\n"
                       "Comment=Window switcher and launcher for developers\n"
                       "Exec=%1\nIcon=panedeck\nTerminal=false\nX-GNOME-Autostart-enabled=true\n")
            .arg(execValue(m_program));
    if (file.open(QIODevice::WriteOnly) && file.write(entry.toUtf8()) >= 0 && file.commit())
        return true;
    *error = file.errorString();
    return false;
}
