#include "Residents.h"
#include "platform/x11/X11Keyboard.h"

#include <QDir>
#include <QScopeGuard>

// The resident application on a real desktop, driven through XTest: the hot key, the double taps,
// the single copy and clicks on the panel.
class X11TriggersTest : public QObject {
    Q_OBJECT

    TestWindows windows;
    XTestKeys keys;
    Residents residents{windows};

    Resident& start(const Layout& layout, bool wait = true) { return residents.start(layout, wait); }
    bool panelShown(Resident& r) { return residents.windowOf(r, u"Panedeck"_s).has_value(); }
    std::optional<xcb_window_t> showPanel(Resident& r) { return residents.showPanel(r, keys); }
    void hidePanel(Resident& r)
    {
        if (!panelShown(r))
            return;
        keys.hotkey();
        QVERIFY(waitUntil([&] { return !panelShown(r); }));
    }
    void taps(xcb_keysym_t key, int count, unsigned long gapMs)
    {
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                QThread::msleep(gapMs);
            keys.tap(key);
        }
    }
    // Dismisses an alert with the Return key.
    void dismiss(xcb_window_t alert)
    {
        windows.activate(alert);
        QVERIFY(windows.waitForActive(alert));
        keys.tap(Keysym::returnKey);
    }
    // Whether an open menu has the keys: some client holds the whole keyboard (which only a viewable
    // window can).
    bool menuHasTheKeys()
    {
        xcb_connection_t* c = windows.c();
        const auto grab = ask(c,
                              xcb_grab_keyboard(c, 0, windows.x().root(), XCB_CURRENT_TIME,
                                                XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                              xcb_grab_keyboard_reply);
        if (grab && grab->status == XCB_GRAB_STATUS_ALREADY_GRABBED)
            return true;
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        windows.x().sync();
        return false;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(windows.available() && keys.available(), "cannot open the X11 display");
        // Something other than the panel holds the focus, as on a real desktop.
        QVERIFY(windows.spawnTerminal(u"XTerm"_s, u"desk"_s));
    }
    void init() { residents.reset(); }

    void hotkeyTogglesThePanel()
    {
        Resident& r = start(Layout{});
        for (int round = 0; round < 2; ++round) { // an accessory, off the task bar each time it shows
            keys.hotkey();
            QVERIFY(waitUntil([&] { return panelShown(r); }));
            QVERIFY(windows.hasState(*residents.windowOf(r, u"Panedeck"_s), "_NET_WM_STATE_SKIP_TASKBAR"));
            keys.hotkey();
            QVERIFY2(waitUntil([&] { return !panelShown(r); }), r.collect().constData());
        }
        // With Num Lock, Caps Lock or both on the combination still counts; the locks are turned off
        // again whatever happens.
        const auto locks = [&] { // whether Num Lock and Caps Lock are on
            const uint16_t mask = windows.pointer().second;
            return std::pair<bool, bool>(mask & XCB_MOD_MASK_2, mask & XCB_MOD_MASK_LOCK);
        };
        const auto turn = [&](std::pair<bool, bool> on) {
            if (locks().first != on.first)
                keys.tap(0xff7f);
            if (locks().second != on.second)
                keys.tap(0xffe5);
        };
        const auto unlock = qScopeGuard([&] { turn({false, false}); });
        for (const auto& on : {std::pair(true, false), std::pair(false, true), std::pair(true, true)}) {
            turn(on);
            QCOMPARE(locks(), on);
            keys.hotkey();
            QVERIFY2(waitUntil([&] { return panelShown(r); }), qPrintable(QDebug::toString(on)));
            hidePanel(r);
        }
    }

    void hotkeyFollowsAKeyboardRemap()
    {
        Resident& r = start(Layout{});
        // Swap what the V and X keys type, as choosing another layout would, and back at the end.
        const X11Keyboard keyboard = X11Keyboard::load(windows.c());
        const auto vKey = keyboard.keycode('v'), xKey = keyboard.keycode('x');
        QVERIFY(vKey && xKey);
        const auto type = [&](xcb_keycode_t key, xcb_keysym_t lower) {
            const xcb_keysym_t symbols[2] = {lower, lower - 0x20};
            xcb_change_keyboard_mapping(windows.c(), 1, key, 2, symbols);
            windows.x().sync();
        };
        const auto restore = qScopeGuard([&] {
            type(*vKey, 'v');
            type(*xKey, 'x');
            keys = XTestKeys();
        });
        type(*vKey, 'x');
        type(*xKey, 'v');
        keys = XTestKeys();
        QVERIFY(r.saw("the hot key follows the new keyboard mapping"));
        keys.hotkey(); // now on the key that was X
        QVERIFY2(waitUntil([&] { return panelShown(r); }), r.collect().constData());
    }

    void shiftTapsMustBeQuickAndAlone()
    {
        Resident& r = start(Layout{});
        taps(Keysym::shiftL, 2, 100);
        QVERIFY(waitUntil([&] { return panelShown(r); }));
        hidePanel(r);

        // Waits that must outlast the 350 ms gap are well past it, taps that must fall inside it well
        // inside: a busy machine only stretches a wait.
        QThread::msleep(800);
        taps(Keysym::shiftR, 2, 800);
        QVERIFY(staysFalse([&] { return panelShown(r); }));

        // Shift held with another modifier is not a tap.
        QThread::msleep(800);
        keys.chord({Keysym::altL, Keysym::shiftL});
        keys.chord({Keysym::altL, Keysym::shiftL});
        QVERIFY(staysFalse([&] { return panelShown(r); }));
    }

    void settingsChangesRewireAtOnce()
    {
        Resident& r = start(Layout{});
        const auto panel = showPanel(r);
        QVERIFY(panel); // shown and taking the keys: ready for clicks
        keys.click(windows.rootOrigin(*panel) + QPoint(1236, 54)); // settings, right in the header
        QVERIFY2(r.saw("SheetHost: showing アプリ設定"), r.errors.constData());
        // The sheet is drawn in the panel, which keeps the keyboard for it.
        QVERIFY(!residents.windowOf(r, u"アプリ設定"_s));
        // The double-tap key is the second field of the focus chain, the tap count the third: Space,
        // three taps, saved.
        for (const xcb_keysym_t key : {Keysym::tab, Keysym::tab, Keysym::down, Keysym::tab, Keysym::down, Keysym::returnKey})
            keys.tap(key);
        QVERIFY2(r.saw("hotkey on, double tap space x3"), r.errors.constData());
        keys.tap(Keysym::escape); // the panel has the keyboard still: Escape hides it
        QVERIFY(waitUntil([&] { return !panelShown(r); }));

        // Without a restart, Shift no longer opens the panel and Space does at the third quick tap,
        // 80 ms apart; the 1 s typing guard and the 350 ms gap are outlasted by far.
        QThread::msleep(1800);
        taps(Keysym::shiftL, 3, 100);
        QVERIFY(staysFalse([&] { return panelShown(r); }, 800));
        taps(Keysym::space, 2, 80);
        QVERIFY(staysFalse([&] { return panelShown(r); }, 800));
        taps(Keysym::space, 3, 80);
        QVERIFY(waitUntil([&] { return panelShown(r); }));
    }

    // The hot key hides the panel with its sheet open; shown again, the sheet is there with what
    // was typed into it, and Return saves it.
    void aSheetAndItsEditsSurviveTheHotKey()
    {
        Resident& r = start(residents.slotsFor({u"alpha"_s}));
        const auto panel = showPanel(r);
        QVERIFY(panel);
        // Slot 1's menu, its first entry: the slot's settings, the name field first.
        keys.click(windows.rootOrigin(*panel) + QPoint(450, 175), 3);
        QVERIFY(waitUntil([&] { return menuHasTheKeys(); }));
        keys.tap(Keysym::down);
        keys.tap(Keysym::returnKey);
        QVERIFY2(r.saw("SheetHost: showing マス 1 の設定"), r.errors.constData());
        keys.tap(Keysym::x);
        keys.hotkey();
        QVERIFY(waitUntil([&] { return !panelShown(r); }));
        QCOMPARE(showPanel(r), panel);
        keys.tap(Keysym::returnKey);
        const QString saved = residents.homePath(u"data/Panedeck/layout.json"_s);
        QVERIFY(waitUntil([&] { return TestFiles::read(saved).contains("\"alphax\""); }));
    }

    // A start sweeps only its own leftover saves: a user's copies beside layout.json stay. A second
    // copy explains and leaves.
    void aSecondCopyExplainsAndLeaves()
    {
        const QDir support(residents.homePath(u"data/Panedeck"_s));
        const QStringList users{u"layout.json.backup"_s, u"layout.json.old123"_s, u"layout.json.BACKUP"_s};
        const QString ours = u".layout.json.panedeck-save-a1b2c3d4e5f6"_s;
        for (const QString& name : users + QStringList{ours})
            QVERIFY(TestFiles::write(support.filePath(name), "{}", 3600)); // an hour old
        Resident& first = start(Layout{});
        for (const QString& name : users)
            QVERIFY2(support.exists(name), qPrintable(name));
        QVERIFY(!support.exists(ours));

        Resident& second = start(Layout{}, false);
        const auto alert = residents.waitForWindow(second, u"Panedeck は既に起動しています"_s);
        QVERIFY(alert);
        dismiss(*alert);
        QVERIFY(second.process.waitForFinished(5000));
        second.collect();
        QVERIFY2(second.process.exitCode() == 0, second.errors.constData());
        QCOMPARE(second.output, QByteArray());

        QCOMPARE(first.process.state(), QProcess::Running);
        keys.hotkey();
        QVERIFY(waitUntil([&] { return panelShown(first); }));
    }

    void aTakenHotkeyIsReportedAndTapsStillWork()
    {
        // Another client holds Alt+Super+V.
        auto other = X11Connection::open();
        const X11Keyboard keyboard = X11Keyboard::load(other->raw());
        const auto v = keyboard.keycode(Keysym::v);
        QVERIFY(v);
        const auto grab =
            xcb_grab_key_checked(other->raw(), 1, other->root(), uint16_t(keyboard.modifierState(0x900)), *v,
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        QVERIFY(!xcb_request_check(other->raw(), grab));

        Resident& r = start(Layout{}, false);
        const auto alert = residents.waitForWindow(r, u"ホットキーを登録できませんでした"_s);
        QVERIFY(alert);
        QVERIFY(r.saw("HotkeyManager: RegisterEventHotKey failed (-9878)"));
        dismiss(*alert);
        QVERIFY(r.saw("hotkey refused, double tap shift x2"));

        taps(Keysym::shiftL, 2, 100);
        QVERIFY(waitUntil([&] { return panelShown(r); }));
        taps(Keysym::shiftL, 2, 100); // on an open panel: tiles (nothing to tile here) and stays
        QVERIFY(staysFalse([&] { return !panelShown(r); }, 500));
    }

    // `panedeck toggle` shows and hides the running copy's panel; a copy over another support folder
    // is not reached, and without a running copy it says so.
    void toggleFromTheCommandLine()
    {
        const auto toggle = [&](const QString& dataHome) {
            QProcessEnvironment env = residents.environment();
            env.insert(u"XDG_DATA_HOME"_s, dataHome);
            return runPanedeck({u"toggle"_s}, env);
        };
        const QString own = residents.homePath(u"data"_s), other = residents.homePath(u"other"_s);
        QCOMPARE(toggle(own), std::make_pair(1, u"Panedeck is not running.\n"_s));
        Resident& r = start(Layout{});
        QCOMPARE(toggle(own).first, 0);
        QVERIFY(waitUntil([&] { return panelShown(r); }));
        QCOMPARE(toggle(other), std::make_pair(1, u"Panedeck is not running.\n"_s));
        QVERIFY(panelShown(r));
        QCOMPARE(toggle(own).first, 0);
        QVERIFY(waitUntil([&] { return !panelShown(r); }));
    }

    // Twenty rounds of the hot key with a digit typed at once after it: 0 tiles, then at once the
    // panel again and 1 maximises slot 1. The digits wait for the panel to have the keyboard, and
    // the tiling that ends while the panel is open again raises its windows but leaves the panel the
    // keyboard. Every other round waits for the tiling first.
    void keysTypedRightAfterTheHotkeyReachThePanel()
    {
        Layout layout = residents.slotsFor({u"alpha"_s, u"beta"_s});
        QList<xcb_window_t> editors;
        for (const QString& name : {u"alpha"_s, u"beta"_s}) {
            const auto editor =
                windows.spawnTerminal(u"Code"_s, u"main.cpp — "_s + name + u" — Visual Studio Code"_s);
            QVERIFY(editor);
            editors << *editor;
        }
        QVERIFY(windows.waitForActive(editors[1]));
        layout.lastTileCount = 2;
        Resident& r = start(layout);
        // Slot 1's window is as tall as the screen once tiled or maximised; then its width tells which.
        const auto width = [&] {
            const QRect frame = windows.outerFrame(editors[0]);
            return frame.height() > 1000 ? frame.width() : 0;
        };
        // The first opening builds the panel, which a loaded machine may take longer for than the
        // keys are held; the rounds are about the openings after it. A click there on slot 1 raises
        // its window (not the last one active, which the panel's hiding alone would give the keys).
        const auto panel = showPanel(r);
        QVERIFY(panel);
        keys.click(windows.rootOrigin(*panel) + QPoint(450, 175)); // slot 1, at the top left of the grid
        QVERIFY(windows.waitForActive(editors[0]));
        QVERIFY(waitUntil([&] { return !panelShown(r); }));
        for (int i = 0; i < 20; ++i) {
            const QString round = QString::number(i);
            keys.hotkey();
            keys.tap('0');
            QVERIFY2(
                waitUntil([&] { return !panelShown(r) && (i % 2 == 1 || std::abs(width() - 960) < 40); }),
                qPrintable(round));
            keys.hotkey();
            keys.tap('1');
            QVERIFY2(waitUntil([&] { return width() > 1900; }),
                     qPrintable(round + QDebug::toString(windows.outerFrame(editors[0]))));
            QVERIFY2(waitUntil([&] { return !panelShown(r); }), qPrintable(round));
        }
    }

    // Terminal slots on Linux: xterm windows found by the folder their shell works in are listed,
    // tiled into their slots and raised by a click.
    void terminalSlotsFindTheirShells()
    {
        const QString alpha = residents.homePath(u"alpha ü"_s), beta = residents.homePath(u"beta"_s);
        QVERIFY(QDir().mkpath(alpha) && QDir().mkpath(beta));
        const auto a = windows.spawnTerminal(u"XTerm"_s, u"shell one"_s, alpha);
        const auto b = windows.spawnTerminal(u"XTerm"_s, u"shell two"_s, beta);
        const auto editor = windows.spawnTerminal(u"Code"_s, u"main.cpp — gamma — Visual Studio Code"_s);
        QVERIFY(a && b && editor && windows.waitForActive(*editor));

        const QStringList lines =
            runPanedeck({u"list-terminals"_s}, residents.environment()).second.split(u'\n');
        for (const QString& line : {u"["_s + alpha + u"] shell one"_s, u"["_s + beta + u"] shell two"_s})
            QVERIFY2(lines.contains(line), qPrintable(lines.join(u" | "_s)));

        Layout layout{.lastTileCount = 2};
        layout.slots.insert(u"1"_s, {.name = u"1"_s, .path = alpha, .kind = u"terminal"_s});
        layout.slots.insert(u"2"_s, {.name = u"2"_s, .path = beta, .kind = u"terminal"_s});
        Resident& r = start(layout);

        // Key 0 tiles the two slots' windows over the screen, left and right; the Terminal windows
        // are listed in the background, so the key is pressed again until they have been.
        const auto placed = [&](xcb_window_t window, int left) {
            const QRect frame = windows.outerFrame(window);
            return std::abs(frame.x() - left) < 20 && std::abs(frame.y()) < 20 &&
                   std::abs(frame.width() - 960) < 20 && std::abs(frame.height() - 1080) < 20;
        };
        bool tiled = false;
        for (int attempt = 0; attempt < 3 && !tiled; ++attempt) {
            if (!panelShown(r)) {
                keys.hotkey();
                QVERIFY(waitUntil([&] { return panelShown(r); }));
            }
            keys.tap('0');
            tiled = waitUntil([&] { return placed(*a, 0) && placed(*b, 960); }, 3000);
        }
        QVERIFY2(tiled, qPrintable(u"%1 %2"_s.arg(QDebug::toString(windows.outerFrame(*a)),
                                                  QDebug::toString(windows.outerFrame(*b)))));

        // A click on slot 2 raises its shell's window.
        hidePanel(r);
        const auto panel = showPanel(r);
        QVERIFY(panel);
        keys.click(windows.rootOrigin(*panel) + QPoint(760, 175));
        QVERIFY(windows.waitForActive(*b));
        QVERIFY(waitUntil([&] { return !panelShown(r); }));
    }

    // Quitting while the usage probe runs: the probe, with what it started (even what ignores
    // SIGTERM), ends within moments and the application leaves cleanly (under the sanitizers too: nothing
    // touched after it is gone).
    void quittingWhileTheUsageProbeRuns()
    {
        const QString claude = residents.homePath(u".local/bin/claude"_s);
        // Its child does not listen to SIGTERM.
        QVERIFY(TestFiles::write(claude, "#!/bin/sh\nsh -c 'trap \"\" TERM; exec sleep 60' &\necho $! > "
                                         "\"$HOME/probe-child\"\nwait\n"));
        QVERIFY(QFile::setPermissions(claude, QFile::permissions(claude) | QFile::ExeOwner));
        Resident& r = start(Layout{.claudeUsageEnabled = true});
        const auto panel = showPanel(r);
        QVERIFY(panel);
        qint64 sleeper = 0;
        QVERIFY(waitUntil(
            [&] { return (sleeper = TestFiles::pidIn(residents.homePath(u"probe-child"_s))) > 0; }));

        keys.click(windows.rootOrigin(*panel) + QPoint(1300, 54)); // 終了, at the right end of the header
        QVERIFY(r.process.waitForFinished(5000));
        r.collect();
        QCOMPARE(r.process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(r.process.exitCode() == 0, r.errors.constData());
        QVERIFY2(!r.errors.contains("Sanitizer") && !r.errors.contains("runtime error"),
                 r.errors.constData());
        // The script's own child went with it.
        QVERIFY(waitUntil([&] { return TestFiles::ended(sleeper); }));
    }
};

PANEDECK_X11_TEST_MAIN(X11TriggersTest)
#include "tst_x11_triggers.moc"
