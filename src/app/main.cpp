#include "app/Resident.h"
#include "core/shell/AppSupportDirectory.h"
#include "core/shell/AppVersion.h"
#include "core/shell/CommandLine.h"
#include "core/shell/ToggleChannel.h"
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

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.value(1) == QStringLiteral("toggle")) {
        if (ToggleChannel::request(AppSupportDirectory::defaultPath()))
            return 0;
        out << "Panedeck is not running.\n";
        return 1;
    }

    const auto accessibility = Platform::makeAccessibility();
    const auto processes = Platform::makeProcesses();
    const auto appleScript = Platform::makeAppleScript();
    const auto workspace = Platform::makeWorkspace();
    ThreadSleeper sleeper;
    const auto terminals = Platform::makeTerminals(*accessibility);
    DesktopServices desktop{*accessibility, *processes, *appleScript, *workspace, sleeper, terminals.get()};
    const int status =
        CommandLine::run(args, desktop, out, err, AppVersion::current(*Platform::makeBundle()));
    // A command that found nothing to work with says why, after its own line.
    if (status != 0 && !args.value(1).startsWith(QStringLiteral("--")))
        if (const auto problem = Platform::desktopProblem())
            err << "panedeck: " << *problem << '\n';
    return status;
}
