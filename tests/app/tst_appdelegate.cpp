#include "AppStateFixture.h"
#include "FakeTriggers.h"
#include "app/AppDelegate.h"
#include "core/layout/LayoutJson.h"
#include "core/shell/SingleInstance.h"
#include "ui/PanelController.h"

#include <QDialog>
#include <QTest>

// Start-up order, the single copy, and how the two triggers are wired to the panel.
class AppDelegateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<AppStateFixture> fx;
    FakeBundle bundle;
    FakeHotkeys hotkeys;
    FakeKeyEvents keys;
    std::unique_ptr<AppDelegate> delegate;
    struct Alert {
        AppDelegate::AlertStyle style;
        QString title;
        QString text;
    };
    QList<Alert> alerts;

    QString layoutFile() const { return fx->dir.filePath(QStringLiteral("support/layout.json")); }

    // Starts the application over `layout` as the file holds it.
    bool launch(const Layout& layout)
    {
        TestFiles::write(layoutFile(), LayoutJson::encode(layout));
        fx->desktop = std::make_unique<DesktopServices>(
            DesktopServices{fx->ax, fx->processes, fx->appleScript, fx->workspace, fx->sleeper});
        delegate = std::make_unique<AppDelegate>(
            ResidentServices{*fx->desktop, bundle, hotkeys, keys, fx->screens, fx->effect, fx->scheduling,
                             fx->environment(), layoutFile(), 500},
            [this](AppDelegate::AlertStyle style, const QString& title, const QString& text) {
                alerts.append({style, title, text});
            });
        return delegate->applicationDidFinishLaunching();
    }
    // Two quick Shift taps.
    void doubleTap()
    {
        for (int tap = 0; tap < 2; ++tap)
            keys.send(TestKeys::flags(KeyEvent::leftShift, KeyEvent::shiftFlag));
    }
    bool panelVisible() const { return delegate->panelController()->isVisible(); }

