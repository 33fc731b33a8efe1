#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// The running applications as AppKit knows them (NSRunningApplication, NSWorkspace).
namespace MacApplications {

struct Application {
    qint32 pid = 0;
    std::optional<QString> name;
    std::optional<QString> bundlePath;
    std::optional<QString> bundleIdentifier;
    std::optional<QDateTime> launchDate;
    bool isRegular = false;
};

QList<Application> running();
QList<Application> withIdentifier(const QString& bundleIdentifier);
bool activate(qint32 pid);
std::optional<qint32> frontmost();

} // namespace MacApplications
