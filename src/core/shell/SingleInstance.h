#pragma once

#include "platform/Bundle.h"
#include "platform/Workspace.h"

#include <QDateTime>
#include <QList>
#include <optional>

struct RunningInstance {
    qint32 processID = 0;
    std::optional<QDateTime> launchDate;
    bool operator==(const RunningInstance&) const = default;
};

// Two resident copies would overwrite each other's layout: the younger one yields.
namespace SingleInstance {

inline const QString logLine =
    QStringLiteral("SingleInstance: 既に起動中のインスタンスがあるためこのプロセスを終了します");
inline const QString alertTitle = QStringLiteral("Panedeck は既に起動しています");
inline const QString alertText = QStringLiteral(
    "二重に起動すると設定が上書きされて消えることがあるため、起動中のものをそのまま使用します。");

// Whether this process must quit. Of any two copies exactly one yields: the later launched one,
// and the one with the higher process id when the dates are equal or not both known.
bool shouldTerminate(const RunningInstance& own, const QList<RunningInstance>& others);

bool shouldTerminateForRunningApplications(const Bundle& bundle, Workspace& workspace, qint32 ownPid);

} // namespace SingleInstance
