#pragma once

#include "platform/Workspace.h"
#include "platform/x11/X11Connection.h"

#include <memory>

// Files open with the desktop's default handler (xdg-open); the running applications are the
// processes that own managed windows.
class X11Workspace final : public Workspace {
public:
    bool openPath(const QString& path) override;
    // An executable file is started; anything else (a .desktop file, a folder) goes to xdg-open.
    bool openApplication(const QString& path) override;
    QList<RunningApplication> runningApplications() override;
    // Resident copies of this very executable (started without arguments), from /proc.
    QList<RunningProcess> runningProcesses(const QString& bundleIdentifier) override;

private:
    std::unique_ptr<X11Connection> m_connection;
    bool m_connectTried = false;
};
