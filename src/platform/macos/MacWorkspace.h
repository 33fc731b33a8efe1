#pragma once

#include "platform/Workspace.h"

// Opening files, folders, addresses and applications and the running applications, through NSWorkspace.
class MacWorkspace final : public Workspace {
public:
    bool openPath(const QString& path) override;
    bool openApplication(const QString& path) override;
    bool openURL(const QString& address) override;
    QList<RunningApplication> runningApplications() override;
    QList<RunningProcess> runningProcesses(const QString& bundleIdentifier) override;
};
