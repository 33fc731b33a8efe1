#include "FakeTriggers.h"
#include "core/triggers/DoubleTapDetector.h"

#include <QTest>

namespace {
using TestKeys::down;
using TestKeys::flags;
constexpr quint64 shiftOnly = KeyEvent::shiftFlag | 0x102; // device-dependent low bits do not count
constexpr quint64 command = 0x100000;
constexpr quint64 capsLock = 0x10000;

// Feeds timed events to the Shift rule; answers the times at which a run completed.
QList<qint64> shiftRun(const QList<std::pair<qint64, KeyEvent>>& events, int taps = 2)
{
    DoubleTapDetector detector(350, taps);
    QList<qint64> fired;
    for (const auto& [at, event] : events) {
        if (DoubleTapRules::shift(event, detector, at))
            fired.append(at);
    }
    return fired;
}
} // namespace

// Tap timing at the thresholds, tap counts, the typing guard and how key events count.
class DoubleTapTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void timing()
    {
        DoubleTapDetector two;
        QVERIFY(!two.registerTap(0));
        QVERIFY(two.registerTap(350)); // the gap may equal the threshold
        // So it may after days of uptime, where seconds in floating point would round it away.
        DoubleTapDetector late;
        QVERIFY(!late.registerTap(259'200'123) && late.registerTap(259'200'473));
        QVERIFY(!two.registerTap(1000));
        QVERIFY(!two.registerTap(1360)); // too late: starts a new run…
        QCOMPARE(two.count(), 1);
        QVERIFY(two.registerTap(1500)); // …which this tap completes

        DoubleTapDetector four(350, 2); // a quick run of four fires twice
        QList<bool> answers;
        for (qint64 t : {0, 100, 200, 300})
            answers.append(four.registerTap(t));
        QCOMPARE(answers, (QList<bool>{false, true, false, true}));

        DoubleTapDetector three(350, 3);
        QVERIFY(!three.registerTap(0) && !three.registerTap(300) && three.registerTap(600));
        QVERIFY(!three.registerTap(2000) && !three.registerTap(2300) && !three.registerTap(2700));
        QCOMPARE(three.count(), 1);

        QCOMPARE(DoubleTapDetector(350, 0).requiredTaps(), 2);
        QCOMPARE(DoubleTapDetector(350, 1).requiredTaps(), 2);
        DoubleTapDetector five(350, 5);
        int fired = 0;
        for (int i = 0; i < 5; ++i)
            fired += five.registerTap(100 * i) ? 1 : 0;
        QCOMPARE(fired, 1);
    }

    void shiftRule()
    {
        const auto press = flags(KeyEvent::leftShift, shiftOnly);
        const auto release = flags(KeyEvent::leftShift, 0x100);
        const auto right = flags(KeyEvent::rightShift, shiftOnly);
        // Releases do not count, even when a source reports them twice.
        QCOMPARE(shiftRun({{0, press}, {50, release}, {60, release}, {200, right}}), QList<qint64>{200});
        // A key typed in between, or another modifier, resets the run.
        QCOMPARE(shiftRun({{0, press}, {100, down(0)}, {200, press}}), QList<qint64>{});
        QCOMPARE(shiftRun({{0, press}, {100, flags(55, command)}, {200, press}}), QList<qint64>{});
        QCOMPARE(shiftRun({{0, flags(KeyEvent::leftShift, KeyEvent::shiftFlag | command)}, {100, press}}),
                 QList<qint64>{});
        QCOMPARE(shiftRun({{0, flags(KeyEvent::leftShift, KeyEvent::shiftFlag | capsLock)},
                           {100, flags(KeyEvent::leftShift, KeyEvent::shiftFlag | capsLock)}}),
                 QList<qint64>{});
        QCOMPARE(shiftRun({{0, press}, {100, press}, {200, press}}, 3), QList<qint64>{200});
    }

    void spaceRule()
    {
        const auto run = [](const QList<std::pair<qint64, KeyEvent>>& events) {
            DoubleTapSpaceDetector detector;
            QList<qint64> fired;
            for (const auto& [at, event] : events) {
                if (DoubleTapRules::space(event, detector, at))
                    fired.append(at);
            }
            return fired;
        };
        const auto space = down(KeyEvent::space);
        const auto letter = down(0);
        QCOMPARE(run({{0, letter}, {500, space}, {700, space}}), QList<qint64>{}); // still typing
        QCOMPARE(run({{0, letter}, {1100, space}, {1300, space}}), QList<qint64>{1300});
        QCOMPARE(run({{0, letter}, {1000, space}, {1200, space}}), QList<qint64>{}); // the guard is inclusive
        // A held space bar repeats, which counts as one tap.
        QCOMPARE(run({{5000, space},
                      {5100, down(KeyEvent::space, 0, true)},
                      {5200, down(KeyEvent::space, 0, true)}}),
                 QList<qint64>{});
        // Space with Shift or Caps Lock counts as another key; modifier changes are ignored.
        QCOMPARE(run({{5000, space}, {5100, down(KeyEvent::space, KeyEvent::shiftFlag)}, {5200, space}}),
                 QList<qint64>{});
        QCOMPARE(run({{5000, space}, {5100, flags(KeyEvent::leftShift, shiftOnly)}, {5200, space}}),
                 QList<qint64>{5200});
        QCOMPARE(run({{5000, down(KeyEvent::space, capsLock)}, {6500, space}, {6600, space}}),
                 QList<qint64>{6600});
    }
};

QTEST_GUILESS_MAIN(DoubleTapTest)
#include "tst_doubletap.moc"
