#include "KillDocument.h"
#include "core/layout/LayoutJson.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// A writer killed at random moments while saving never leaves a broken layout.json behind: the file
// always holds one whole document, the last one saved or the one being saved.
class LayoutKillTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedWhileSaving()
    {
        constexpr qint64 saves = KILL_TEST_SAVES;
        QTemporaryDir dir;
        const QString file = dir.filePath(u"layout.json"_qs);
        QRandomGenerator random(20261206);

        qint64 lastSeen = 0; // the document found after the previous kill
        int kills = 0;
        int corrupt = 0;
        int stalls = 0;
        while (lastSeen < saves) {
            QProcess writer;
            writer.start(QStringLiteral(LAYOUT_WRITER),
                         {file, QString::number(lastSeen + 1), QString::number(saves)});
            QVERIFY(writer.waitForStarted(5000));
            // Later in the writer's life when kills keep landing before its first save.
            QThread::usleep(random.bounded(2000u, 25000u + 5000u * unsigned(std::min(stalls, 20))));
            writer.kill(); // SIGKILL
            writer.waitForFinished(5000);
            ++kills;

            QFile f(file);
            if (!f.exists()) {
                QCOMPARE(lastSeen, 0); // not even the first save finished
                ++stalls;
                continue;
            }
            QVERIFY(f.open(QIODevice::ReadOnly));
            const auto layout = LayoutJson::decode(f.readAll());
            const qint64 n = layout && layout->lastTileCount ? *layout->lastTileCount : -1;
            if (!layout || n < lastSeen || n > saves || *layout != killTestDocument(n)) {
                ++corrupt;
                qWarning("kill %d: layout.json is not a whole saved document", kills);
                break;
            }
            stalls = n == lastSeen ? stalls + 1 : 0;
            lastSeen = n;
        }

        const int leftovers = int(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size()) - 1;
        qInfo("%lld saves, %d kills, %d corrupt files, %d temporary files left by killed saves", lastSeen,
              kills, corrupt, leftovers);
        QCOMPARE(corrupt, 0);
        QCOMPARE(lastSeen, saves);
    }
};

QTEST_GUILESS_MAIN(LayoutKillTest)
#include "tst_layout_kill.moc"
