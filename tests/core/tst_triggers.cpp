#include "FakeTriggers.h"
#include "core/triggers/DoubleTapDetector.h"
#include "core/triggers/DoubleTapKeyMonitor.h"
#include "core/triggers/HotkeyManager.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {
using TestKeys::down;
using TestKeys::flags;
using Events = QList<std::pair<qint64, KeyEvent>>;
constexpr quint64 shiftOnly = KeyEvent::shiftFlag | 0x102; // device-dependent low bits do not count
constexpr quint64 command = 0x100000;
constexpr quint64 capsLock = 0x10000;
const KeyEvent shiftUp = flags(KeyEvent::leftShift, 0);
const KeyEvent space = down(KeyEvent::space);
const KeyEvent letter = down(0);

HotkeyConfig config(QStringList modifiers, quint32 keyCode = 9)
{
    return {keyCode, std::move(modifiers)};
}
// Hot keys registered and handlers installed.
std::pair<int, int> installed(const FakeHotkeys& service)
{
    return {service.hotKeysRegistered, service.handlersInstalled};
}
KeyEvent shiftDown(quint16 key = KeyEvent::leftShift)
{
    return flags(key, KeyEvent::shiftFlag);
}

// Feeds timed events to a rule; answers the times at which a run completed.
template <typename Detector>
QList<qint64> run(bool (*rule)(const KeyEvent&, Detector&, qint64), Detector detector, const Events& events)
{
    QList<qint64> fired;
    for (const auto& [at, event] : events) {
        if (rule(event, detector, at))
            fired.append(at);
    }
    return fired;
}
QList<qint64> shiftRun(const Events& events, int taps = 2)
{
    return run(DoubleTapRules::shift, DoubleTapDetector(350, taps), events);
}
QList<qint64> spaceRun(const Events& events)
{
    return run(DoubleTapRules::space, DoubleTapSpaceDetector(), events);
}
} // namespace

