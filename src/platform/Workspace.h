#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// One running application as the workspace service reports it.
struct RunningApplication {
    std::optional<QString> localizedName;
    std::optional<QString> bundlePath;
    std::optional<QString> bundleIdentifier;
    bool isRegular = false; // an ordinary application, not an agent or background process
};

// One running process of an application, for telling which of two copies came first.
struct RunningProcess {
    qint32 pid = 0;
    std::optional<QDateTime> launchDate;
};

// Opening files and addresses, and the running applications.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Hands a file or folder path to the desktop's default handler; false when that failed.
    virtual bool openPath(const QString& path) = 0;
    // Hands an address (a URL) to the desktop's handler for its scheme; false when that failed.
    // Where paths and addresses go to the same opener, that is openPath.
    virtual bool openURL(const QString& address) { return openPath(address); }
    // Launches (or brings forward) the application at a path; false when that failed.
    virtual bool openApplication(const QString& path) = 0;
    // In the order the platform lists them.
    virtual QList<RunningApplication> runningApplications() = 0;
    // The running processes of the application with this identity, this one included.
    virtual QList<RunningProcess> runningProcesses(const QString& bundleIdentifier) = 0;
};
