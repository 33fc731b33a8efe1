#include "platform/SystemProcesses.h"
#include "platform/linux/OpenTranslation.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

// Real child processes, and what the launcher's `open` command lines become on Linux.
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
        QFile out(folder + u"/out"_qs);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), (folder + u"\n1\n"_qs).toUtf8()); // standard input is empty

        QElapsedTimer timer;
        timer.start();
        processes.runQuietly(u"/no/such/program"_qs, {}, folder, 5000);
        QVERIFY(timer.elapsed() < 1000);
        // Deaf to SIGTERM: killed 5 s after the request instead of holding the caller.
        QTest::ignoreMessage(QtInfoMsg, "Processes: /bin/sh ignored the terminate request; killed");
        processes.runQuietly(sh, {u"-c"_qs, u"trap '' TERM; exec sleep 30"_qs}, folder, 200);
        QVERIFY(timer.elapsed() > 5000);
        QVERIFY(timer.elapsed() < 7000);

        // A wrapper script's own children end with it at the time-out.
        processes.runQuietly(sh, {u"-c"_qs, u"sleep 30 & echo $! > child; wait"_qs}, folder, 300);
        QFile child(folder + u"/child"_qs);
        QVERIFY(child.open(QIODevice::ReadOnly));
        const QByteArray pid = child.readAll().trimmed();
        QVERIFY(QTest::qWaitFor([&] {
            QFile stat(u"/proc/"_qs + QString::fromLatin1(pid) + u"/stat"_qs);
            return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
        }));
    }

    void openOnLinux()
    {
        QStringList installed{u"code"_qs, u"xdg-open"_qs, u"x-terminal-emulator"_qs};
        const auto find = [&](const QString& name) {
            return installed.contains(name) ? u"/usr/bin/"_qs + name : QString();
        };
        using OpenTranslation::Command;
        const auto translate = [&](const QStringList& args) {
            return OpenTranslation::translate(args, find);
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
};

QTEST_GUILESS_MAIN(ProcessesTest)
#include "tst_processes.moc"
