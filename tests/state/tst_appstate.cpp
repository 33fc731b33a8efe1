#include "AppStateFixture.h"
#include "core/state/Scheduling.h"

#include <QDir>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <atomic>

using Fx = AppStateFixture;

// The application state against fakes of every platform interface: the refresh cycle and its
// generations, focus, activation, tiling and maximising, badges, the usage chain and layout edits.
class AppStateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<AppStateFixture> fx;

    // Terminal's window listings, one per background refresh; with `cwd`, what lsof says its shells run in.
    void terminalListing(const QStringList& listings, const QString& cwd = {})
    {
        fx->ax.addApplication(u"com.apple.Terminal"_qs, 300, {});
        auto remaining = std::make_shared<QStringList>(listings);
        fx->processes.output = [remaining, cwd](const QString& exe,
                                                const QStringList& args) -> std::optional<QString> {
            if (exe == u"/usr/bin/osascript"_qs && args.value(1).contains(u"repeat with w"_qs))
                return remaining->isEmpty() ? QString() : remaining->takeFirst();
            if (exe == u"/usr/sbin/lsof"_qs && !cwd.isEmpty())
                return args.first() == u"-F"_qs ? u"p9\nn/dev/a\n"_qs : u"p9\nn"_qs + cwd + u'\n';
            return std::nullopt; // no bounds
        };
    }

    // A Claude Code session in `folder`, updated a minute ago.
    void agent(const QString& folder, const QString& state)
    {
        fx->agent(folder, state, fx->scheduling.clock.addSecs(-60));
    }

