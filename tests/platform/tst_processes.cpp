#include "TestFiles.h"
#include "platform/SystemProcesses.h"
#include "platform/linux/LinuxProcesses.h"
#include "platform/linux/OpenTranslation.h"
#include "platform/x11/X11Connection.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

// Real child processes, what the launcher's `open` command lines become on Linux, and what is made
// of the titles other programs give their windows.
class ProcessesTest : public QObject {
    Q_OBJECT

    SystemProcesses processes;
    const QString sh = QStringLiteral("/bin/sh");

private Q_SLOTS:
    void runToEnd()
    {
        // Several megabytes on standard output, some noise on standard error, a failing exit status.
        const auto big = processes.runToEnd(
            sh, {u"-c"_qs, u"head -c 6000000 /dev/zero | tr '\\0' x; echo oops >&2; exit 3"_qs});
        QVERIFY(big);
        QCOMPARE(big->size(), 6000000);
        QCOMPARE(processes.runToEnd(sh, {u"-c"_qs, u"printf 'caf\\303\\251 \\342\\200\\224'"_qs}),
                 u"café —"_qs);
        QCOMPARE(processes.runToEnd(sh, {u"-c"_qs, u"printf 'bad \\303\\050'"_qs}), std::nullopt);
        QCOMPARE(processes.runToEnd(u"/no/such/program"_qs, {}), std::nullopt);
        // Arguments are never interpreted by a shell.
        QCOMPARE(processes.runToEnd(u"/bin/echo"_qs, {u"$HOME; rm -rf ~ | \"x\"\n-n"_qs}),
                 u"$HOME; rm -rf ~ | \"x\"\n-n\n"_qs);
    }

    void hungChildIsTerminated()
    {
        QElapsedTimer timer;
        timer.start();
        QTest::ignoreMessage(
            QtInfoMsg,
            QRegularExpression(u"^Processes: /bin/sh did not finish within 300 ms; terminated$"_qs));
        QCOMPARE(processes.runToEnd(sh, {u"-c"_qs, u"echo partial; exec sleep 30"_qs}, 300), std::nullopt);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^Processes: .* terminated$"_qs));
        QCOMPARE(processes.startAndWait(sh, {u"-c"_qs, u"exec sleep 30"_qs}, 300), std::nullopt);
        QVERIFY(timer.elapsed() < 5000);
    }

    void exitStatusAndDetached()
    {
        QCOMPARE(processes.startAndWait(sh, {u"-c"_qs, u"exit 0"_qs}), 0);
        QCOMPARE(processes.startAndWait(sh, {u"-c"_qs, u"exit 7"_qs}), 7);
        QCOMPARE(processes.startAndWait(u"/no/such/program"_qs, {}), std::nullopt);
        QString error;
        QVERIFY(processes.startDetached(u"/bin/true"_qs, {}, &error));
        QVERIFY(!processes.startDetached(u"/no/such/program"_qs, {}, &error));
        QVERIFY(!error.isEmpty());
    }

