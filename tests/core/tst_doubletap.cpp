#include "core/triggers/DoubleTapDetector.h"

#include <QTest>

namespace {
KeyEvent flags(quint16 key, quint64 modifiers)
{
    return {KeyEvent::flagsChanged, key, modifiers, false};
}
KeyEvent down(quint16 key, quint64 modifiers = 0, bool repeat = false)
{
    return {KeyEvent::keyDown, key, modifiers, repeat};
}
constexpr quint64 shiftOnly = KeyEvent::shiftFlag | 0x102; // device-dependent low bits do not count
constexpr quint64 command = 0x100000;
constexpr quint64 capsLock = 0x10000;

// Feeds timed events to the Shift rule; answers the times at which a run completed.
QList<double> shiftRun(const QList<std::pair<double, KeyEvent>>& events, int taps = 2)
{
    DoubleTapDetector detector(0.35, taps);
    QList<double> fired;
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
        QVERIFY(!two.registerTap(0.0));
        QVERIFY(two.registerTap(0.35)); // the gap may equal the threshold
        QVERIFY(!two.registerTap(1.0));
        QVERIFY(!two.registerTap(1.36)); // too late: starts a new run…
        QCOMPARE(two.count(), 1);
        QVERIFY(two.registerTap(1.5)); // …which this tap completes

        DoubleTapDetector four(0.35, 2); // a quick run of four fires twice
        QList<bool> answers;
        for (double t : {0.0, 0.1, 0.2, 0.3})
            answers.append(four.registerTap(t));
        QCOMPARE(answers, (QList<bool>{false, true, false, true}));

        DoubleTapDetector three(0.35, 3);
        QVERIFY(!three.registerTap(0.0) && !three.registerTap(0.3) && three.registerTap(0.6));
        QVERIFY(!three.registerTap(2.0) && !three.registerTap(2.3) && !three.registerTap(2.7));
        QCOMPARE(three.count(), 1);

        QCOMPARE(DoubleTapDetector(0.35, 0).requiredTaps(), 2);
        QCOMPARE(DoubleTapDetector(0.35, 1).requiredTaps(), 2);
        DoubleTapDetector five(0.35, 5);
        int fired = 0;
        for (int i = 0; i < 5; ++i)
            fired += five.registerTap(0.1 * i) ? 1 : 0;
        QCOMPARE(fired, 1);
    }

    void shiftRule()
    {
        const auto press = flags(KeyEvent::leftShift, shiftOnly);
        const auto release = flags(KeyEvent::leftShift, 0x100);
        const auto right = flags(KeyEvent::rightShift, shiftOnly);
        // Releases do not count, even when a source reports them twice.
        QCOMPARE(shiftRun({{0.0, press}, {0.05, release}, {0.06, release}, {0.2, right}}),
                 QList<double>{0.2});
        // A key typed in between, or another modifier, resets the run.
        QCOMPARE(shiftRun({{0.0, press}, {0.1, down(0)}, {0.2, press}}), QList<double>{});
        QCOMPARE(shiftRun({{0.0, press}, {0.1, flags(55, command)}, {0.2, press}}), QList<double>{});
        QCOMPARE(shiftRun({{0.0, flags(KeyEvent::leftShift, KeyEvent::shiftFlag | command)}, {0.1, press}}),
                 QList<double>{});
        QCOMPARE(shiftRun({{0.0, flags(KeyEvent::leftShift, KeyEvent::shiftFlag | capsLock)},
                           {0.1, flags(KeyEvent::leftShift, KeyEvent::shiftFlag | capsLock)}}),
                 QList<double>{});
        QCOMPARE(shiftRun({{0.0, press}, {0.1, press}, {0.2, press}}, 3), QList<double>{0.2});
    }

    void spaceRule()
    {
        const auto run = [](const QList<std::pair<double, KeyEvent>>& events) {
            DoubleTapSpaceDetector detector;
            QList<double> fired;
            for (const auto& [at, event] : events) {
                if (DoubleTapRules::space(event, detector, at))
                    fired.append(at);
            }
            return fired;
        };
        const auto space = down(KeyEvent::space);
        const auto letter = down(0);
        QCOMPARE(run({{0.0, letter}, {0.5, space}, {0.7, space}}), QList<double>{}); // still typing
        QCOMPARE(run({{0.0, letter}, {1.1, space}, {1.3, space}}), QList<double>{1.3});
        QCOMPARE(run({{0.0, letter}, {1.0, space}, {1.2, space}}), QList<double>{}); // the guard is inclusive
        // A held space bar repeats, which counts as one tap.
        QCOMPARE(
            run({{5.0, space}, {5.1, down(KeyEvent::space, 0, true)}, {5.2, down(KeyEvent::space, 0, true)}}),
            QList<double>{});
        // Space with Shift or Caps Lock counts as another key; modifier changes are ignored.
        QCOMPARE(run({{5.0, space}, {5.1, down(KeyEvent::space, KeyEvent::shiftFlag)}, {5.2, space}}),
                 QList<double>{});
        QCOMPARE(run({{5.0, space}, {5.1, flags(KeyEvent::leftShift, shiftOnly)}, {5.2, space}}),
                 QList<double>{5.2});
        QCOMPARE(run({{5.0, down(KeyEvent::space, capsLock)}, {6.5, space}, {6.6, space}}),
                 QList<double>{6.6});
    }
};

QTEST_GUILESS_MAIN(DoubleTapTest)
#include "tst_doubletap.moc"
