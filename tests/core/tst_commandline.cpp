#include "FakeDesktop.h"
#include "FakePlatform.h"
#include "FakeProcesses.h"
#include "core/shell/CommandLine.h"
#include "core/windows/WindowDiscovery.h"

#include <QTest>

// The sub-command dispatcher: words, messages, statuses and what is raised.
class CommandLineTest : public QObject {
    Q_OBJECT

    FakeDesktop desktop;
    FakeSleeper sleeper;
    FakeProcesses processes;
    NoAppleScript appleScript;
    FakeWorkspace workspace;

    struct Outcome {
        int status;
        QString output;
        QString errors;
    };
    Outcome run(QStringList args)
    {
        args.prepend(u"/usr/bin/panedeck"_qs);
        QString text, errorText;
        QTextStream out(&text), err(&errorText);
        DesktopServices services{desktop, processes, appleScript, workspace, sleeper};
        const int status = CommandLine::run(args, services, out, err, u"0.1.0 (7) · 2026-12-07"_qs);
        return {status, text, errorText};
    }
    void addEditor(qint32 pid, const QStringList& titles)
    {
        QList<int> ids;
        for (const QString& title : titles)
            ids.append(desktop.addWindow({.title = title}));
        desktop.addApplication(WindowDiscovery::vscodeBundleID, pid, ids);
    }

private Q_SLOTS:
    void init()
    {
        desktop = FakeDesktop();
        processes = FakeProcesses();
        workspace = FakeWorkspace();
    }

    void residentOnlyWithoutArguments()
    {
        QVERIFY(CommandLine::isResident({u"panedeck"_qs}));
        QVERIFY(CommandLine::isResident({}));
        QVERIFY(!CommandLine::isResident({u"panedeck"_qs, QString()}));
    }