// The hot key's registration life cycle; tap timing at the thresholds, tap counts, the typing guard and
// how key events count; and the keyboard monitor feeding the tap detectors.
class TriggersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void registeringReplacesAndPressesArriveLater()
    {
        QCOMPARE(HotkeyConfig::defaultConfig().carbonModifiers(), 0x900u);
        QCOMPARE(config({u"command"_s, u"command"_s}).carbonModifiers(), 0x100u);
        QCOMPARE(config({u"Command"_s, u"alt"_s, u"cmd"_s}).carbonModifiers(), 0u);
        QCOMPARE(config({u"control"_s, u"option"_s, u"shift"_s, u"command"_s}).carbonModifiers(), 0x1B00u);

        FakeHotkeys service;
        HotkeyManager manager(service);
        int first = 0, second = 0;
        QVERIFY(manager.registerHotkey(HotkeyConfig::defaultConfig(), [&] { ++first; }));
        QVERIFY(manager.registerHotkey(config({u"control"_s}, 0), [&] { ++second; }));
        QCOMPARE(installed(service), std::pair(1, 1));
        QCOMPARE(service.registrations.last(), (std::pair<quint32, quint32>{0, 0x1000}));

        service.press();
        QCOMPARE(second, 0); // delivered on a later turn of the event loop
        QCoreApplication::processEvents();
        QCOMPARE(first, 0);
        QCOMPARE(second, 1);
        // A press already queued when the hot key goes away finds no handler.
        service.press();
        manager.unregister();
        QCoreApplication::processEvents();
        QCOMPARE(second, 1);
        QCOMPARE(installed(service), std::pair(0, 0));
        manager.unregister(); // harmless twice
        QCOMPARE(installed(service), std::pair(0, 0));
    }

    void refusalsLeaveNothingInstalled()
    {
        FakeHotkeys service;
        HotkeyManager manager(service);
        service.registerStatus = Hotkeys::combinationTaken;
        QTest::ignoreMessage(QtInfoMsg, "HotkeyManager: RegisterEventHotKey failed (-9878)");
        QVERIFY(!manager.registerHotkey(HotkeyConfig::defaultConfig(), [] {}));
        QCOMPARE(installed(service), std::pair(0, 0));
        QVERIFY(!manager.isRegistered());

        service.registerStatus = 0;
        service.installStatus = Hotkeys::serviceUnavailable;
        QTest::ignoreMessage(QtInfoMsg, "HotkeyManager: InstallEventHandler failed (-9868)");
        QVERIFY(!manager.registerHotkey(HotkeyConfig::defaultConfig(), [] {}));
        QVERIFY(service.registrations.isEmpty());
        // A manager that goes away takes its hot key with it.
        service.installStatus = 0;
        std::make_unique<HotkeyManager>(service)->registerHotkey(HotkeyConfig::defaultConfig(), [] {});
        QCOMPARE(service.registrations.size(), 1);
        QCOMPARE(installed(service), std::pair(0, 0));
    }

    void tapRules()
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
        DoubleTapDetector five(350, 5);
        int fired = 0;
        for (int i = 0; i < 5; ++i)
            fired += five.registerTap(100 * i) ? 1 : 0;
        QCOMPARE(fired, 1);

        const auto press = flags(KeyEvent::leftShift, shiftOnly);
        const auto release = flags(KeyEvent::leftShift, 0x100);
        const auto right = flags(KeyEvent::rightShift, shiftOnly);
        const auto withCaps = flags(KeyEvent::leftShift, KeyEvent::shiftFlag | capsLock);
        // Releases do not count, even when a source reports them twice.
        QCOMPARE(shiftRun({{0, press}, {50, release}, {60, release}, {200, right}}), QList<qint64>{200});
        // A key typed in between, or another modifier, resets the run.
        QCOMPARE(shiftRun({{0, press}, {100, down(0)}, {200, press}}), QList<qint64>{});
        QCOMPARE(shiftRun({{0, press}, {100, flags(55, command)}, {200, press}}), QList<qint64>{});
        QCOMPARE(shiftRun({{0, flags(KeyEvent::leftShift, KeyEvent::shiftFlag | command)}, {100, press}}),
                 QList<qint64>{});
        QCOMPARE(shiftRun({{0, withCaps}, {100, withCaps}}), QList<qint64>{});
        QCOMPARE(shiftRun({{0, press}, {100, press}, {200, press}}, 3), QList<qint64>{200});

        const auto held = down(KeyEvent::space, 0, true);
        QCOMPARE(spaceRun({{0, letter}, {500, space}, {700, space}}), QList<qint64>{}); // still typing
        QCOMPARE(spaceRun({{0, letter}, {1100, space}, {1300, space}}), QList<qint64>{1300});
        QCOMPARE(spaceRun({{0, letter}, {1000, space}, {1200, space}}), QList<qint64>{}); // the guard is inclusive
        // A held space bar repeats, which counts as one tap.
        QCOMPARE(spaceRun({{5000, space}, {5100, held}, {5200, held}}), QList<qint64>{});
        // Space with Shift or Caps Lock counts as another key; modifier changes are ignored.
        QCOMPARE(spaceRun({{5000, space}, {5100, down(KeyEvent::space, KeyEvent::shiftFlag)}, {5200, space}}),
                 QList<qint64>{});
        QCOMPARE(spaceRun({{5000, space}, {5100, flags(KeyEvent::leftShift, shiftOnly)}, {5200, space}}),
                 QList<qint64>{5200});
        QCOMPARE(spaceRun({{5000, down(KeyEvent::space, capsLock)}, {6500, space}, {6600, space}}),
                 QList<qint64>{6600});
    }

    void monitorLifeCycle()
    {
        FakeKeyEvents events;
        DoubleTapKeyMonitor monitor(events);
        monitor.start(DoubleTapKey::none, 2, [] {});
        QCOMPARE(events.monitors(), 0);
        QCOMPARE(monitor.mode(), DoubleTapKey::none);

        monitor.start(DoubleTapKey::shift, 2, [] {});
        monitor.start(DoubleTapKey::space, 3, [] {});
        QCOMPARE(events.global.size(), 1);
        QCOMPARE(events.local.size(), 1);
        QCOMPARE(monitor.tapCount(), 3);

        monitor.stop();
        QCOMPARE(events.monitors(), 0);
        QCOMPARE(monitor.mode(), DoubleTapKey::none);
        // A desktop that refuses the global monitor still leaves the local one.
        events.refuseGlobal = true;
        monitor.start(DoubleTapKey::shift, 2, [] {});
        QCOMPARE(events.local.size(), 1);
        QVERIFY(monitor.isListening());
    }

    // Which rule a mode feeds, from which monitor, on a real clock's values (days of uptime, in whole
    // milliseconds): Shift taps 350 ms apart fire and 351 ms apart do not; a Space run fires only more
    // than 1000 ms after other typing.
    void modesFeedTheirRule()
    {
        FakeKeyEvents events;
        qint64 now = 259'200'123;
        DoubleTapKeyMonitor monitor(events, [&] { return now; });
        int fired = 0;
        // Each event `after` milliseconds later, to the global monitors or the panel's own.
        const auto send = [&](qint64 after, const KeyEvent& event) {
            now += after;
            events.send(event);
        };
        const auto sendLocal = [&](qint64 after, const KeyEvent& event) {
            now += after;
            events.sendLocal(event);
        };
        monitor.start(DoubleTapKey::shift, 2, [&] { ++fired; });
        send(0, shiftDown());
        send(0, shiftUp);
        sendLocal(351, shiftDown(KeyEvent::rightShift)); // the panel's own keys count too
        QCOMPARE(fired, 0);
        sendLocal(350, shiftDown());
        QCOMPARE(fired, 1);
        send(0, space);
        send(100, space);
        QCOMPARE(fired, 1);

        monitor.start(DoubleTapKey::space, 2, [&] { ++fired; });
        send(0, letter);
        send(1000, space); // still typing
        send(100, space);
        QCOMPARE(fired, 1);
        send(0, letter);
        send(1001, shiftDown()); // a modifier change is no typing
        send(0, space);
        sendLocal(100, space);
        QCOMPARE(fired, 2);

        monitor.stop();
        send(2000, space);
        send(100, space);
        QCOMPARE(fired, 2);
    }

    void tapCountAndRestartsFromTheHandler()
    {
        FakeKeyEvents events;
        qint64 now = 0;
        DoubleTapKeyMonitor monitor(events, [&] { return now; });
        int fired = 0;
        // The handler re-wires the monitor, as a settings change does.
        std::function<void()> handler = [&] {
            ++fired;
            monitor.start(DoubleTapKey::shift, 3, handler);
        };
        monitor.start(DoubleTapKey::shift, 1, handler); // a count below two needs two
        for (int i = 0; i < 4; ++i, now += 200)
            events.send(shiftDown());
        QCOMPARE(fired, 1);
        QCOMPARE(events.monitors(), 2);
        events.send(shiftDown());
        QCOMPARE(fired, 2);
    }
};

QTEST_GUILESS_MAIN(TriggersTest)
#include "tst_triggers.moc"
