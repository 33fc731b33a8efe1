#pragma once

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

// Opening files and addresses, and the running applications.
class Workspace {
public:
    virtual ~Workspace() = default;
    // Hands a file or folder path to the desktop's default handler; false when that failed.
    virtual bool openPath(const QString& path) = 0;
    // In the order the platform lists them.
    virtual QList<RunningApplication> runningApplications() = 0;
};
