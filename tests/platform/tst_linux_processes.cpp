#include <QDateTime>
#include <QProcess>
#include <QTest>

// Resident copies of an executable are found in /proc with their start times; one-shot runs of the
// same executable (with arguments) are not copies.
class LinuxProcessesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void residentCopiesWithStartTimes()
    {
        QProcess resident;
        resident.start(QStringLiteral(COPIES_PROBE), {});
        QVERIFY(resident.waitForStarted());
        const qint64 started = QDateTime::currentSecsSinceEpoch();
        const qint64 pid = resident.processId();

        QProcess lister;
        lister.start(QStringLiteral(COPIES_PROBE), {QStringLiteral("list")});
        QVERIFY(lister.waitForFinished());
        const QStringList lines =
            QString::fromUtf8(lister.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        resident.kill();
        resident.waitForFinished();

        QCOMPARE(lines.size(), 1);
        const QStringList fields = lines.first().split(u' ');
        QCOMPARE(fields.value(0).toLongLong(), pid);
        QVERIFY2(std::abs(fields.value(1).toLongLong() - started) <= 2, qPrintable(lines.first()));
    }
};

QTEST_GUILESS_MAIN(LinuxProcessesTest)
#include "tst_linux_processes.moc"
