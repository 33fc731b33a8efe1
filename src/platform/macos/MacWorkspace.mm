#include "platform/macos/MacWorkspace.h"

#include "platform/macos/MacApplications.h"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

namespace {

NSURL* fileURL(const QString& path)
{
    return [NSURL fileURLWithPath:[NSString stringWithUTF8String:path.toUtf8().constData()]];
}

} // namespace

bool MacWorkspace::openPath(const QString& path)
{
    @autoreleasepool {
        return [[NSWorkspace sharedWorkspace] openURL:fileURL(path)];
    }
}

// An application bundle opened as a file is launched, or brought forward when it runs.
bool MacWorkspace::openApplication(const QString& path)
{
    return openPath(path);
}

bool MacWorkspace::openURL(const QString& address)
{
    @autoreleasepool {
        NSURL* url = [NSURL URLWithString:[NSString stringWithUTF8String:address.toUtf8().constData()]];
        return url && [[NSWorkspace sharedWorkspace] openURL:url];
    }
}

QList<RunningApplication> MacWorkspace::runningApplications()
{
    QList<RunningApplication> apps;
    for (const MacApplications::Application& app : MacApplications::running())
        apps.append({app.name, app.bundlePath, app.bundleIdentifier, app.isRegular});
    return apps;
}

QList<RunningProcess> MacWorkspace::runningProcesses(const QString& bundleIdentifier)
{
    QList<RunningProcess> processes;
    for (const MacApplications::Application& app : MacApplications::withIdentifier(bundleIdentifier))
        processes.append({app.pid, app.launchDate});
    return processes;
}
