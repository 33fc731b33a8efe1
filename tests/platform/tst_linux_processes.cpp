#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

// Resident copies are found in /proc with their start times: copies of the same program (by file
// name, wherever it is installed) started without arguments that would use the same support folder.
class LinuxProcessesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void residentCopiesShareOneSupportFolder()
    {
        QTemporaryDir dir;
        const QString elsewhere = dir.filePath(u"copies_probe"_s); // the program installed elsewhere
        QVERIFY(QFile::copy(QStringLiteral(COPIES_PROBE), elsewhere));
        const auto environment = [&](const QString& home, const QString& dataHome = {}) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"HOME"_s, dir.filePath(home));
            env.remove(u"XDG_DATA_HOME"_s);
            if (!dataHome.isEmpty())
                env.insert(u"XDG_DATA_HOME"_s, dir.filePath(dataHome));
            return env;
        };
        std::vector<std::unique_ptr<QProcess>> copies;
        const auto start = [&](const QString& program, const QProcessEnvironment& env,
                               const QStringList& args) {
            copies.push_back(std::make_unique<QProcess>());
            copies.back()->setProcessEnvironment(env);
            copies.back()->start(program, args);
            return copies.back()->waitForStarted() ? copies.back()->processId() : -1;
        };
        const qint64 started = QDateTime::currentSecsSinceEpoch();
        const qint64 same = start(QStringLiteral(COPIES_PROBE), environment(u"a"_s), {});
        const qint64 installedElsewhere = start(elsewhere, environment(u"a"_s), {});
        const qint64 sameByDataHome =
            start(QStringLiteral(COPIES_PROBE), environment(u"b"_s, u"a/.local/share"_s), {});
        start(QStringLiteral(COPIES_PROBE), environment(u"b"_s), {});          // another home
        start(QStringLiteral(COPIES_PROBE), environment(u"a"_s), {u"wait"_s}); // a one-shot command

        QProcess lister;
        lister.setProcessEnvironment(environment(u"a"_s));
        lister.start(QStringLiteral(COPIES_PROBE), {u"list"_s});
        QVERIFY(lister.waitForFinished());
        for (auto& copy : copies) {
            copy->kill();
            copy->waitForFinished();
        }

        QList<qint64> pids;
        for (const QString& line :
             QString::fromUtf8(lister.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList fields = line.split(u' ');
            pids.append(fields.value(0).toLongLong());
            QVERIFY2(std::abs(fields.value(1).toLongLong() - started) <= 2, qPrintable(line));
        }
        std::sort(pids.begin(), pids.end());
        QList<qint64> expected{same, installedElsewhere, sameByDataHome};
        std::sort(expected.begin(), expected.end());
        QCOMPARE(pids, expected);
    }
};

QTEST_GUILESS_MAIN(LinuxProcessesTest)
#include "tst_linux_processes.moc"
