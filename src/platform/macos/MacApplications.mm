#include "platform/macos/MacApplications.h"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

namespace MacApplications {
namespace {

std::optional<QString> text(NSString* string)
{
    if (!string)
        return std::nullopt;
    return QString::fromUtf8(string.UTF8String);
}

Application describe(NSRunningApplication* app)
{
    Application a;
    a.pid = app.processIdentifier;
    a.name = text(app.localizedName);
    a.bundlePath = text(app.bundleURL.path);
    a.bundleIdentifier = text(app.bundleIdentifier);
    if (NSDate* launched = app.launchDate)
        a.launchDate = QDateTime::fromMSecsSinceEpoch(qint64(launched.timeIntervalSince1970 * 1000));
    a.isRegular = app.activationPolicy == NSApplicationActivationPolicyRegular;
    return a;
}

QList<Application> describeAll(NSArray* apps)
{
    QList<Application> result;
    for (NSRunningApplication* app in apps)
        result.append(describe(app));
    return result;
}

} // namespace

// These are also asked from worker threads, which have no autorelease pool of their own: each call
// drains what it made.
QList<Application> running()
{
    @autoreleasepool {
        return describeAll([NSWorkspace sharedWorkspace].runningApplications);
    }
}

QList<Application> withIdentifier(const QString& bundleIdentifier)
{
    @autoreleasepool {
        NSString* identifier = [NSString stringWithUTF8String:bundleIdentifier.toUtf8().constData()];
        return describeAll([NSRunningApplication runningApplicationsWithBundleIdentifier:identifier]);
    }
}

// The user asked for this application's window: it comes forward, without options (ignoring
// other applications does nothing since macOS 14).
bool activate(qint32 pid)
{
    @autoreleasepool {
        NSRunningApplication* app = [NSRunningApplication runningApplicationWithProcessIdentifier:pid];
        return app && [app activateWithOptions:0];
    }
}

std::optional<qint32> frontmost()
{
    @autoreleasepool {
        NSRunningApplication* app = [NSWorkspace sharedWorkspace].frontmostApplication;
        if (!app)
            return std::nullopt;
        return qint32(app.processIdentifier);
    }
}

} // namespace MacApplications
