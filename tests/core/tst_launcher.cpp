#include "FakePlatform.h"
#include "FakeProcesses.h"
#include "core/control/Launcher.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// What is opened with which arguments, which addresses are accepted, and how servers are completed.
class LauncherTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void openArguments()
    {
        FakeProcesses processes;
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
    }

    void addresses()
    {
        QVERIFY(Launcher::validateURL(u"HTTP://Example.com"_qs));
        QVERIFY(Launcher::validateURL(u"https://localhost:3000/path"_qs));
        QVERIFY(!Launcher::validateURL(u"ftp://example.com"_qs));
        QVERIFY(!Launcher::validateURL(u"file:///etc"_qs));
        QVERIFY(!Launcher::validateURL(u"http://"_qs));
        QVERIFY(!Launcher::validateURL(u"example.com"_qs));
        QVERIFY(!Launcher::validateURL(u"https://exa mple.com"_qs));
        QVERIFY(!Launcher::validateURL(u" https://example.com"_qs));

        QCOMPARE(Launcher::buildServerURL(u" \tlocalhost:3000 "_qs), u"http://localhost:3000"_qs);
        QCOMPARE(Launcher::buildServerURL(u"HTTPS://Box:8443"_qs), u"HTTPS://Box:8443"_qs);
        QCOMPARE(Launcher::buildServerURL(u"  "_qs), u"http://"_qs);
        QCOMPARE(Launcher::buildServerURL(u"host:1\n"_qs), u"http://host:1\n"_qs);
    }

    void applicationsAndFolders()
    {
        QTemporaryDir dir;
        FakeWorkspace workspace;
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

QTEST_GUILESS_MAIN(LauncherTest)
#include "tst_launcher.moc"