private Q_SLOTS:
    void init() { fx = std::make_unique<AppStateFixture>(); }
    void cleanup()
    {
        fx->scheduling.runBackground(); // whatever is still queued runs, and finds its state or not
        fx.reset();
    }

    void refreshCycle()
    {
        fx->make({.slots = {{u"1"_qs, Fx::entry(u"web"_qs, u"/src/web"_qs)},
                            {u"2"_qs, Fx::entry(u"shell"_qs, {}, u"terminal"_qs)}}});
        fx->existing << u"/src/web"_qs;
        fx->editorWindow(10, u"web"_qs);
        const QString listed = u"2|/dev/b|shell\n7|/dev/c|build\n"_qs;
        terminalListing({u"1|/dev/a|first\n"_qs, listed, listed});
        fx->ax.frontmost = 300; // the focused window is Terminal's unassigned "build"
        fx->ax.application(300)->focusedWindow = fx->ax.addWindow({.title = u"build"_qs});
        QSignalSpy spy(fx->state.get(), &AppState::changed);

        // Only the latest of two listings lands, and the focus is found only once it has.
        fx->state->captureFocusedWindow();
        fx->state->refresh();
        fx->state->refresh();
        QVERIFY(fx->state->terminalLoading());
        QVERIFY(fx->state->status(1)->window && !fx->state->status(2)->window); // the editor's at once
        QVERIFY(!fx->state->focusHighlight());
        fx->scheduling.runBackground();
        QVERIFY(!fx->state->terminalLoading());
        QCOMPARE(fx->state->status(2)->window->terminalWindowID, 2);
        int loadingChanges = 0;
        for (const auto& args : spy)
            loadingChanges += args.first().value<AppState::Field>() == AppState::Field::terminalLoading;
        QCOMPARE(loadingChanges, 3); // true, true, then false once
        QCOMPARE(fx->state->focusHighlight().value().targets.size(), 1);
        QVERIFY(fx->state->focusDimActive() && fx->state->isFocusDimmed(FocusTarget::slot(2)));

        // A second opening before the first dim ends: the first timer must not end the second dim.
        fx->scheduling.advance(400);
        fx->state->captureFocusedWindow();
        QVERIFY(!fx->state->focusHighlight() && !fx->state->focusDimActive());
        fx->state->refresh(); // the cached Terminal window matches at once now
        QVERIFY(fx->state->focusDimActive());
        fx->scheduling.advance(300); // the first timer fires here
        QVERIFY(fx->state->focusDimActive());
        fx->scheduling.advance(400);
        QVERIFY(!fx->state->focusDimActive() && fx->state->focusHighlight()); // the highlight stays

        // Without access: no windows, the cached Terminal windows are dropped, loading stays as it was.
        fx->ax.trusted = false;
        fx->state->refresh();
        QVERIFY(!fx->state->axTrusted() && fx->state->terminalLoading() && !fx->state->status(1)->window);
        fx->ax.trusted = true;
        fx->state->refresh();
        QVERIFY(!fx->state->status(2)->window); // not even for the moment before the next listing
    }

    void activationAndBadges()
    {
        fx->make({.slots = {{u"1"_qs, Fx::entry(u"app"_qs, u"/w/app/"_qs)},
                            {u"2"_qs, Fx::entry(u"t"_qs, u"/src/t"_qs, u"terminal"_qs)},
                            {u"3"_qs, Fx::entry(u"T"_qs, u"/src/T"_qs, u"Terminal"_qs)},
                            {u"4"_qs, Fx::entry(u"s"_qs, {}, u"safari"_qs, u"not a url"_qs)},
                            {u"5"_qs, Fx::entry(u"s"_qs, {}, u"safari"_qs, u"https://a.dev"_qs)},
                            {u"6"_qs, Fx::entry(u"web"_qs, u"/src/web"_qs)},
                            {u"7"_qs, Fx::entry(u"w"_qs, u"/w"_qs)}},
                  .agentStatusEnabled = true});
        fx->existing << u"/src/t"_qs << u"/src/T"_qs << u"/src/web"_qs;
        // A second display to the right; slot 6's window sits on it (top-left frame 2000,100 800x600).
        fx->screens.list.append({QRectF(1920, 0, 1280, 1080), QRectF(1920, 0, 1280, 1080)});
        fx->editorWindow(10, u"web"_qs, QRectF(2000, 100, 800, 600));
        // Agents in slot 1's project, under /w (an umbrella: nobody's) and in a Terminal window's folder.
        agent(u"/w/app/src"_qs, u"idle"_qs);
        agent(u"/w/other"_qs, u"waiting"_qs);
        agent(u"/x/term"_qs, u"waiting"_qs);
        terminalListing({u"5|/dev/a|zsh\n"_qs}, u"/x/term"_qs);
        fx->state->refresh();
        fx->scheduling.runBackground();
        QCOMPARE(fx->state->agentBadges(), (QHash<int, AgentState>{{1, AgentState::idle}}));
        QCOMPARE(fx->state->unassignedBadges().size(), 1); // the Terminal window in /x/term
        QCOMPARE(fx->state->recentSlots(), (QSet<int>{1}));

        // Folder missing, no window: nothing is launched, only acknowledged (by the scheduler's clock),
        // and the idle badge goes.
        fx->processes.calls.clear();
        fx->state->activateSlot(1);
        QCOMPARE(AgentStatusStore(fx->dir.filePath(u"support"_qs)).acknowledgedAt(u"/w/app/"_qs),
                 fx->scheduling.clock);
        QVERIFY(fx->state->agentBadges().isEmpty());

        for (int slot : {2, 3, 4, 5, 9, 6})
            fx->state->activateSlot(slot);
        QList<QStringList> launched;
        for (const auto& call : fx->processes.calls)
            launched.append(call.arguments);
        QCOMPARE(launched, (QList<QStringList>{{u"-a"_qs, u"Terminal"_qs, u"/src/t"_qs},
                                               {u"-b"_qs, u"com.microsoft.VSCode"_qs, u"/src/T"_qs},
                                               {u"-a"_qs, u"Safari"_qs, u"https://a.dev"_qs}}));
        // Slot 6 is raised, and the pointer follows it across to the other display.
        QCOMPARE(fx->ax.callsMatching(u"perform"_qs), QStringList{u"perform w1 AXRaise"_qs});
        QCOMPARE(fx->screens.warps, QList<QPointF>{QPointF(2400, 400)});
        QCOMPARE(fx->effect.played, QList<QPointF>{QPointF(2400, 680)});

        fx->state->setAgentStatusEnabled(false);
        QVERIFY(fx->state->recentSlots().isEmpty());
    }

    void tilingAndMaximising()
    {
        fx->make({.slots = {{u"1"_qs, Fx::entry(u"p1"_qs, u"/p1"_qs)},
                            {u"2"_qs, Fx::entry(u"p2"_qs, u"/p2"_qs)},
                            {u"3"_qs, Fx::entry(u"gone"_qs, u"/gone"_qs)},
                            {u"4"_qs, Fx::entry(u"p4"_qs, u"/p4"_qs)}},
                  .lastTileCount = 6,
                  .agentStatusEnabled = true});
        fx->existing << u"/p4"_qs;
        fx->editorWindow(10, u"p1"_qs);
        fx->editorWindow(10, u"p2"_qs);
        agent(u"/p1/src"_qs, u"idle"_qs);
        // Nothing listed yet: tiling places nothing, and the count stays as it was, also in the file.
        QVERIFY(!fx->state->tileWindows(2));
        QCOMPARE(fx->state->lastTileCount(), 6);
        QCOMPARE(LayoutStore(fx->store->filePath()).layout().lastTileCount, 6);
        fx->state->refresh();
        fx->scheduling.runBackground();
        QCOMPARE(fx->state->agentBadges(), (QHash<int, AgentState>{{1, AgentState::idle}}));

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
        QCOMPARE(fx->ax.callsMatching(u"activate"_qs).size(), 2);
        // Finished while the panel is open again: the windows come forward, the panel keeps the keys.
        fx->state->panelDidOpen();
        QVERIFY(fx->state->tileWindows(4));
        fx->scheduling.runPlacements();
        QCOMPARE(fx->ax.callsMatching(u"perform"_qs).size(), 4);
        QCOMPARE(fx->ax.callsMatching(u"activate"_qs).size(), 2);
        fx->state->panelDidClose();

        QVERIFY(!fx->state->maximizeSlot(3));        // folder missing
        QVERIFY(!fx->state->maximizeSlot(7));        // nothing there
        QVERIFY(fx->state->maximizeSlot(1));         // a window counts even when its folder is gone
        QVERIFY(fx->state->agentBadges().isEmpty()); // looked at: the badge is acknowledged
        fx->scheduling.runPlacements();
        QCOMPARE(fx->ax.window(1).frame, QRectF(0, 30, 1920, 1050));
        // No window yet: launch, refresh after 0.6 s, place 0.4 s later.
        QVERIFY(fx->state->maximizeSlot(4));
        QCOMPARE(fx->processes.calls.last().arguments,
                 (QStringList{u"-b"_qs, u"com.microsoft.VSCode"_qs, u"/p4"_qs}));
        const int p4 = fx->editorWindow(10, u"p4"_qs);
        fx->scheduling.advance(599);
        QVERIFY(!fx->state->status(4)->window);
        fx->scheduling.advance(1);
        QVERIFY(fx->state->status(4)->window);
        fx->scheduling.advance(400);
        fx->scheduling.runPlacements();
        QCOMPARE(fx->ax.window(p4).frame, QRectF(0, 30, 1920, 1050));

        const auto screens = std::exchange(fx->screens.list, {});
        QVERIFY(!fx->state->tileWindows(4));
        fx->screens.list = screens;
        // Work still queued when the state goes: nothing is moved for it, nothing comes back.
        QVERIFY(fx->state->tileWindows(4));
        const qsizetype moves = fx->ax.callsMatching(u"set"_qs).size();
        fx->state.reset();
        fx->scheduling.runBackground();
        fx->scheduling.runPlacements();
        QCOMPARE(fx->ax.callsMatching(u"set"_qs).size(), moves);
    }

    void usageChain()
    {
        fx->make({.claudeUsageEnabled = true});
        const auto runs = [&] { // every run of `claude` is one call, made in the background
            fx->scheduling.runBackground();
            return fx->processes.calls.size();
        };
        fx->state->panelDidOpen();
        QCOMPARE(fx->scheduling.backgroundQueue.size(), 1); // a run at once
        QCOMPARE(fx->scheduling.pendingTimers(), 1);
        fx->scheduling.advance(60 * 1000);
        fx->state->panelDidOpen(); // within the window and still running: no second run
        QCOMPARE(runs(), 1);
        QCOMPARE(fx->processes.calls.first().arguments.value(1), u"/usage"_qs);
        QCOMPARE(fx->processes.calls.first().executable, fx->dir.filePath(u".local/bin/claude"_qs));
        for (int minute = 5; minute <= 30; minute += 5) { // the grid up to the end, moved to 31 min
            fx->scheduling.advance(minute == 5 ? 240 * 1000 : 300 * 1000);
            QCOMPARE(runs(), minute / 5 + 1);
        }
        fx->scheduling.advance(3600 * 1000);
        QCOMPARE(runs(), 7); // the chain has stopped
        QCOMPARE(fx->scheduling.pendingTimers(), 0);
        fx->state->panelDidOpen();
        QCOMPARE(runs(), 8); // a new window runs at once, then every 5 minutes up to its very end
        for (int run = 9; run <= 14; ++run) {
            fx->scheduling.advance(300 * 1000);
            QCOMPARE(runs(), run);
        }
        fx->state->setClaudeUsageEnabled(false);
        QCOMPARE(fx->scheduling.pendingTimers(), 0);
        fx->scheduling.runBackground();
        QCOMPARE(fx->state->claudeUsage(), std::nullopt);
    }

    void layoutInAndOut()
    {
        const QList<ShortcutEntry> twelve(12, {u"A"_qs, u"/A.app"_qs});
        fx->make({.slots = {{u"1"_qs, Fx::entry(u"a"_qs, u"/a"_qs)}},
                  .panelTheme = u"graphite"_qs,
                  .lastTileCount = 5,
                  .folderShortcuts = twelve,
                  .urlShortcuts = twelve,
                  .appShortcuts = twelve});
        QCOMPARE(fx->state->lastTileCount(), 4);
        QCOMPARE(fx->state->panelTheme(), PanelTheme::mistBlue);
        QCOMPARE((QList<qsizetype>{fx->state->folderShortcuts().size(), fx->state->urlShortcuts().size(),
                                   fx->state->appShortcuts().size()}),
                 (QList<qsizetype>{5, 5, 10}));
        QCOMPARE(fx->state->tileSlots(), (QList<int>{1, 2, 4, 5}));
        QVERIFY(fx->state->statuses().isEmpty()); // nothing is listed before the first refresh

        fx->state->assignWindow(
            AppWindow(WindowKind::terminal, u"zsh — proj"_qs, std::nullopt, u" /home/u/proj/ \n"_qs), 4);
        SlotEntry shell = Fx::entry(u"proj"_qs, u"/home/u/proj/"_qs, u"terminal"_qs);
        shell.matchKey = u"zsh — proj"_qs;
        QCOMPARE(LayoutStore(fx->store->filePath()).layout().entry(4), shell);
        fx->state->assignWindow(AppWindow(WindowKind::safari, u"Docs"_qs, std::nullopt, u"no domain"_qs), 5);
        QCOMPARE(fx->store->layout().entry(5), Fx::entry(u"Docs"_qs, {}, u"safari"_qs, u"no domain"_qs));
        fx->state->assignWindow(
            AppWindow(WindowKind::vscode, u"Visual Studio Code"_qs, std::nullopt, std::nullopt), 6);
        QVERIFY(!fx->store->layout().entry(6)); // no project name: nothing at all

        fx->state->updateShortcuts({}, {}, twelve);
        QCOMPARE(fx->state->appShortcuts().size(), 10);
        QCOMPARE(fx->store->layout().appShortcuts->size(), 10);

        fx->state->setPanelTheme(PanelTheme::rose);
        QCOMPARE(fx->store->layout().panelTheme, u"rose"_qs);
    }

    // Blocking work, however much of it hangs, leaves Qt's own pool (which painting uses) free, and
    // the scheduler outlives none of it: going, it waits for every job.
    void backgroundWorkHasAPoolOfItsOwn()
    {
        QSemaphore release, ran;
        std::atomic<int> finished = 0;
        const int jobs = 2 * QThread::idealThreadCount() + 2;
        bool poolFree = false;
        {
            SystemScheduling scheduling;
            for (int i = 0; i < jobs; ++i)
                scheduling.background([&] {
                    release.acquire();
                    ++finished;
                });
            // Qt's pool still has a thread for other work; the jobs are let go whatever the answer.
            poolFree =
                QThreadPool::globalInstance()->tryStart([&] { ran.release(); }) && ran.tryAcquire(1, 5000);
            release.release(jobs);
        }
        QThreadPool::globalInstance()->waitForDone();
        QVERIFY(poolFree);
        QCOMPARE(finished.load(), jobs);
    }
};

QTEST_GUILESS_MAIN(AppStateTest)
#include "tst_appstate.moc"
