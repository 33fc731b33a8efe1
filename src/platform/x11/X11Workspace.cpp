#include "platform/x11/X11Workspace.h"

#include "platform/linux/LinuxBundle.h"
#include "platform/linux/LinuxProcesses.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

bool X11Workspace::openPath(const QString& path)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return false;
    return QProcess::startDetached(opener, {path});
}

bool X11Workspace::openApplication(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile() && info.isExecutable())
        return QProcess::startDetached(info.absoluteFilePath(), {});
    return openPath(info.absoluteFilePath());
}

QList<RunningApplication> X11Workspace::runningApplications()
{
    if (!m_connectTried) {
        m_connectTried = true;
        m_connection = X11Connection::open();
    }
    if (!m_connection || m_connection->broken())
        return {};
    m_connection->drainEvents();

    QList<RunningApplication> applications;
    QList<qint32> seen;
    for (const X11Connection::Client& client : m_connection->clients(true)) {
        if (seen.contains(client.pid))
            continue;
        seen.append(client.pid);
        RunningApplication app;
        if (!client.windowClass.isEmpty())
            app.localizedName = QString::fromLatin1(client.windowClass);
        const QString executable = QFileInfo(QStringLiteral("/proc/%1/exe").arg(client.pid)).symLinkTarget();
        if (!executable.isEmpty())
            app.bundlePath = executable;
        app.isRegular = true; // it has a managed window of its own
        applications.append(app);
    }
    return applications;
}

QList<RunningProcess> X11Workspace::runningProcesses(const QString& bundleIdentifier)
{
    if (bundleIdentifier != LinuxBundle::identifier)
        return {};
    return LinuxProcesses::residentCopies();
}
