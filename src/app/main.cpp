#include "app/Resident.h"
#include "core/shell/CommandLine.h"
#include "platform/Platform.h"
#include "platform/Sleeper.h"

#include <QTextStream>
#include <cstdio>

namespace {

QStringList argumentList(int argc, char** argv)
{
    QStringList args;
    args.reserve(argc);
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}

} // namespace

int main(int argc, char** argv)
{
    const QStringList args = argumentList(argc, argv);
    if (CommandLine::isResident(args))
        return runResident(argc, argv);

    const auto accessibility = Platform::makeAccessibility();
    const auto processes = Platform::makeProcesses();
    const auto appleScript = Platform::makeAppleScript();
    const auto workspace = Platform::makeWorkspace();
    ThreadSleeper sleeper;
    const auto terminals = Platform::makeTerminals(*accessibility);
    DesktopServices desktop{*accessibility, *processes, *appleScript, *workspace, sleeper, terminals.get()};
    QTextStream out(stdout);
    return CommandLine::run(args, desktop, out);
}
