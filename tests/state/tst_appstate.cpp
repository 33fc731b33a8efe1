#include "AppStateFixture.h"
#include "core/agents/AgentStatusStore.h"
#include "core/state/AppState.h"
#include "core/text/IsoTime.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The application state against fakes of every platform interface: the refresh cycle and its
// generations, focus, activation, tiling and maximising, badges, the usage chain and layout edits.
class AppStateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<AppStateFixture> fx;

    void terminalListing(const QStringList& listings)
    {
        fx->ax.addApplication(u"com.apple.Terminal"_qs, 300, {});
        auto remaining = std::make_shared<QStringList>(listings);
        fx->processes.output = [remaining](const QString& exe,
                                           const QStringList& args) -> std::optional<QString> {
            if (exe == u"/usr/bin/osascript"_qs && args.value(1).contains(u"repeat with w"_qs))
                return remaining->isEmpty() ? QString() : remaining->takeFirst();
            return std::nullopt; // no lsof, no bounds
        };
    }

private Q_SLOTS:
    void init() { fx = std::make_unique<AppStateFixture>(); }
    void cleanup() { fx.reset(); }

    void startsFromTheLayout()
    {
        Layout layout;
        layout.lastTileCount = 5;
        layout.panelTheme = u"graphite"_qs;
        QList<ShortcutEntry> seven;
        for (int i = 0; i < 7; ++i)
            seven.append({QString::number(i), u"/f"_qs});
        layout.folderShortcuts = seven;
        fx->make(layout);
        QCOMPARE(fx->state->lastTileCount(), 4);
        QCOMPARE(fx->state->panelTheme(), PanelTheme::mistBlue);
        QCOMPARE(fx->state->folderShortcuts().size(), 5);
        QCOMPARE(fx->state->tileSlots(), (QList<int>{1, 2, 4, 5}));
        QVERIFY(fx->state->statuses().isEmpty()); // nothing is listed before the first refresh
    }

    void onlyTheLatestListingLands()
    {
        Layout layout;
        layout.slots.insert(u"1"_qs, AppStateFixture::entry(u"web"_qs, u"/src/web"_qs));
        layout.slots.insert(u"2"_qs, AppStateFixture::entry(u"shell"_qs, QString(), u"terminal"_qs));
        fx->existing << u"/src/web"_qs;
        fx->make(layout);
        fx->editorWindow(10, u"web"_qs);
        terminalListing({u"1|/dev/a|first\n"_qs, u"2|/dev/b|shell\n"_qs});
        QSignalSpy spy(fx->state.get(), &AppState::changed);

        fx->state->refresh();
        fx->state->refresh();
        QVERIFY(fx->state->terminalLoading());
        QVERIFY(fx->state->status(1)->window); // the editor window is there at once
        QVERIFY(!fx->state->status(2)->window);
        fx->scheduling.runBackground();
        QVERIFY(!fx->state->terminalLoading());
        QCOMPARE(fx->state->status(2)->window->terminalWindowID, 2);
        int loadingChanges = 0;
        for (const auto& args : spy)
            loadingChanges +=
                args.first().value<AppState::Field>() == AppState::Field::terminalLoading ? 1 : 0;
        QCOMPARE(loadingChanges, 3); // true, true, then false once

        // Without access: no windows, the cache is dropped, loading stays as it was.
        fx->state->refresh();
        fx->ax.trusted = false;
        fx->state->refresh();
        QVERIFY(fx->state->terminalLoading());
        fx->scheduling.runBackground();
        fx->state->refresh();
        QVERIFY(!fx->state->axTrusted());
        QVERIFY(!fx->state->status(1)->window);
        fx->ax.trusted = true;
        fx->state->refresh();
        QVERIFY(!fx->state->status(2)->window); // the Terminal cache was cleared
    }

    void focusHighlightAndDimming()
    {
        fx->make(Layout{});
        terminalListing({u"7|/dev/a|build\n"_qs, u"7|/dev/a|build\n"_qs});
        fx->ax.frontmost = 300;
        fx->ax.application(300)->focusedWindow = fx->ax.addWindow({.title = u"build"_qs});

        fx->state->captureFocusedWindow();
        fx->state->refresh();
        QVERIFY(!fx->state->focusHighlight()); // found only after the Terminal listing
        fx->scheduling.runBackground();
        QVERIFY(fx->state->focusHighlight());
        QCOMPARE(fx->state->focusHighlight()->targets.size(), 1);
        QVERIFY(fx->state->focusDimActive());
        QVERIFY(fx->state->isFocusDimmed(FocusTarget::slot(4)));

        // A second opening before the first dim ends: the first timer must not end the second dim.
        fx->scheduling.advance(400);
        fx->state->captureFocusedWindow();
        QVERIFY(!fx->state->focusHighlight() && !fx->state->focusDimActive());
        fx->state->refresh(); // the cached Terminal window matches at once now
        QVERIFY(fx->state->focusDimActive());
        fx->scheduling.advance(300); // the first timer fires here
        QVERIFY(fx->state->focusDimActive());
        fx->scheduling.advance(400);
        QVERIFY(!fx->state->focusDimActive());
        QVERIFY(fx->state->focusHighlight()); // the highlight stays until the next capture
        fx->scheduling.runBackground();
    }

    void activationAndLaunching()
    {
        Layout layout;
        layout.agentStatusEnabled = true;
        layout.slots.insert(u"1"_qs, AppStateFixture::entry(u"gone"_qs, u"/gone"_qs));
        layout.slots.insert(u"2"_qs, AppStateFixture::entry(u"t"_qs, u"/src/t"_qs, u"terminal"_qs));
        layout.slots.insert(u"3"_qs, AppStateFixture::entry(u"T"_qs, u"/src/T"_qs, u"Terminal"_qs));
        layout.slots.insert(u"4"_qs,
                            AppStateFixture::entry(u"s"_qs, QString(), u"safari"_qs, u"not a url"_qs));
        layout.slots.insert(u"5"_qs,
                            AppStateFixture::entry(u"s"_qs, QString(), u"safari"_qs, u"https://a.dev"_qs));
        fx->existing << u"/src/t"_qs << u"/src/T"_qs;
        fx->make(layout);
        fx->state->refresh();
        fx->scheduling.runBackground();

        fx->state->activateSlot(1); // folder missing, no window: only acknowledged
        QVERIFY(fx->processes.calls.isEmpty());
        AgentStatusStore agents(fx->dir.filePath(u"support"_qs));
        QCOMPARE(agents.acknowledgedAt(u"/gone"_qs), fx->scheduling.clock);
        for (int slot : {2, 3, 4, 5, 9})
            fx->state->activateSlot(slot);
        QList<QStringList> launched;
        for (const auto& call : fx->processes.calls)
            launched.append(call.arguments);
        QCOMPARE(launched, (QList<QStringList>{{u"-a"_qs, u"Terminal"_qs, u"/src/t"_qs},
                                               {u"-b"_qs, u"com.microsoft.VSCode"_qs, u"/src/T"_qs},
                                               {u"-a"_qs, u"Safari"_qs, u"https://a.dev"_qs}}));
    }

    void raisingMovesThePointerAcrossDisplays()
    {
        Layout layout;
        layout.slots.insert(u"1"_qs, AppStateFixture::entry(u"web"_qs, u"/src/web"_qs));
        fx->existing << u"/src/web"_qs;
        fx->make(layout);
        // A second display to the right; the window sits on it (top-left frame 2000,100 800x600).
        fx->screens.list.append({QRectF(1920, 0, 1280, 1080), QRectF(1920, 0, 1280, 1080)});
        fx->editorWindow(10, u"web"_qs, QRectF(2000, 100, 800, 600));
        fx->state->refresh();
        fx->state->activateSlot(1);
        QCOMPARE(fx->ax.callsMatching(u"perform"_qs), QStringList{u"perform w1 AXRaise"_qs});
        QCOMPARE(fx->screens.warps, QList<QPointF>{QPointF(2400, 400)});
        QCOMPARE(fx->effect.played, QList<QPointF>{QPointF(2400, 680)});
        fx->scheduling.runBackground();
    }

    void tiling()
    {
        Layout layout;
        for (int slot : {1, 2, 4})
            layout.slots.insert(
                QString::number(slot),
                AppStateFixture::entry(u"p"_qs + QString::number(slot), u"/p"_qs + QString::number(slot)));
        fx->make(layout);
        fx->editorWindow(10, u"p1"_qs);
        fx->editorWindow(10, u"p2"_qs);
        fx->state->refresh();

        QVERIFY(fx->state->tileWindows(5)); // becomes 4
        QCOMPARE(fx->state->lastTileCount(), 4);
        QCOMPARE(LayoutStore(fx->store->filePath()).layout().lastTileCount, 4);
        QVERIFY(fx->state->tileWindows(2)); // requested before the first one ran: the first does nothing
        fx->scheduling.runPlacements();
        // Slot 1 at the left half of the 1920x1050 visible frame (top-left space: y = 1080 - 1050 = 30).
        QCOMPARE(fx->ax.window(1).frame, QRectF(0, 30, 960, 1050));
        QCOMPARE(fx->ax.window(2).frame, QRectF(960, 30, 960, 1050));
        QCOMPARE(fx->ax.callsMatching(u"set w1 AXSize"_qs).size(), 2); // moved once, not twice
        QCOMPARE(fx->ax.callsMatching(u"perform"_qs),
                 (QStringList{u"perform w1 AXRaise"_qs, u"perform w2 AXRaise"_qs}));

        fx->screens.list.clear();
        QVERIFY(!fx->state->tileWindows(4));
        fx->scheduling.runBackground();
    }

    void maximising()
    {
        Layout layout;
        layout.slots.insert(u"1"_qs, AppStateFixture::entry(u"web"_qs, u"/src/web"_qs));
        layout.slots.insert(u"2"_qs, AppStateFixture::entry(u"api"_qs, u"/src/api"_qs));
        layout.slots.insert(u"3"_qs, AppStateFixture::entry(u"gone"_qs, u"/gone"_qs));
        fx->existing << u"/src/web"_qs << u"/src/api"_qs;
        fx->make(layout);
        fx->editorWindow(10, u"web"_qs);
        fx->state->refresh();

        QVERIFY(!fx->state->maximizeSlot(3)); // folder missing
        QVERIFY(!fx->state->maximizeSlot(7)); // nothing there
        QVERIFY(fx->state->maximizeSlot(1));
        fx->scheduling.runPlacements();
        QCOMPARE(fx->ax.window(1).frame, QRectF(0, 30, 1920, 1050));

        // No window yet: launch, refresh after 0.6 s, place 0.4 s later.
        QVERIFY(fx->state->maximizeSlot(2));
        QCOMPARE(fx->processes.calls.last().arguments,
                 (QStringList{u"-b"_qs, u"com.microsoft.VSCode"_qs, u"/src/api"_qs}));
        const int api = fx->editorWindow(10, u"api"_qs);
        fx->scheduling.advance(599);
        QVERIFY(!fx->state->status(2)->window);
        fx->scheduling.advance(1);
        QVERIFY(fx->state->status(2)->window);
        fx->scheduling.advance(400);
        fx->scheduling.runPlacements();
        QCOMPARE(fx->ax.window(api).frame, QRectF(0, 30, 1920, 1050));
        fx->scheduling.runBackground();
    }

    void badges()
    {
        Layout layout;
        layout.agentStatusEnabled = true;
        layout.slots.insert(u"1"_qs, AppStateFixture::entry(u"w"_qs, u"/w"_qs));
        layout.slots.insert(u"2"_qs, AppStateFixture::entry(u"app"_qs, u"/w/app/"_qs));
        layout.slots.insert(u"3"_qs, AppStateFixture::entry(u"none"_qs, QString()));
        fx->make(layout);
        const QString states = fx->dir.filePath(u"support/agent-state/"_qs);
        QDir().mkpath(states);
        const auto writeState = [&](const QString& id, const QString& cwd, const QString& s, qint64 ago) {
            QFile f(states + id + u".state"_qs);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write((u"cwd="_qs + cwd + u"\nstate="_qs + s + u"\nupdatedAt="_qs +
                     IsoTime::format(QDateTime::currentDateTimeUtc().addSecs(-ago)) + u'\n')
                        .toUtf8());
        };
        writeState(u"a"_qs, u"/w/app/src"_qs, u"idle"_qs, 60);
        writeState(u"b"_qs, u"/w/other"_qs, u"waiting"_qs, 60); // /w is an umbrella: nobody's
        writeState(u"c"_qs, u"/x/term"_qs, u"waiting"_qs, 60);
        terminalListing({u"5|/dev/a|zsh\n"_qs});
        fx->processes.output = [inner = fx->processes.output](
                                   const QString& exe, const QStringList& args) -> std::optional<QString> {
            if (exe == u"/usr/sbin/lsof"_qs)
                return args.first() == u"-F"_qs ? u"p9\nn/dev/a\n"_qs : u"p9\nn/x/term\n"_qs;
            return inner(exe, args);
        };
        fx->scheduling.clock = QDateTime::currentDateTimeUtc();
        fx->state->refresh();
        fx->scheduling.runBackground();
        QCOMPARE(fx->state->agentBadges(), (QHash<int, AgentState>{{2, AgentState::idle}}));
        QCOMPARE(fx->state->unassignedBadges().size(), 1); // the Terminal window in /x/term
        QCOMPARE(fx->state->recentSlots(), (QSet<int>{2}));

        fx->scheduling.clock = QDateTime::currentDateTimeUtc();
        fx->state->activateSlot(2); // acknowledges: the idle badge goes
        QVERIFY(fx->state->agentBadges().isEmpty());

        fx->state->setAgentStatusEnabled(false);
        QVERIFY(fx->state->recentSlots().isEmpty());
        fx->scheduling.runBackground();
    }

    void usageChain()
    {
        Layout layout;
        layout.claudeUsageEnabled = true;
        fx->make(layout);
        // Every run is one background task that runs `claude`; count them as they are handed over.
        int runs = 0;
        const auto step = [&] {
            runs += int(fx->scheduling.backgroundQueue.size());
            fx->scheduling.runBackground();
        };
        fx->state->panelDidOpen();
        QCOMPARE(fx->scheduling.backgroundQueue.size(), 1); // a run at once
        QCOMPARE(fx->scheduling.pendingTimers(), 1);
        fx->scheduling.advance(60 * 1000);
        fx->state->panelDidOpen(); // within the window and still running: no second run
        step();
        QCOMPARE(runs, 1);
        QCOMPARE(fx->processes.calls.first().arguments.value(1), u"/usage"_qs);
        QCOMPARE(fx->processes.calls.first().executable, fx->dir.filePath(u".local/bin/claude"_qs));

        for (int minute = 5; minute <= 30; minute += 5) { // the grid up to the end, moved to 31 min
            fx->scheduling.advance(minute == 5 ? 240 * 1000 : 300 * 1000);
            step();
        }
        QCOMPARE(runs, 7);
        fx->scheduling.advance(3600 * 1000);
        step();
        QCOMPARE(runs, 7); // the chain has stopped
        QCOMPARE(fx->scheduling.pendingTimers(), 0);

        fx->state->panelDidOpen();
        step();
        QCOMPARE(runs, 8); // a new window runs at once
        fx->state->setClaudeUsageEnabled(false);
        QCOMPARE(fx->scheduling.pendingTimers(), 0);
        fx->scheduling.runBackground();
        QCOMPARE(fx->state->claudeUsage(), std::nullopt);
    }

    void editing()
    {
        fx->make(Layout{});
        AppWindow shell(WindowKind::terminal, u"zsh — proj"_qs, std::nullopt, u" /home/u/proj/ \n"_qs);
        fx->state->assignWindow(shell, 4);
        SlotEntry saved = *LayoutStore(fx->store->filePath()).layout().entry(4);
        QCOMPARE(saved.name, u"proj"_qs);
        QCOMPARE(saved.path, u"/home/u/proj/"_qs);
        QCOMPARE(saved.kind, u"terminal"_qs);
        QCOMPARE(saved.matchKey, u"zsh — proj"_qs);
        fx->state->assignWindow(AppWindow(WindowKind::safari, u"Docs"_qs, std::nullopt, u"no domain"_qs), 5);
        QCOMPARE(fx->store->layout().entry(5)->name, u"Docs"_qs);
        fx->state->assignWindow(
            AppWindow(WindowKind::vscode, u"Visual Studio Code"_qs, std::nullopt, std::nullopt), 6);
        QVERIFY(!fx->store->layout().entry(6)); // no project name: nothing at all

        QList<ShortcutEntry> twelve;
        for (int i = 0; i < 12; ++i)
            twelve.append({QString::number(i), u"/Applications/A.app"_qs});
        fx->state->updateShortcuts({}, {}, twelve);
        QCOMPARE(fx->state->appShortcuts().size(), 10);
        QCOMPARE(fx->store->layout().appShortcuts->size(), 10);

        int triggers = 0;
        fx->state->triggerSettingsChanged = [&] { ++triggers; };
        fx->state->updateTriggerSettings(false, DoubleTapKey::space, 4);
        QCOMPARE(triggers, 1);
        QCOMPARE(fx->store->layout().tapCount, 2);
        QCOMPARE(fx->store->layout().doubleTapKey, u"space"_qs);

        fx->state->setPanelTheme(PanelTheme::rose);
        QCOMPARE(fx->store->layout().panelTheme, u"rose"_qs);
        fx->scheduling.runBackground();
    }

    void destroyedStateIgnoresLateResults()
    {
        Layout layout;
        layout.slots.insert(u"1"_qs, AppStateFixture::entry(u"web"_qs, u"/src/web"_qs));
        fx->make(layout);
        fx->editorWindow(10, u"web"_qs);
        terminalListing({u"1|/dev/a|x\n"_qs});
        fx->state->refresh();
        QVERIFY(fx->state->tileWindows(4));
        fx->state.reset();
        fx->scheduling.runBackground();
        fx->scheduling.runPlacements();
        QVERIFY(fx->ax.callsMatching(u"set w1 AXSize"_qs).isEmpty()); // nothing moved for a gone state
    }
};

QTEST_GUILESS_MAIN(AppStateTest)
#include "tst_appstate.moc"
