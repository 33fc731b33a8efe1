#include "FakeDesktop.h"
#include "FakePlatform.h"
#include "FakeProcesses.h"
#include "core/control/Launcher.h"
#include "core/control/SafariDiscovery.h"
#include "core/control/ScriptedWindows.h"
#include "core/control/TerminalDiscovery.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
// "kind|title|folder|pid|T<Terminal window id> or S<Safari window id>", "-" for what is absent.
QStringList describe(const QList<AppWindow>& windows)
{
    QStringList lines;
    for (const AppWindow& w : windows) {
        const QString id = w.terminalWindowID ? u'T' + QString::number(*w.terminalWindowID)
                           : w.safariWindowID ? u'S' + QString::number(*w.safariWindowID)
                                              : u"-"_qs;
        lines.append(QStringList{rawValue(w.kind), w.title, w.folderPath.value_or(u"-"_qs), QString::number(w.pid), id}
                         .join(u'|'));
    }
    return lines;
}
} // namespace

// Terminal and Safari windows: the exact scripts and command lines, the parsers of their outputs, and
// the verified bounds setting. What is opened with which arguments, which addresses are accepted, and
// how servers are completed.
class ScriptedWindowsTest : public QObject {
    Q_OBJECT

    FakeDesktop ax;
    FakeProcesses processes;
    FakeSleeper sleeper;
    FakeWorkspace workspace;

    struct RecordingScript final : AppleScript {
        QStringList sources;
        std::optional<QString> error;
        Outcome run(const QString& source) override
        {
            sources.append(source);
            return {true, error};
        }
    } appleScript;

    // The terminal emulators of a Linux desktop: each request lands `off` points too far right.
    struct Emulators final : Terminals {
        QList<TerminalWindow> listed;
        QList<qint64> raised;
        QList<QRectF> requested;
        double off = 0;
        QList<TerminalWindow> windows() override { return listed; }
        void raise(qint64 id, bool) override { raised.append(id); }
        std::optional<QRectF> frame(qint64) override
        {
            return requested.isEmpty() ? std::nullopt : std::optional(requested.last().translated(off, 0));
        }
        void requestFrame(qint64, const QRectF& frame) override { requested.append(frame); }
    } emulators;

    DesktopServices desktop() { return {ax, processes, appleScript, workspace, sleeper}; }

private Q_SLOTS:
    void init()
    {
        ax = FakeDesktop();
        processes = FakeProcesses();
        appleScript = RecordingScript();
        workspace = FakeWorkspace();
        emulators = Emulators();
        sleeper.sleeps.clear();
    }

    void scriptsAndRaising()
    {
        QCOMPARE(
            TerminalDiscovery::listingScript(),
            u"tell application \"Terminal\"\n    set out to \"\"\n    repeat with w in windows\n        try\n"
            u"            set out to out & (id of w) & \"|\" & (tty of selected tab of w) & \"|\" & (name of "
            u"w) & linefeed\n"
            u"        end try\n    end repeat\n    return out\nend tell"_qs);
        QCOMPARE(
            SafariDiscovery::listingScript(),
            u"tell application \"Safari\"\n    set out to \"\"\n    repeat with w in windows\n        try\n"
            u"            set out to out & (id of w) & tab & (name of w) & tab & (URL of current tab of w) & "
            u"linefeed\n"
            u"        end try\n    end repeat\n    return out\nend tell"_qs);
        QCOMPARE(ScriptedWindows::readBoundsScript(u"Terminal"_qs, 42),
                 u"tell application \"Terminal\"\n    set b to bounds of window id 42\n"
                 u"    return (item 1 of b as text) & \",\" & ¬\n        (item 2 of b as text) & \",\" & ¬\n"
                 u"        (item 3 of b as text) & \",\" & ¬\n        (item 4 of b as text)\nend tell"_qs);
        QCOMPARE(ScriptedWindows::setBoundsScript(u"Safari"_qs, -7, QRectF(10.9, -20.5, 800.2, 600)),
                 u"tell application \"Safari\"\n    set bounds of window id -7 to {10, -20, 811, 579}\n    "
                 u"delay 0.08\n"
                 u"    set actualBounds to bounds of window id -7\n"
                 u"    return (item 1 of actualBounds as text) & \",\" & ¬\n"
                 u"        (item 2 of actualBounds as text) & \",\" & ¬\n"
                 u"        (item 3 of actualBounds as text) & \",\" & ¬\n"
                 u"        (item 4 of actualBounds as text)\nend tell"_qs);
        QCOMPARE(
            ScriptedWindows::raiseScript(u"Terminal"_qs, 3),
            u"tell application \"Terminal\"\n    try\n        set index of window id 3 to 1\n    end try\n"
            u"    activate\nend tell"_qs);

        auto services = desktop();
        TerminalDiscovery::raise(services, 5);
        QCOMPARE(appleScript.sources, QStringList{ScriptedWindows::raiseScript(u"Terminal"_qs, 5)});
        appleScript.error = u"Not authorised to send Apple events to Safari."_qs;
        QTest::ignoreMessage(QtInfoMsg, "SafariDiscovery script error: Not authorised to send Apple events to Safari.");
        SafariDiscovery::raise(services, 8);
        QVERIFY(processes.calls.isEmpty()); // raising runs in process
    }

