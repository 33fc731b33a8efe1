#include "core/shell/SingleInstance.h"

namespace SingleInstance {

bool shouldTerminate(const RunningInstance& own, const QList<RunningInstance>& others)
{
    for (const RunningInstance& other : others) {
        const bool datesDecide = own.launchDate && other.launchDate && *own.launchDate != *other.launchDate;
        const bool yields =
            datesDecide ? *other.launchDate < *own.launchDate : other.processID < own.processID;
        if (yields)
            return true;
    }
    return false;
}

bool shouldTerminateForRunningApplications(const Bundle& bundle, Workspace& workspace, qint32 ownPid)
{
    const auto identifier = bundle.bundleIdentifier();
    if (!identifier)
        return false;
    RunningInstance own{ownPid, std::nullopt};
    QList<RunningInstance> others;
    for (const RunningProcess& process : workspace.runningProcesses(*identifier)) {
        if (process.pid == ownPid)
            own.launchDate = process.launchDate;
        else
            others.append({process.pid, process.launchDate});
    }
    return shouldTerminate(own, others);
}

} // namespace SingleInstance
