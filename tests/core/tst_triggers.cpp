#include "FakeTriggers.h"
#include "core/triggers/DoubleTapKeyMonitor.h"
#include "core/triggers/HotkeyManager.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
HotkeyConfig config(QStringList modifiers, quint32 keyCode = 9)
{
    return {keyCode, std::move(modifiers)};
}
KeyEvent shiftDown(quint16 key = KeyEvent::leftShift)
{
    return TestKeys::flags(key, KeyEvent::shiftFlag);
}
const KeyEvent shiftUp = TestKeys::flags(KeyEvent::leftShift, 0);
using TestKeys::down;
} // namespace

// The hot key's registration life cycle and the keyboard monitor feeding the tap detectors.
class TriggersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void modifierMasks()
    {
        QCOMPARE(HotkeyConfig::defaultConfig().carbonModifiers(), 0x900u);
        QCOMPARE(config({u"command"_s, u"command"_s}).carbonModifiers(), 0x100u);
        QCOMPARE(config({u"Command"_s, u"alt"_s, u"cmd"_s}).carbonModifiers(), 0u);
        QCOMPARE(config({u"control"_s, u"option"_s, u"shift"_s, u"command"_s}).carbonModifiers(), 0x1B00u);
        QCOMPARE(config({}).carbonModifiers(), 0u);
    }

    void registeringReplacesAndPressesArriveLater()
    {
        FakeHotkeys service;
        HotkeyManager manager(service);
        int first = 0, second = 0;
        QVERIFY(manager.registerHotkey(HotkeyConfig::defaultConfig(), [&] { ++first; }));
        QVERIFY(manager.registerHotkey(config({u"control"_s}, 0), [&] { ++second; }));
        QCOMPARE(service.hotKeysRegistered, 1);
        QCOMPARE(service.handlersInstalled, 1);
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
        QCOMPARE(service.hotKeysRegistered, 0);
        QCOMPARE(service.handlersInstalled, 0);
        manager.unregister(); // harmless twice
        QCOMPARE(service.handlersInstalled, 0);
    }

    void refusalsLeaveNothingInstalled()
    {
        FakeHotkeys service;
        HotkeyManager manager(service);
        service.registerStatus = Hotkeys::combinationTaken;
        QTest::ignoreMessage(QtInfoMsg, "HotkeyManager: RegisterEventHotKey failed (-9878)");
        QVERIFY(!manager.registerHotkey(HotkeyConfig::defaultConfig(), [] {}));
        QCOMPARE(service.handlersInstalled, 0);
        QCOMPARE(service.hotKeysRegistered, 0);
        QVERIFY(!manager.isRegistered());

        service.registerStatus = 0;
        service.installStatus = Hotkeys::serviceUnavailable;
        QTest::ignoreMessage(QtInfoMsg, "HotkeyManager: InstallEventHandler failed (-9868)");
        QVERIFY(!manager.registerHotkey(HotkeyConfig::defaultConfig(), [] {}));
        QVERIFY(service.registrations.isEmpty());

        // A manager that goes away takes its hot key with it.
        service.installStatus = 0;
        {
            HotkeyManager shortLived(service);
            QVERIFY(shortLived.registerHotkey(HotkeyConfig::defaultConfig(), [] {}));
        }
        QCOMPARE(service.hotKeysRegistered, 0);
        QCOMPARE(service.handlersInstalled, 0);
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

    // The timing rules themselves are tested with the detectors; here: which rule a mode feeds, from
    // which monitor, on which clock.
    void modesFeedTheirRule()
    {
        FakeKeyEvents events;
        qint64 now = 10000;
        DoubleTapKeyMonitor monitor(events, [&] { return now; });
        int fired = 0;
        monitor.start(DoubleTapKey::shift, 2, [&] { ++fired; });
        events.send(shiftDown());
        events.send(shiftUp);
        now += 300;
        events.sendLocal(shiftDown(KeyEvent::rightShift)); // the panel's own keys count too
        QCOMPARE(fired, 1);
        events.send(down(KeyEvent::space));
        now += 100;
        events.send(down(KeyEvent::space));
        QCOMPARE(fired, 1);

        monitor.start(DoubleTapKey::space, 2, [&] { ++fired; });
        events.send(down(0)); // typing "a" …
        now += 500;
        events.send(down(KeyEvent::space)); // … then spaces too soon after it
        now += 100;
        events.send(down(KeyEvent::space));
        QCOMPARE(fired, 1);
        now += 1100;
        events.send(shiftDown());
        events.send(down(KeyEvent::space));
        now += 200;
        events.sendLocal(down(KeyEvent::space));
        QCOMPARE(fired, 2);

        monitor.stop();
        now += 2000;
        events.send(down(KeyEvent::space));
        now += 100;
        events.send(down(KeyEvent::space));
        QCOMPARE(fired, 2);
    }

    // The monitor's own rules at a real clock's values (days of uptime, in whole milliseconds): two
    // Shift taps 350 ms apart fire, 351 ms apart do not; a Space run fires only more than 1000 ms
    // after other typing.
    void monitorTimingAtRealClockValues_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<qint64>("gap");
        QTest::addColumn<bool>("fires");
        QTest::newRow("shift 350") << int(DoubleTapKey::shift) << qint64(350) << true;
        QTest::newRow("shift 351") << int(DoubleTapKey::shift) << qint64(351) << false;
        QTest::newRow("space 1000 after typing") << int(DoubleTapKey::space) << qint64(1000) << false;
        QTest::newRow("space 1001 after typing") << int(DoubleTapKey::space) << qint64(1001) << true;
    }
    void monitorTimingAtRealClockValues()
    {
        QFETCH(int, mode);
        QFETCH(qint64, gap);
        QFETCH(bool, fires);
        FakeKeyEvents events;
        qint64 now = 259'200'123;
        DoubleTapKeyMonitor monitor(events, [&] { return now; });
        int fired = 0;
        monitor.start(DoubleTapKey(mode), 2, [&] { ++fired; });
        if (DoubleTapKey(mode) == DoubleTapKey::shift) {
            events.send(shiftDown());
            events.send(shiftUp);
            now += gap;
            events.send(shiftDown());
        } else {
            events.send(down(0));
            now += gap;
            events.send(down(KeyEvent::space));
            now += 100;
            events.send(down(KeyEvent::space));
        }
        QCOMPARE(fired == 1, fires);
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
        events.send(shiftDown());
        now += 200;
        events.send(shiftDown());
        QCOMPARE(fired, 1);
        QCOMPARE(events.monitors(), 2);

        for (int i = 0; i < 2; ++i, now += 200)
            events.send(shiftDown());
        QCOMPARE(fired, 1);
        events.send(shiftDown());
        QCOMPARE(fired, 2);
    }
};

QTEST_GUILESS_MAIN(TriggersTest)
#include "tst_triggers.moc"
