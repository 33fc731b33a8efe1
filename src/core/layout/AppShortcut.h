#pragma once

#include "core/layout/Layout.h"
#include "platform/Bundle.h"
#include "platform/Workspace.h"

#include <QList>

// One running application offered as an application shortcut.
struct RunningAppInfo {
    QString name;
    std::optional<QString> path;
    std::optional<QString> bundleID;
    bool isRegular = false;
    bool operator==(const RunningAppInfo&) const = default;
};

// Application shortcuts: validating a typed or picked bundle path, and the running applications
// offered as candidates.
namespace AppShortcut {

// An entry for an existing application bundle folder (".app", any letter case); absent otherwise.
std::optional<ShortcutEntry> entry(const QString& target, const QString& name);

// Regular applications with a path, the excluded bundle left out, one per path, by name in the
// order a file manager uses (case-insensitive, digits by value).
QList<RunningAppInfo> candidates(const QList<RunningAppInfo>& list,
                                 const std::optional<QString>& excludingBundleID);

QList<RunningAppInfo> runningCandidates(Workspace& workspace, const Bundle& bundle);

} // namespace AppShortcut