private Q_SLOTS:
    void init()
    {
        fx = std::make_unique<AppStateFixture>();
        hotkeys = FakeHotkeys();
        keys.global.clear();
        keys.local.clear();
        alerts.clear();
        bundle.identifier = QStringLiteral("app.panedeck.Panedeck");
    }
    void cleanup()
    {
        delegate.reset();
        fx.reset();
    }

    void aSecondCopyTellsTheUserAndCreatesNothing()
    {
        fx->workspace.processes[*bundle.identifier] = {{400, std::nullopt}, {500, std::nullopt}};
        QTest::ignoreMessage(QtInfoMsg,
                             "SingleInstance: 既に起動中のインスタンスがあるためこのプロセスを終了します");
        QVERIFY(!launch(Layout{}));
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0].style, AppDelegate::AlertStyle::informational);
        QCOMPARE(alerts[0].title, u"Panedeck は既に起動しています"_qs);
        QCOMPARE(
            alerts[0].text,
            u"二重に起動すると設定が上書きされて消えることがあるため、起動中のものをそのまま使用します。"_qs);
        QVERIFY(!delegate->store() && !delegate->state() && !delegate->panelController());
        QCOMPARE(hotkeys.handlersInstalled, 0);
        QCOMPARE(keys.monitors(), 0);
        QVERIFY(fx->ax.trustPrompts.isEmpty());
    }

    void startUpWiresBothTriggers()
    {
        fx->workspace.processes[*bundle.identifier] = {{500, std::nullopt}, {600, std::nullopt}};
        Layout layout;
        layout.hotkey = {0, {QStringLiteral("control"), QStringLiteral("shift")}};
        layout.tapCount = 3;
        QVERIFY(launch(layout));
        QVERIFY(delegate->store() && delegate->state() && delegate->panelController());
        QVERIFY(!panelVisible());                                  // nothing shown until a trigger fires
        QCOMPARE(fx->ax.trustPrompts, (QList<bool>{true, false})); // asked once; the triggers only look
        QCOMPARE(hotkeys.registrations, (QList<std::pair<quint32, quint32>>{{0, 0x1200}}));
        QCOMPARE(delegate->doubleTapMonitor().mode(), DoubleTapKey::shift);
        QCOMPARE(delegate->doubleTapMonitor().tapCount(), 3);
        QVERIFY(alerts.isEmpty());
    }

    // Both triggers off in the layout: nothing is wired until the settings turn them on.
    void changedSettingsRewireAtOnce()
    {
        QVERIFY(launch(Layout{.hotkeyEnabled = false, .doubleTapKey = u"none"_qs}));
        QCOMPARE(hotkeys.handlersInstalled, 0);
        QCOMPARE(keys.monitors(), 0);
        delegate->state()->updateTriggerSettings(true, DoubleTapKey::space, 3);
        QCOMPARE(delegate->doubleTapMonitor().mode(), DoubleTapKey::space);
        QCOMPARE(delegate->doubleTapMonitor().tapCount(), 3);
        QCOMPARE(keys.monitors(), 2);
        QCOMPARE(hotkeys.hotKeysRegistered, 1);

        delegate->state()->updateTriggerSettings(false, DoubleTapKey::none, 2);
        QCOMPARE(hotkeys.hotKeysRegistered, 0);
        QCOMPARE(hotkeys.handlersInstalled, 0);
        QCOMPARE(keys.monitors(), 0);
    }

    // A global key monitor hears keys only once the process is trusted: access granted while running
    // wires the triggers again, once.
    void accessGrantedLaterRewiresTheTriggers()
    {
        fx->ax.trusted = false;
        QVERIFY(launch(Layout{}));
        delegate->state()->refresh();
        QCOMPARE(hotkeys.registrations.size(), 1);
        fx->ax.trusted = true;
        QTest::ignoreMessage(QtInfoMsg, "Panedeck: accessibility access granted, triggers wired again");
        QTest::ignoreMessage(QtInfoMsg, "Panedeck: triggers wired (hotkey on, double tap shift x2)");
        delegate->state()->refresh();
        QCOMPARE(hotkeys.registrations.size(), 2);
        QCOMPARE(keys.monitors(), 2);
        delegate->state()->refresh();
        QCOMPARE(hotkeys.registrations.size(), 2);
    }

    void aTakenHotkeyIsReportedAndTheDoubleTapStillWorks()
    {
        hotkeys.registerStatus = Hotkeys::combinationTaken;
        QTest::ignoreMessage(QtInfoMsg, "HotkeyManager: RegisterEventHotKey failed (-9878)");
        QVERIFY(launch(Layout{}));
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0].style, AppDelegate::AlertStyle::warning);
        QCOMPARE(alerts[0].title, QStringLiteral("ホットキーを登録できませんでした"));
        QCOMPARE(alerts[0].text, u"他のアプリが同じホットキーを使用している可能性があります。"_qs +
                                     layoutFile() + u" の hotkey を変更してアプリを再起動してください。"_qs);

        // Reported again on every re-wiring.
        QTest::ignoreMessage(QtInfoMsg, "HotkeyManager: RegisterEventHotKey failed (-9878)");
        delegate->state()->updateTriggerSettings(true, DoubleTapKey::shift, 2);
        QCOMPARE(alerts.size(), 2);
    }

    // The whole text is checked above; here only how the file is named from the home folder.
    void alertTextNamesTheLayoutFileFromHome()
    {
        const QList<std::array<QString, 3>> rows{
            // file, home, as named
            {u"/home/u/Library/Application Support/x.json"_qs, u"/home/u"_qs,
             u"~/Library/Application Support/x.json"_qs},
            {u"/home/u/.local/share/x.json"_qs, u"/home/u/"_qs, u"~/.local/share/x.json"_qs},
            {u"/home/user2/x.json"_qs, u"/home/u"_qs, u"/home/user2/x.json"_qs}}; // only begins like the home
        for (const auto& [file, home, named] : rows)
            QVERIFY2(AppDelegate::hotkeyAlertText(file, home).contains(u"。"_qs + named + u" の hotkey"_qs),
                     qPrintable(file));
    }

    void doubleTapShowsTilesOrWaitsForSheets()
    {
        Layout layout;
        layout.slots[QStringLiteral("1")] =
            AppStateFixture::entry(QStringLiteral("alpha"), QStringLiteral("/p/alpha"));
        layout.slots[QStringLiteral("2")] =
            AppStateFixture::entry(QStringLiteral("beta"), QStringLiteral("/p/beta"));
        fx->editorWindow(42, QStringLiteral("alpha"));
        fx->editorWindow(42, QStringLiteral("beta"));
        QVERIFY(launch(layout));

        doubleTap();
        QVERIFY(panelVisible());
        fx->scheduling.runBackground();
        QVERIFY(delegate->state()->status(1)->window);

        // On an open panel a double tap tiles and closes it.
        doubleTap();
        QVERIFY(!panelVisible());
        fx->scheduling.runPlacements();
        QVERIFY(fx->ax.calls.join(u'\n').contains(QStringLiteral("set "))); // the windows were placed

        // While a sheet is open the double tap does nothing, but the hot key still hides the panel.
        delegate->panelController()->show();
        delegate->state()->setSettingsSlot(1);
        QCoreApplication::processEvents(); // the sheet follows on the next turn
        doubleTap();
        QVERIFY(panelVisible());
        hotkeys.press();
        QCoreApplication::processEvents();
        QVERIFY(!panelVisible());
        delegate->state()->setSettingsSlot(std::nullopt);
        QCoreApplication::processEvents();

        // Nor while a modal window is up.
        QDialog modal;
        modal.setModal(true);
        modal.show();
        QVERIFY(QApplication::activeModalWidget());
        doubleTap();
        QVERIFY(!panelVisible());
        modal.close();
        doubleTap();
        QVERIFY(panelVisible());
    }
};

QTEST_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