    void parsers()
    {
        using TW = TerminalDiscovery::WindowInfo;
        QCOMPARE(TerminalDiscovery::parseWindowList(u"12|/dev/ttys001|zsh | make | tee\n\nabc|/dev/x|n\n"
                                                    u"-4|/dev/ttys002|\n7|only one\n 8|/dev/y|n\n+9||\n"_qs),
                 (QList<TW>{{12, u"/dev/ttys001"_qs, u"zsh | make | tee"_qs},
                            {-4, u"/dev/ttys002"_qs, QString()},
                            {9, QString(), QString()}}));
        using SW = SafariDiscovery::WindowInfo;
        QCOMPARE(SafariDiscovery::parseWindowList(
                     u"1\tDocs\thttps://a.dev\n2\tBlank\t\n3\ta\tb\tc\n\tx\ty\nz\tx\ty\n"_qs),
                 (QList<SW>{{1, u"Docs"_qs, u"https://a.dev"_qs}, {2, u"Blank"_qs, QString()}}));

        const QString lsof =
            u"n/dev/early\np812\nn/dev/ttys001\np640\nn/dev/ttys001\nn/dev/ttys002\npxyz\nn/dev/lost\n"
            u"f4\np99999999999999999999\nn/dev/overflow\n"_qs;
        QCOMPARE(TerminalDiscovery::parsePidsByTTY(lsof),
                 (QHash<QString, QList<qint64>>{{u"/dev/ttys001"_qs, {812, 640}}, {u"/dev/ttys002"_qs, {640}}}));
        QCOMPARE(TerminalDiscovery::parseCwdByPID(u"p640\nn/work/proj\nn/work/other\np7\nfcwd\nn/a b|c\n"_qs),
                 (QHash<qint64, QString>{{640, u"/work/proj"_qs}, {7, u"/a b|c"_qs}}));

        QCOMPARE(ScriptedWindows::parseBounds(u"10,25,810,625\n"_qs), QRectF(10, 25, 800, 600));
        QCOMPARE(ScriptedWindows::parseBounds(u"-1.5,,x,2,3,4"_qs), QRectF(-1.5, 2, 4.5, 2));
        QCOMPARE(ScriptedWindows::parseBounds(u"10,25,810"_qs), std::nullopt);
        QCOMPARE(ScriptedWindows::parseBounds(u"10, 25,810,625"_qs), std::nullopt); // " 25" is no number
        QCOMPARE(ScriptedWindows::parseBounds(u"nan,1,2,3"_qs), std::nullopt);
    }

