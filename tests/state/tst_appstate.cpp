#include "AppStateFixture.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <atomic>

using Fx = AppStateFixture;

// The application state against fakes of every platform interface: the refresh cycle and its
// generations, focus and dimming, what it publishes from the layout and what edits write back.
class AppStateTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void refreshCycle()
    {
        Fx fx;
        AppState& state = fx.make({.slots = {{u"1"_qs, Fx::entry(u"web"_qs, u"/src/web"_qs)},
                                             {u"2"_qs, Fx::entry(u"shell"_qs, {}, u"terminal"_qs)}}});
        fx.existing << u"/src/web"_qs;
        fx.editorWindow(10, u"web"_qs);
        // Terminal's window listings, one per background refresh.
        fx.ax.addApplication(u"com.apple.Terminal"_qs, 300, {});
        const QString listed = u"2|/dev/b|shell\n7|/dev/c|build\n"_qs;
        auto listings = std::make_shared<QStringList>(QStringList{u"1|/dev/a|first\n"_qs, listed, listed});
        fx.processes.output = [listings](const QString& exe,
                                         const QStringList& args) -> std::optional<QString> {
            if (exe == u"/usr/bin/osascript"_qs && args.value(1).contains(u"repeat with w"_qs))
                return listings->isEmpty() ? QString() : listings->takeFirst();
            return std::nullopt; // no bounds, no folders
        };
        fx.ax.frontmost = 300; // the focused window is Terminal's unassigned "build"
        fx.ax.application(300)->focusedWindow = fx.ax.addWindow({.title = u"build"_qs});
        QSignalSpy spy(&state, &AppState::changed);

        // Only the latest of two listings lands, and the focus is found only once it has.
        state.captureFocusedWindow();
        state.refresh();
        state.refresh();
        QVERIFY(state.terminalLoading());
        QVERIFY(state.status(1)->window && !state.status(2)->window); // the editor's at once
        QVERIFY(!state.focusHighlight());
        fx.scheduling.runBackground();
        QVERIFY(!state.terminalLoading());
        QCOMPARE(state.status(2)->window->terminalWindowID, 2);
        int loadingChanges = 0;
        for (const auto& args : spy)
            loadingChanges += args.first().value<AppState::Field>() == AppState::Field::terminalLoading;
        QCOMPARE(loadingChanges, 3); // true, true, then false once
        QCOMPARE(state.focusHighlight().value().targets.size(), 1);
        QVERIFY(state.focusDimActive() && state.isFocusDimmed(FocusTarget::slot(2)));

        // A second opening before the first dim ends: the first timer must not end the second dim.
        fx.scheduling.advance(400);
        state.captureFocusedWindow();
        QVERIFY(!state.focusHighlight() && !state.focusDimActive());
        state.refresh(); // the cached Terminal window matches at once now
        QVERIFY(state.focusDimActive());
        fx.scheduling.advance(300); // the first timer fires here
        QVERIFY(state.focusDimActive());
        fx.scheduling.advance(400);
        QVERIFY(!state.focusDimActive() && state.focusHighlight()); // the highlight stays

        // Without access: no windows, the cached Terminal windows are dropped, loading stays as it was.
        fx.ax.trusted = false;
        state.refresh();
        QVERIFY(!state.axTrusted() && state.terminalLoading() && !state.status(1)->window);
        fx.ax.trusted = true;
        state.refresh();
        QVERIFY(!state.status(2)->window); // not even for the moment before the next listing
    }

    void layoutInAndOut()
    {
        Fx fx;
        const QList<ShortcutEntry> twelve(12, {u"A"_qs, u"/A.app"_qs});
        AppState& state = fx.make({.slots = {{u"1"_qs, Fx::entry(u"a"_qs, u"/a"_qs)}},
                                   .panelTheme = u"graphite"_qs,
                                   .lastTileCount = 5,
                                   .folderShortcuts = twelve,
                                   .urlShortcuts = twelve,
                                   .appShortcuts = twelve});
        QCOMPARE(state.lastTileCount(), 4);
        QCOMPARE(state.panelTheme(), PanelTheme::mistBlue);
        QCOMPARE((QList<qsizetype>{state.folderShortcuts().size(), state.urlShortcuts().size(),
                                   state.appShortcuts().size()}),
                 (QList<qsizetype>{5, 5, 10}));

        const AppWindow shell(WindowKind::terminal, u"zsh — proj"_qs, std::nullopt, u" /home/u/proj/ \n"_qs);
        state.assignWindow(shell, 4);
        QCOMPARE(LayoutStore(fx.store->filePath()).layout().entry(4),
                 Fx::entry(u"proj"_qs, u"/home/u/proj/"_qs, u"terminal"_qs, {}, u"zsh — proj"_qs));
        // Renamed, then assigned onto its own slot: the displaced entry's memo is stored before the
        // newcomer is restored from the memos, so the new name stays.
        state.applySlotSettings(4, u"Renamed"_qs, u"/home/u/proj/"_qs, {}, {}, {});
        state.assignWindow(shell, 4);
        QCOMPARE(fx.store->layout().entry(4)->name, u"Renamed"_qs);
        state.assignWindow(AppWindow(WindowKind::safari, u"Docs"_qs, std::nullopt, u"no domain"_qs), 5);
        QCOMPARE(fx.store->layout().entry(5), Fx::entry(u"Docs"_qs, {}, u"safari"_qs, u"no domain"_qs));
        state.assignWindow(
            AppWindow(WindowKind::vscode, u"Visual Studio Code"_qs, std::nullopt, std::nullopt), 6);
        QVERIFY(!fx.store->layout().entry(6)); // no project name: nothing at all

        state.updateShortcuts({}, {}, twelve);
        QCOMPARE(state.appShortcuts().size(), 10);
        QCOMPARE(fx.store->layout().appShortcuts->size(), 10);

        state.setPanelTheme(PanelTheme::rose);
        QCOMPARE(fx.store->layout().panelTheme, u"rose"_qs);
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
