#include "FakeDesktop.h"
#include "FakePlatform.h"
#include "FakeProcesses.h"
#include "core/control/SafariDiscovery.h"
#include "core/control/ScriptedWindows.h"
#include "core/control/TerminalDiscovery.h"

#include <QTest>

// Terminal and Safari windows: the exact scripts and command lines, the parsers of their outputs,
// and the verified bounds setting.
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
    DesktopServices linuxDesktop() { return {ax, processes, appleScript, workspace, sleeper, &emulators}; }

private Q_SLOTS:
    void init()
    {
        ax = FakeDesktop();
        processes = FakeProcesses();
        appleScript = RecordingScript();
        emulators = Emulators();
        sleeper.sleeps.clear();
    }

    void scriptTexts()
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
        const auto pids = TerminalDiscovery::parsePidsByTTY(lsof);
        QCOMPARE(pids.value(u"/dev/ttys001"_qs), (QList<qint64>{812, 640}));
        QCOMPARE(pids.value(u"/dev/ttys002"_qs), QList<qint64>{640});
        QCOMPARE(pids.size(), 2);
        const auto cwd =
            TerminalDiscovery::parseCwdByPID(u"p640\nn/work/proj\nn/work/other\np7\nfcwd\nn/a b|c\n"_qs);
        QCOMPARE(cwd, (QHash<qint64, QString>{{640, u"/work/proj"_qs}, {7, u"/a b|c"_qs}}));

        QCOMPARE(ScriptedWindows::parseBounds(u"10,25,810,625\n"_qs), QRectF(10, 25, 800, 600));
        QCOMPARE(ScriptedWindows::parseBounds(u"-1.5,,x,2,3,4"_qs), QRectF(-1.5, 2, 4.5, 2));
        QCOMPARE(ScriptedWindows::parseBounds(u"10,25,810"_qs), std::nullopt);
        QCOMPARE(ScriptedWindows::parseBounds(u"10, 25,810,625"_qs), std::nullopt); // " 25" is no number
        QCOMPARE(ScriptedWindows::parseBounds(u"nan,1,2,3"_qs), std::nullopt);
    }

    void terminalListing()
    {
        QVERIFY(TerminalDiscovery::listWindows(*std::make_unique<DesktopServices>(desktop())).isEmpty());
        QVERIFY(processes.calls.isEmpty()); // Terminal not running: nothing is run

        ax.addApplication(TerminalDiscovery::terminalBundleID, 300, {});
        processes.output = [](const QString& exe, const QStringList& args) -> std::optional<QString> {
            if (exe == u"/usr/bin/osascript"_qs)
                return u"5|/dev/ttys001|api — zsh\n6|/dev/ttys001|api 2\n7|/dev/ttys009|idle\n"_qs;
            if (args.first() == u"-F"_qs)
                return u"p812\nn/dev/ttys001\np640\nn/dev/ttys001\np900\nn/dev/ttys009\n"_qs;
            return u"p640\nn/work/api\n"_qs; // 900 has no readable folder
        };
        auto services = desktop();
        const QList<AppWindow> windows = TerminalDiscovery::listWindows(services);
        QCOMPARE(windows.size(), 3);
        QCOMPARE(windows[0].title, u"api — zsh"_qs);
        QCOMPARE(windows[0].folderPath, u"/work/api"_qs);
        QCOMPARE(windows[1].folderPath, u"/work/api"_qs); // same device, same folder
        QCOMPARE(windows[2].folderPath, std::nullopt);
        QCOMPARE(windows[0].pid, 300);
        QCOMPARE(windows[1].terminalWindowID, 6);
        QCOMPARE(windows[0].kind, WindowKind::terminal);
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
        processes.output = [](const QString&, const QStringList&) {
            return std::optional<QString>(QString());
        };
        QVERIFY(TerminalDiscovery::listWindows(services).isEmpty());
        QCOMPARE(processes.calls.size(), 1);
    }

    void safariListing()
    {
        ax.addApplication(SafariDiscovery::safariBundleID, 77, {});
        processes.output = [](const QString&, const QStringList&) {
            return std::optional<QString>(u"1\tDocs\thttps://a.dev/x\n2\tNew Tab\t\n"_qs);
        };
        auto services = desktop();
        const QList<AppWindow> windows = SafariDiscovery::listWindows(services);
        QCOMPARE(windows.size(), 2);
        QCOMPARE(windows[0].folderPath, u"https://a.dev/x"_qs);
        QCOMPARE(windows[1].folderPath, std::nullopt);
        QCOMPARE(windows[1].safariWindowID, 2);
        QCOMPARE(windows[0].pid, 77);
    }

    void settingBounds_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<double>("off");
        QTest::addColumn<int>("runs");
        QTest::addColumn<bool>("settled");
        QTest::newRow("terminal 15 off") << true << 15.0 << 1 << true;
        QTest::newRow("terminal 16 off") << true << 16.0 << 4 << false;
        QTest::newRow("browser 5 off") << false << 5.0 << 1 << true;
        QTest::newRow("browser 6 off") << false << 6.0 << 4 << false;
    }

    // On Linux the terminal emulators' windows are placed by the same rule: the same tolerance and
    // attempts, each given 0.08 s to settle; nothing goes through osascript.
    void emulatorWindows_data()
    {
        QTest::addColumn<double>("off");
        QTest::addColumn<int>("runs");
        QTest::addColumn<bool>("settled");
        QTest::newRow("15 off") << 15.0 << 1 << true;
        QTest::newRow("16 off") << 16.0 << 4 << false;
    }
    void emulatorWindows()
    {
        QFETCH(double, off);
        QFETCH(int, runs);
        QFETCH(bool, settled);
        emulators.off = off;
        const QRectF target(10, 20, 800, 600);
        if (!settled)
            QTest::ignoreMessage(
                QtInfoMsg, "TerminalDiscovery: failed to settle window 9 at (10.0, 20.0, 800.0, 600.0)");
        auto services = linuxDesktop();
        QCOMPARE(TerminalDiscovery::setBounds(services, 9, target), settled);
        QCOMPARE(emulators.requested, QList<QRectF>(runs, target));
        QCOMPARE(sleeper.sleeps, QList<double>(runs, 0.08));

        emulators.listed = {{77, 4242, u"me@box: ~/p"_qs, u"/home/me/p"_qs},
                            {78, 4242, u"htop"_qs, std::nullopt}};
        const QList<AppWindow> windows = TerminalDiscovery::listWindows(services);
        QCOMPARE(windows.size(), 2);
        QCOMPARE(windows[0].kind, WindowKind::terminal);
        QCOMPARE(windows[0].title, u"me@box: ~/p"_qs);
        QCOMPARE(windows[0].folderPath, u"/home/me/p"_qs);
        QCOMPARE(windows[0].pid, 4242);
        QCOMPARE(windows[0].terminalWindowID, 77);
        QCOMPARE(windows[1].folderPath, std::nullopt);
        TerminalDiscovery::raise(services, 78);
        QCOMPARE(emulators.raised, QList<qint64>{78});
        QVERIFY(processes.calls.isEmpty() && appleScript.sources.isEmpty());
    }
    void settingBounds()
    {
        QFETCH(bool, terminal);
        QFETCH(double, off);
        QFETCH(int, runs);
        QFETCH(bool, settled);
        // The window always lands `off` points too far right.
        processes.output = [off](const QString&, const QStringList&) {
            return std::optional<QString>(QStringLiteral("%1,20,%2,620\n").arg(10 + off).arg(810 + off));
        };
        const QRectF target(10, 20, 800, 600);
        if (!settled)
            QTest::ignoreMessage(
                QtInfoMsg, terminal
                               ? "TerminalDiscovery: failed to settle window 9 at (10.0, 20.0, 800.0, 600.0)"
                               : "SafariDiscovery: failed to settle window 9 at (10.0, 20.0, 800.0, 600.0)");
        auto services = desktop();
        QCOMPARE(terminal ? TerminalDiscovery::setBounds(services, 9, target)
                          : SafariDiscovery::setBounds(services, 9, target),
                 settled);
        QCOMPARE(processes.calls.size(), runs);
    }

    void boundsFailuresStopAtOnce()
    {
        auto services = desktop();
        QVERIFY(!TerminalDiscovery::setBounds(services, 1, QRectF(0, 0, 10, 10))); // osascript gave nothing
        QCOMPARE(processes.calls.size(), 1);
        processes.output = [](const QString&, const QStringList&) {
            return std::optional<QString>(u"garbage"_qs);
        };
        QVERIFY(!SafariDiscovery::setBounds(services, 1, QRectF(0, 0, 10, 10)));
        QCOMPARE(processes.calls.size(), 2);
        QVERIFY(!SafariDiscovery::setBounds(services, 1, QRectF(qInf(), 0, 10, 10))); // nothing to send
        QCOMPARE(processes.calls.size(), 2);
        QCOMPARE(SafariDiscovery::currentBounds(services, 1), std::nullopt);
    }

    void raising()
    {
        auto services = desktop();
        TerminalDiscovery::raise(services, 5);
        QCOMPARE(appleScript.sources, QStringList{ScriptedWindows::raiseScript(u"Terminal"_qs, 5)});
        appleScript.error = u"Not authorised to send Apple events to Safari."_qs;
        QTest::ignoreMessage(QtInfoMsg,
                             "SafariDiscovery script error: Not authorised to send Apple events to Safari.");
        SafariDiscovery::raise(services, 8);
        QVERIFY(processes.calls.isEmpty()); // raising runs in process
    }
};

QTEST_GUILESS_MAIN(ScriptedWindowsTest)
#include "tst_scriptedwindows.moc"