    void listings()
    {
        auto services = desktop();
        QVERIFY(TerminalDiscovery::listWindows(services).isEmpty());
        QVERIFY(processes.calls.isEmpty()); // Terminal not running: nothing is run

        ax.addApplication(TerminalDiscovery::terminalBundleID, 300, {});
        processes.output = [](const QString& exe, const QStringList& args) -> std::optional<QString> {
            if (exe == u"/usr/bin/osascript"_qs)
                return u"5|/dev/ttys001|api — zsh\n6|/dev/ttys001|api 2\n7|/dev/ttys009|idle\n"_qs;
            if (args.first() == u"-F"_qs)
                return u"p812\nn/dev/ttys001\np640\nn/dev/ttys001\np900\nn/dev/ttys009\n"_qs;
            return u"p640\nn/work/api\n"_qs; // 900 has no readable folder
        };
        QCOMPARE(describe(TerminalDiscovery::listWindows(services)),
                 (QStringList{u"terminal|api — zsh|/work/api|300|T5"_qs, u"terminal|api 2|/work/api|300|T6"_qs,
                              u"terminal|idle|-|300|T7"_qs}));
        QCOMPARE(processes.calls.size(), 3);
        QCOMPARE(processes.calls[0].arguments, (QStringList{u"-e"_qs, TerminalDiscovery::listingScript()}));
        QCOMPARE(processes.calls[1].executable, u"/usr/sbin/lsof"_qs);
        QCOMPARE(processes.calls[1].arguments, (QStringList{u"-F"_qs, u"pn"_qs, u"/dev/ttys001"_qs,
                                                            u"/dev/ttys001"_qs, u"/dev/ttys009"_qs}));
        QStringList second = processes.calls[2].arguments;
        QStringList ids = second.takeAt(2).split(u','); // the smallest id per device, in any order
        std::sort(ids.begin(), ids.end());
        QCOMPARE(ids, (QStringList{u"640"_qs, u"900"_qs}));
        QCOMPARE(second, (QStringList{u"-a"_qs, u"-p"_qs, u"-d"_qs, u"cwd"_qs, u"-Fn"_qs}));
        // An empty listing runs no lsof.
        processes.calls.clear();
        processes.output = [](const QString&, const QStringList&) { return std::optional<QString>(QString()); };
        QVERIFY(TerminalDiscovery::listWindows(services).isEmpty());
        QCOMPARE(processes.calls.size(), 1);

        // On Linux the terminal emulators' windows are the desktop's Terminals service's, raised by it.
        emulators.listed = {{77, 4242, u"me@box: ~/p"_qs, u"/home/me/p"_qs}, {78, 4242, u"htop"_qs, std::nullopt}};
        DesktopServices onLinux{ax, processes, appleScript, workspace, sleeper, &emulators};
        QCOMPARE(describe(TerminalDiscovery::listWindows(onLinux)),
                 (QStringList{u"terminal|me@box: ~/p|/home/me/p|4242|T77"_qs, u"terminal|htop|-|4242|T78"_qs}));
        TerminalDiscovery::raise(onLinux, 78);
        QCOMPARE(emulators.raised, QList<qint64>{78});
        QVERIFY(processes.calls.size() == 1 && appleScript.sources.isEmpty()); // only the earlier listing

        // Safari's windows and their pages.
        ax.addApplication(SafariDiscovery::safariBundleID, 77, {});
        processes.output = [](const QString&, const QStringList&) {
            return std::optional<QString>(u"1\tDocs\thttps://a.dev/x\n2\tNew Tab\t\n"_qs);
        };
        QCOMPARE(describe(SafariDiscovery::listWindows(services)),
                 (QStringList{u"safari|Docs|https://a.dev/x|77|S1"_qs, u"safari|New Tab|-|77|S2"_qs}));
    }

    // Terminal (16 points), Safari (6 points) and, on Linux, the terminal emulators (16 points, each
    // request given 0.08 s to settle, nothing through osascript) are placed by one rule: up to four
    // attempts until the window lands within the tolerance.
    void settingBounds()
    {
        const QList<std::tuple<QString, double, int>> rows{
            {u"Terminal"_qs, 15.0, 1}, {u"Terminal"_qs, 16.0, 4}, {u"Safari"_qs, 5.0, 1},
            {u"Safari"_qs, 6.0, 4},    {u"emulator"_qs, 15.0, 1}, {u"emulator"_qs, 16.0, 4}};
        for (const auto& [kind, off, runs] : rows) {
            init();
            const bool emulator = kind == u"emulator"_qs, settled = runs == 1;
            emulators.off = off;
            processes.output = [off](const QString&, const QStringList&) {
                return std::optional<QString>(QStringLiteral("%1,20,%2,620\n").arg(10 + off).arg(810 + off));
            };
            const QRectF target(10, 20, 800, 600);
            if (!settled)
                QTest::ignoreMessage(QtInfoMsg, qPrintable((kind == u"Safari"_qs ? u"Safari"_qs : u"Terminal"_qs) +
                                                           u"Discovery: failed to settle window 9 at "
                                                           u"(10.0, 20.0, 800.0, 600.0)"_qs));
            DesktopServices services{ax, processes, appleScript, workspace, sleeper, emulator ? &emulators : nullptr};
            QCOMPARE(kind == u"Safari"_qs ? SafariDiscovery::setBounds(services, 9, target)
                                          : TerminalDiscovery::setBounds(services, 9, target),
                     settled);
            QCOMPARE(processes.calls.size(), emulator ? 0 : runs);
            QCOMPARE(emulators.requested, emulator ? QList<QRectF>(runs, target) : QList<QRectF>());
            if (emulator)
                QCOMPARE(sleeper.sleeps, QList<double>(runs, 0.08));
        }

        // A failure to place or read stops at once.
        init();
        auto services = desktop();
        QVERIFY(!TerminalDiscovery::setBounds(services, 1, QRectF(0, 0, 10, 10))); // osascript gave nothing
        QCOMPARE(processes.calls.size(), 1);
        processes.output = [](const QString&, const QStringList&) { return std::optional<QString>(u"garbage"_qs); };
        QVERIFY(!SafariDiscovery::setBounds(services, 1, QRectF(0, 0, 10, 10)));
        QCOMPARE(processes.calls.size(), 2);
        QVERIFY(!SafariDiscovery::setBounds(services, 1, QRectF(qInf(), 0, 10, 10))); // nothing to send
        QCOMPARE(processes.calls.size(), 2);
        QCOMPARE(SafariDiscovery::currentBounds(services, 1), std::nullopt);
    }

