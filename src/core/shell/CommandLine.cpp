#include "core/shell/CommandLine.h"

#include "core/control/Launcher.h"
#include "core/control/SafariDiscovery.h"
#include "core/control/TerminalDiscovery.h"
#include "core/text/Text.h"
#include "core/windows/WindowDiscovery.h"

namespace CommandLine {
namespace {

// Whatever a title or name holds, it prints on one line: line breaks and the other control
// characters (and the Unicode line and paragraph separators) become blanks.
QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
    }
    return text;
}

int listWindows(WindowDiscovery& discovery, QTextStream& out)
{
    if (!discovery.isTrusted(true)) {
        out << QStringLiteral("アクセシビリティ権限がありません。システム設定で許可してください。") << '\n';
        return 1;
    }
    for (const AppWindow& window : discovery.listWindows())
        out << '[' << oneLine(window.projectName.value_or(QStringLiteral("?"))) << "] "
            << oneLine(window.title) << '\n';
    return 0;
}

int raise(const QStringList& args, WindowDiscovery& discovery, QTextStream& out)
{
    if (args.size() < 3) {
        out << "usage: raise <projectName>\n";
        return 1;
    }
    const QString& wanted = args[2];
    for (const AppWindow& window : discovery.listWindows()) {
        if (window.projectName && Text::equal(*window.projectName, wanted)) {
            discovery.raise(window);
            out << "raised: " << oneLine(window.title) << '\n';
            return 0;
        }
    }
    out << "not found: " << oneLine(wanted) << '\n';
    return 0;
}

int openFinder(const QStringList& args, DesktopServices& desktop, QTextStream& out)
{
    if (args.size() < 3) {
        out << "usage: open-finder <folderPath>\n";
        return 1;
    }
    FinderController::raiseOrOpen(desktop.workspace, args[2]);
    return 0;
}

int printWindows(const QList<AppWindow>& windows, QTextStream& out)
{
    for (const AppWindow& window : windows)
        out << '[' << oneLine(window.folderPath.value_or(QStringLiteral("?"))) << "] "
            << oneLine(window.title) << '\n';
    return 0;
}

} // namespace

QString usage()
{
    return QStringLiteral("usage: panedeck [command]\n"
                          "  (none)                  run the resident application (the panel)\n"
                          "  toggle                  show the running copy's panel, or hide it\n"
                          "  list-windows            list the editor windows\n"
                          "  raise <projectName>     bring a project's editor window forward\n"
                          "  open-finder <folder>    show a folder in the file manager\n"
                          "  list-terminals          list the terminal windows\n"
                          "  list-safari             list the browser windows\n"
                          "  --help                  show this text\n"
                          "  --version               show the version\n");
}

bool isResident(const QStringList& args)
{
    return args.size() < 2;
}

int run(const QStringList& args, DesktopServices& desktop, QTextStream& out, QTextStream& err,
        const QString& version)
{
    const QString command = args.value(1);
    if (command == QStringLiteral("--help")) {
        out << usage();
        out.flush();
        return 0;
    }
    if (command == QStringLiteral("--version")) {
        out << "Panedeck " << version << '\n';
        out.flush();
        return 0;
    }
    WindowDiscovery discovery(desktop.accessibility, desktop.sleeper);
    int status = 1;
    if (Text::equal(command, QStringLiteral("list-windows")))
        status = listWindows(discovery, out);
    else if (Text::equal(command, QStringLiteral("raise")))
        status = raise(args, discovery, out);
    else if (Text::equal(command, QStringLiteral("open-finder")))
        status = openFinder(args, desktop, out);
    else if (Text::equal(command, QStringLiteral("list-terminals")))
        status = printWindows(TerminalDiscovery::listWindows(desktop), out);
    else if (Text::equal(command, QStringLiteral("list-safari")))
        status = printWindows(SafariDiscovery::listWindows(desktop), out);
    else {
        out << "unknown command: " << oneLine(command) << '\n';
        out.flush();
        err << usage();
        err.flush();
    }
    out.flush();
    return status;
}

} // namespace CommandLine