    void unknownWords_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("output");
        QTest::newRow("empty word") << QStringList{QString()} << u"unknown command: \n"_qs;
        QTest::newRow("other word") << QStringList{u"help"_qs, u"x"_qs} << u"unknown command: help\n"_qs;
        QTest::newRow("case differs")
            << QStringList{u"List-Windows"_qs} << u"unknown command: List-Windows\n"_qs;
        QTest::newRow("later sub-command not yet here")
            << QStringList{u"list-tabs"_qs} << u"unknown command: list-tabs\n"_qs;
    }
    void unknownWords()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, output);
        const Outcome outcome = run(args);
        QCOMPARE(outcome.output, output);
        QCOMPARE(outcome.status, 1);
        QVERIFY(outcome.errors.startsWith(u"usage: panedeck [command]\n"_qs));
        QVERIFY(desktop.calls.isEmpty());
    }

    // The command line explains itself: the usage on standard output for --help, the version line.
    void helpAndVersion()
    {
        const Outcome help = run({u"--help"_qs});
        QCOMPARE(help.status, 0);
        QCOMPARE(help.output, u"usage: panedeck [command]\n"
                              u"  (none)                  run the resident application (the panel)\n"
                              u"  toggle                  show the running copy's panel, or hide it\n"
                              u"  list-windows            list the editor windows\n"
                              u"  raise <projectName>     bring a project's editor window forward\n"
                              u"  open-finder <folder>    show a folder in the file manager\n"
                              u"  list-terminals          list the terminal windows\n"
                              u"  list-safari             list the browser windows\n"
                              u"  --help                  show this text\n"
                              u"  --version               show the version\n"_qs);
        QCOMPARE(help.errors, QString());
        const Outcome version = run({u"--version"_qs});
        QCOMPARE(version.status, 0);
        QCOMPARE(version.output, u"Panedeck 0.1.0 (7) · 2026-12-07\n"_qs);
        QVERIFY(desktop.calls.isEmpty());
    }

    void listWindows()
    {
        addEditor(3, {u"a.cpp — alpha — Visual Studio Code"_qs, u"Visual Studio Code"_qs});
        addEditor(4, {u"● beta [SSH: h] — Visual Studio Code"_qs});
        // One line per window, whatever a title holds.
        addEditor(5, {u"x\n[forged] y\r\t\u0085\u2028 — z\u2029z — Visual Studio Code"_qs});
        const Outcome outcome = run({u"list-windows"_qs, u"ignored"_qs});
        QCOMPARE(outcome.status, 0);
        QCOMPARE(outcome.output, u"[alpha] a.cpp — alpha — Visual Studio Code\n"
                                 u"[?] Visual Studio Code\n"
                                 u"[beta] ● beta [SSH: h] — Visual Studio Code\n"
                                 u"[z z] x [forged] y     — z z — Visual Studio Code\n"_qs);
        QCOMPARE(desktop.trustPrompts, QList<bool>{true});
    }

    void listWindowsEmptyAndUntrusted()
    {
        Outcome outcome = run({u"list-windows"_qs});
        QCOMPARE(outcome.status, 0);
        QCOMPARE(outcome.output, QString());

        addEditor(3, {u"alpha — Visual Studio Code"_qs});
        desktop.trusted = false;
        desktop.calls.clear();
        outcome = run({u"list-windows"_qs});
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.output, u"アクセシビリティ権限がありません。システム設定で許可してください。\n"_qs);
        QVERIFY(desktop.callsMatching(u"running"_qs).isEmpty());
    }

    void raiseFirstExactMatch()
    {
        addEditor(3, {u"x — other — Visual Studio Code"_qs, u"a — proj — Visual Studio Code"_qs});
        addEditor(4, {u"b — proj — Visual Studio Code"_qs});
        const Outcome outcome = run({u"raise"_qs, u"proj"_qs, u"extra"_qs});
        QCOMPARE(outcome.output, u"raised: a — proj — Visual Studio Code\n"_qs);
        QCOMPARE(outcome.status, 0);
        QCOMPARE(desktop.callsMatching(u"perform"_qs), QStringList{u"perform w2 AXRaise"_qs});
        QCOMPARE(desktop.callsMatching(u"activate"_qs), QStringList{u"activate 3"_qs});
        QVERIFY(desktop.trustPrompts.isEmpty()); // raise never asks for access
    }

    void raiseMatchesCanonicallyEquivalentNames()
    {
        addEditor(3, {u"Caf\u00e9 — Visual Studio Code"_qs});
        const Outcome outcome = run({u"raise"_qs, u"Cafe\u0301"_qs});
        QCOMPARE(outcome.output, u"raised: Caf\u00e9 — Visual Studio Code\n"_qs);
    }

    void raiseWithoutMatch_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("output");
        QTest::addColumn<int>("status");
        QTest::newRow("letter case") << QStringList{u"raise"_qs, u"PROJ"_qs} << u"not found: PROJ\n"_qs << 0;
        QTest::newRow("no name") << QStringList{u"raise"_qs} << u"usage: raise <projectName>\n"_qs << 1;
        QTest::newRow("empty name") << QStringList{u"raise"_qs, QString()} << u"not found: \n"_qs << 0;
        QTest::newRow("unparsed window never matches") << QStringList{u"raise"_qs, u"Visual Studio Code"_qs}
                                                       << u"not found: Visual Studio Code\n"_qs << 0;
    }
    void raiseWithoutMatch()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, output);
        QFETCH(int, status);
        addEditor(3, {u"a — proj — Visual Studio Code"_qs, u"Visual Studio Code"_qs});
        const Outcome outcome = run(args);
        QCOMPARE(outcome.output, output);
        QCOMPARE(outcome.status, status);
        QVERIFY(desktop.callsMatching(u"perform"_qs).isEmpty());
    }

    void finderAndOtherWindows()
    {
        Outcome outcome = run({u"open-finder"_qs});
        QCOMPARE(outcome.output, u"usage: open-finder <folderPath>\n"_qs);
        QCOMPARE(outcome.status, 1);
        workspace.openResult = false; // the answer is not used
        outcome = run({u"open-finder"_qs, u"/no/such/./folder/"_qs, u"extra"_qs});
        QCOMPARE(outcome.output, QString());
        QCOMPARE(outcome.status, 0);
        QCOMPARE(workspace.opened, QStringList{u"/no/such/folder"_qs});

        // Neither application running: nothing is run or printed.
        QCOMPARE(run({u"list-terminals"_qs}).output, QString());
        QCOMPARE(run({u"list-safari"_qs}).status, 0);
        QVERIFY(processes.calls.isEmpty());

        desktop.addApplication(u"com.apple.Safari"_qs, 9, {});
        processes.output = [](const QString&, const QStringList&) {
            return std::optional<QString>(u"1\tDocs\thttps://a.dev\n2\tNew Tab\t\n"_qs);
        };
        outcome = run({u"list-safari"_qs});
        QCOMPARE(outcome.output, u"[https://a.dev] Docs\n[?] New Tab\n"_qs);
        QCOMPARE(outcome.status, 0);
        QVERIFY(desktop.trustPrompts.isEmpty());
    }

    void raiseWithoutAccessFindsNothing()
    {
        addEditor(3, {u"a — proj — Visual Studio Code"_qs});
        desktop.trusted = false; // every read fails, so the listing is simply empty
        const Outcome outcome = run({u"raise"_qs, u"proj"_qs});
        QCOMPARE(outcome.output, u"not found: proj\n"_qs);
        QCOMPARE(outcome.status, 0);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