    void openingAndAddresses()
    {
        QVERIFY(Launcher::openInVSCode(processes, QString()));
        QVERIFY(Launcher::openInVSCode(processes, u"~/src/a b"_qs));
        QVERIFY(Launcher::openInTerminal(processes, u"-rf"_qs));
        QVERIFY(Launcher::openInSafari(processes, u"HTTPS://example.com/x?q=1"_qs));
        QVERIFY(!Launcher::openInSafari(processes, u" https://example.com"_qs)); // not started at all
        QVERIFY(Launcher::openInBrowser(processes, u"not checked"_qs, u"chrome"_qs));
        QVERIFY(Launcher::openInBrowser(processes, u"http://x"_qs, u"Chrome"_qs));
        QList<QStringList> arguments;
        for (const auto& call : processes.calls) {
            QCOMPARE(call.executable, u"/usr/bin/open"_qs);
            arguments.append(call.arguments);
        }
        QCOMPARE(arguments, (QList<QStringList>{
                                {u"-b"_qs, u"com.microsoft.VSCode"_qs},
                                {u"-b"_qs, u"com.microsoft.VSCode"_qs, u"~/src/a b"_qs},
                                {u"-a"_qs, u"Terminal"_qs, u"-rf"_qs},
                                {u"-a"_qs, u"Safari"_qs, u"HTTPS://example.com/x?q=1"_qs},
                                {u"-a"_qs, u"Google Chrome"_qs, u"not checked"_qs},
                                {u"-a"_qs, u"Safari"_qs, u"http://x"_qs},
                            }));

        processes.exitStatus = 1;
        QVERIFY(!Launcher::openInBrowser(processes, u"http://x"_qs, u"safari"_qs));
        processes.exitStatus = std::nullopt;
        QVERIFY(!Launcher::openInBrowser(processes, u"http://x"_qs, u"safari"_qs));
        processes.startSucceeds = false;
        QTest::ignoreMessage(QtInfoMsg, "Launcher open failed: no such file");
        QVERIFY(!Launcher::openInVSCode(processes, u"/x"_qs));

        for (const char* good : {"HTTP://Example.com", "https://localhost:3000/path"})
            QVERIFY2(Launcher::validateURL(QString::fromUtf8(good)), good);
        for (const char* bad :
             {"ftp://example.com", "file:///etc", "http://", "example.com", "https://exa mple.com", " https://a.com"})
            QVERIFY2(!Launcher::validateURL(QString::fromUtf8(bad)), bad);

        QCOMPARE(Launcher::buildServerURL(u" \tlocalhost:3000 "_qs), u"http://localhost:3000"_qs);
        QCOMPARE(Launcher::buildServerURL(u"HTTPS://Box:8443"_qs), u"HTTPS://Box:8443"_qs);
        QCOMPARE(Launcher::buildServerURL(u"  "_qs), u"http://"_qs);
        QCOMPARE(Launcher::buildServerURL(u"host:1\n"_qs), u"http://host:1\n"_qs);
    }

    void applicationsAndFolders()
    {
        QTemporaryDir dir;
        QVERIFY(!Launcher::openApplication(workspace, QString()));
        QVERIFY(!Launcher::openApplication(workspace, dir.filePath(u"Missing.app"_qs)));
        QVERIFY(workspace.opened.isEmpty());
        QVERIFY(Launcher::openApplication(workspace, dir.path()));
        workspace.openResult = false; // a later refusal is only logged
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^Launcher openApplication failed: "_qs));
        QVERIFY(Launcher::openApplication(workspace, dir.path()));

        workspace.opened.clear();
        QVERIFY(!FinderController::raiseOrOpen(workspace, QString()));
        QVERIFY(!FinderController::raiseOrOpen(workspace, u"/a/x/../y/./"_qs)); // the workspace's answer
        workspace.openResult = true;
        QVERIFY(FinderController::raiseOrOpen(workspace, u"-rf"_qs));
        QCOMPARE(workspace.opened, (QStringList{u"/a/y"_qs, QDir::currentPath() + u"/-rf"_qs}));
    }
};

QTEST_GUILESS_MAIN(ScriptedWindowsTest)
#include "tst_scriptedwindows.moc"