    void runQuietly()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"work dir"_qs);
        QVERIFY(QDir().mkpath(folder));
        processes.runQuietly(sh, {u"-c"_qs, u"pwd > out; read line; echo $? >> out; echo noise >&2"_qs},
                             folder, 5000);
        QCOMPARE(TestFiles::read(folder + u"/out"_qs),
                 (folder + u"\n1\n"_qs).toUtf8()); // standard input is empty

        QElapsedTimer timer;
        timer.start();
        processes.runQuietly(u"/no/such/program"_qs, {}, folder, 5000);
        QVERIFY(timer.elapsed() < 1000);
    }

    // At the time-out the whole process group is asked to end, and what is still there a moment
    // later is killed, whether the program itself is gone or not.
    void quietRunEndsWithItsGroup_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("ended"); // what the program's own TERM handler wrote
        QTest::newRow("program deaf to TERM")
            << u"trap '' TERM; echo $$ > child; exec sleep 60"_qs << QByteArray();
        QTest::newRow("child deaf to TERM")
            << u"trap 'echo bye > ended; exit' TERM; (trap '' TERM; exec sleep 60) & echo $! > child; wait"_qs
            << QByteArray("bye\n");
    }
    void quietRunEndsWithItsGroup()
    {
        QFETCH(QString, script);
        QFETCH(QByteArray, ended);
        QTemporaryDir folder;
        processes.runQuietly(sh, {u"-c"_qs, script}, folder.path(), 300);
        QVERIFY(QTest::qWaitFor(
            [&] { return TestFiles::ended(TestFiles::pidIn(folder.filePath(u"child"_qs))); }));
        QCOMPARE(TestFiles::read(folder.filePath(u"ended"_qs)), ended);
    }

    void openOnLinux()
    {
        QStringList installed{u"code"_qs, u"xdg-open"_qs, u"x-terminal-emulator"_qs};
        using OpenTranslation::Command;
        const auto translate = [&](const QStringList& args) {
            return OpenTranslation::translate(args, [&](const QString& name) {
                return installed.contains(name) ? u"/usr/bin/"_qs + name : QString();
            });
        };
        const QString here = QDir::currentPath();

        QCOMPARE(translate({u"-b"_qs, u"com.microsoft.VSCode"_qs}), (Command{u"/usr/bin/code"_qs, {}, {}}));
        QCOMPARE(translate({u"-b"_qs, u"com.microsoft.VSCode"_qs, u"-rf"_qs}),
                 (Command{u"/usr/bin/code"_qs, {here + u"/-rf"_qs}, {}}));
        QCOMPARE(translate({u"-a"_qs, u"Terminal"_qs, u"/tmp/a b/"_qs}),
                 (Command{u"/usr/bin/x-terminal-emulator"_qs, {}, u"/tmp/a b"_qs}));
        QCOMPARE(translate({u"-a"_qs, u"Safari"_qs, u"https://a.dev"_qs}),
                 (Command{u"/usr/bin/xdg-open"_qs, {u"https://a.dev"_qs}, {}}));
        // A browser asked for by name is that browser or nothing: never the default one instead.
        QCOMPARE(translate({u"-a"_qs, u"Google Chrome"_qs, u"https://a.dev"_qs}), std::nullopt);
        QCOMPARE(translate({u"-a"_qs, u"Safari"_qs, u"--incognito"_qs}), std::nullopt);
        QCOMPARE(translate({u"-a"_qs, u"Preview"_qs, u"x"_qs}), std::nullopt);
        QCOMPARE(translate({u"-e"_qs, u"x"_qs}), std::nullopt);

        installed = {u"chromium"_qs};
        QCOMPARE(translate({u"-a"_qs, u"Google Chrome"_qs, u"http://x"_qs}),
                 (Command{u"/usr/bin/chromium"_qs, {u"http://x"_qs}, {}}));
        QCOMPARE(translate({u"-b"_qs, u"com.microsoft.VSCode"_qs, u"/p"_qs}),
                 std::nullopt); // neither editor nor opener
        QCOMPARE(translate({u"-a"_qs, u"Terminal"_qs}), std::nullopt);
        // Without Debian's alternative, the first known emulator that is installed.
        installed = {u"konsole"_qs, u"kitty"_qs};
        QCOMPARE(translate({u"-a"_qs, u"Terminal"_qs, u"/tmp"_qs}),
                 (Command{u"/usr/bin/kitty"_qs, {}, u"/tmp"_qs}));
    }

    // Two copies under a linked home and the real one share a support folder, made or not yet.
    void canonicalPathsFollowLinks()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(u"real/.local"_qs)));
        QVERIFY(QFile::link(dir.filePath(u"real"_qs), dir.filePath(u"linked"_qs)));
        const QString real = QFileInfo(dir.filePath(u"real"_qs)).canonicalFilePath();
        QCOMPARE(LinuxProcesses::canonicalPath(dir.filePath(u"linked/.local/share/Panedeck"_qs)),
                 real + u"/.local/share/Panedeck"_qs);
        QCOMPARE(LinuxProcesses::canonicalPath(dir.filePath(u"linked/.local"_qs)), real + u"/.local"_qs);
        QCOMPARE(LinuxProcesses::canonicalPath(u"/nowhere/at/all"_qs), u"/nowhere/at/all"_qs);
    }

    // Titles are decoded from their first 64 KiB at most, never with half a character at the end.
    void titleText_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("complete"); // false: the server had more
        QTest::addColumn<std::optional<QString>>("title");
        const uint utf8 = 300, latin1 = 31;
        const QByteArray x(65533, 'x');
        const QString xs(65533, u'x');
        QTest::newRow("empty") << utf8 << QByteArray() << true << std::optional(QString());
        QTest::newRow("cut inside a four-byte character")
            << utf8 << x + "\xf0\x9f\x98" << false << std::optional(xs);
        QTest::newRow("cut right after a character")
            << utf8 << x + "x\xc3\xa9" << false << std::optional(xs + u"xé"_qs);
        QTest::newRow("longer than read")
            << utf8 << x + "xx\xc3\xa9yz" << true << std::optional(xs + u"xx"_qs);
        QTest::newRow("whole, ending inside a character")
            << utf8 << QByteArray("caf\xc3") << true << std::optional<QString>();
        QTest::newRow("Latin-1 longer than read")
            << latin1 << QByteArray(65537, '\xe9') << true << std::optional(QString(65536, u'é'));
    }
    void titleText()
    {
        QFETCH(uint, type);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, complete);
        QFETCH(std::optional<QString>, title);
        const X11Connection::Property property{type, 8, bytes, complete};
        QCOMPARE(X11Connection::text(property, 300, 301), title);
    }

    // Runs last: quitting ends every quiet run for good. The runs in progress return soon, their
    // process groups with them, long before their own time-out.
    void quittingEndsQuietRuns()
    {
        QTemporaryDir folders[2]; // a child deaf to TERM under a shell that is deaf to it too, or not
        const QString scripts[2] = {u"trap '' TERM; sleep 60 & echo $! > child; wait"_qs,
                                    u"(trap '' TERM; exec sleep 60) & echo $! > child; wait"_qs};
        std::atomic<int> returned = 0;
        std::vector<std::jthread> runs;
        for (int i = 0; i < 2; ++i)
            runs.emplace_back([&, i] {
                processes.runQuietly(sh, {u"-c"_qs, scripts[i]}, folders[i].path(), 30000);
                ++returned;
            });
        qint64 children[2] = {};
        QVERIFY(QTest::qWaitFor([&] {
            for (int i = 0; i < 2; ++i)
                children[i] = TestFiles::pidIn(folders[i].filePath(u"child"_qs));
            return children[0] > 0 && children[1] > 0;
        }));
        SystemProcesses::endQuietRuns();
        QVERIFY(QTest::qWaitFor([&] { return returned == 2; }, 10000));
        QVERIFY(
            QTest::qWaitFor([&] { return TestFiles::ended(children[0]) && TestFiles::ended(children[1]); }));

        // A run that would start while quitting does not.
        QTemporaryDir late;
        processes.runQuietly(sh, {u"-c"_qs, u"echo > started"_qs}, late.path(), 30000);
        QVERIFY(!QFile::exists(late.filePath(u"started"_qs)));
    }
};

QTEST_GUILESS_MAIN(ProcessesTest)
#include "tst_processes.moc"
