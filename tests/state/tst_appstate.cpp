#include "FakeDesktop.h"
#include "FakePlatform.h"
#include "FakeProcesses.h"
#include "FakeScheduling.h"
#include "core/agents/AgentStatusStore.h"
#include "core/state/AppState.h"
#include "core/text/IsoTime.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

class FakeScreens final : public Screens {
public:
    QList<Screen> list{{QRectF(0, 0, 1920, 1080), QRectF(0, 0, 1920, 1050)}};
    QPointF pointer{100, 100};
    QList<QPointF> warps;
    QList<Screen> screens() override { return list; }
    std::optional<Screen> mainScreen() override
    {
        return list.isEmpty() ? std::nullopt : std::optional(list.first());
    }
    QPointF pointerLocation() override { return pointer; }
    void warpPointer(const QPointF& p) override { warps.append(p); }
};

class FakeEffect final : public FocusEffect {
public:
    QList<QPointF> played;
    void play(const QPointF& p) override { played.append(p); }
};

SlotEntry entry(const QString& name, const QString& path, std::optional<QString> kind = {},
                std::optional<QString> url = {})
{
    SlotEntry e;
    e.name = name;
    e.path = path;
    e.kind = std::move(kind);
    e.url = std::move(url);
    return e;
}

} // namespace

// The application state against fakes of every platform interface: the refresh cycle and its
// generations, focus, activation, tiling and maximising, badges, the usage chain and layout edits.
class AppStateTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<LayoutStore> store;
    FakeDesktop ax;
    FakeProcesses processes;
    NoAppleScript appleScript;
    FakeWorkspace workspace;
    FakeSleeper sleeper;
    FakeScreens screens;
    FakeEffect effect;
    FakeScheduling scheduling;
    std::unique_ptr<DesktopServices> desktop;
    std::unique_ptr<AppState> state;
    QStringList existing; // paths the fake file system has

    void makeState(const Layout& layout)
    {
        store = std::make_unique<LayoutStore>(dir->filePath(u"support/layout.json"_qs));
        store->setLayout(layout);
        desktop = std::make_unique<DesktopServices>(
            DesktopServices{ax, processes, appleScript, workspace, sleeper});
        AppStateEnvironment env{
            dir->filePath(u"storage.json"_qs),
            dir->filePath(u"claude.json"_qs),
            dir->path(),
            dir->filePath(u"support/claude-usage"_qs),
            AgentStatusStore(dir->filePath(u"support"_qs)),
            [this](const QString& p) { return existing.contains(p); },
            [this](const QString& p) { return p == dir->filePath(u".local/bin/claude"_qs); }};
        state = std::make_unique<AppState>(*store, *desktop, screens, effect, scheduling, env);
    }
    int editorWindow(qint32 pid, const QString& project, QRectF frame = QRectF(0, 0, 800, 600))
    {
        const int id =
            ax.addWindow({.title = u"f — "_qs + project + u" — Visual Studio Code"_qs, .frame = frame});
        if (auto* app = ax.application(pid))
            app->windows.append(id);
        else
            ax.addApplication(WindowDiscovery::vscodeBundleID, pid, {id});
        return id;
    }
    void terminalListing(const QStringList& listings)
    {
        ax.addApplication(u"com.apple.Terminal"_qs, 300, {});
        auto remaining = std::make_shared<QStringList>(listings);
        processes.output = [remaining](const QString& exe,
                                       const QStringList& args) -> std::optional<QString> {
            if (exe == u"/usr/bin/osascript"_qs && args.value(1).contains(u"repeat with w"_qs))
                return remaining->isEmpty() ? QString() : remaining->takeFirst();
            return std::nullopt; // no lsof, no bounds
        };
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        ax = FakeDesktop();
        processes = FakeProcesses();
        workspace = FakeWorkspace();
        screens = FakeScreens();
        effect = FakeEffect();
        scheduling = FakeScheduling();
        scheduling.placementQueue.clear();
        existing.clear();
    }
    void cleanup() { state.reset(); }

    void startsFromTheLayout()
    {
        Layout layout;
        layout.lastTileCount = 5;
        layout.panelTheme = u"graphite"_qs;
        QList<ShortcutEntry> seven;
        for (int i = 0; i < 7; ++i)
            seven.append({QString::number(i), u"/f"_qs});
        layout.folderShortcuts = seven;
        makeState(layout);
        QCOMPARE(state->lastTileCount(), 4);
        QCOMPARE(state->panelTheme(), PanelTheme::mistBlue);
        QCOMPARE(state->folderShortcuts().size(), 5);
        QCOMPARE(state->tileSlots(), (QList<int>{1, 2, 4, 5}));
        QVERIFY(state->statuses().isEmpty()); // nothing is listed before the first refresh
    }

    void onlyTheLatestListingLands()
    {
        Layout layout;
        layout.slots.insert(u"1"_qs, entry(u"web"_qs, u"/src/web"_qs));
        layout.slots.insert(u"2"_qs, entry(u"shell"_qs, QString(), u"terminal"_qs));
        existing << u"/src/web"_qs;
        makeState(layout);
        editorWindow(10, u"web"_qs);
        terminalListing({u"1|/dev/a|first\n"_qs, u"2|/dev/b|shell\n"_qs});
        QSignalSpy spy(state.get(), &AppState::changed);

        state->refresh();
        state->refresh();
        QVERIFY(state->terminalLoading());
        QVERIFY(state->status(1)->window); // the editor window is there at once
        QVERIFY(!state->status(2)->window);
        scheduling.runBackground();
        QVERIFY(!state->terminalLoading());
        QCOMPARE(state->status(2)->window->terminalWindowID, 2);
        int loadingChanges = 0;
        for (const auto& args : spy)
            loadingChanges +=
                args.first().value<AppState::Field>() == AppState::Field::terminalLoading ? 1 : 0;
        QCOMPARE(loadingChanges, 3); // true, true, then false once

        // Without access: no windows, the cache is dropped, loading stays as it was.
        state->refresh();
        ax.trusted = false;
        state->refresh();
        QVERIFY(state->terminalLoading());
        scheduling.runBackground();
        state->refresh();
        QVERIFY(!state->axTrusted());
        QVERIFY(!state->status(1)->window);
        ax.trusted = true;
        state->refresh();
        QVERIFY(!state->status(2)->window); // the Terminal cache was cleared
    }

    void focusHighlightAndDimming()
    {
        makeState(Layout{});
        terminalListing({u"7|/dev/a|build\n"_qs, u"7|/dev/a|build\n"_qs});
        ax.frontmost = 300;
        ax.application(300)->focusedWindow = ax.addWindow({.title = u"build"_qs});

        state->captureFocusedWindow();
        state->refresh();
        QVERIFY(!state->focusHighlight()); // found only after the Terminal listing
        scheduling.runBackground();
        QVERIFY(state->focusHighlight());
        QCOMPARE(state->focusHighlight()->targets.size(), 1);
        QVERIFY(state->focusDimActive());
        QVERIFY(state->isFocusDimmed(FocusTarget::slot(4)));

        // A second opening before the first dim ends: the first timer must not end the second dim.
        scheduling.advance(400);
        state->captureFocusedWindow();
        QVERIFY(!state->focusHighlight() && !state->focusDimActive());
        state->refresh(); // the cached Terminal window matches at once now
        QVERIFY(state->focusDimActive());
        scheduling.advance(300); // the first timer fires here
        QVERIFY(state->focusDimActive());
        scheduling.advance(400);
        QVERIFY(!state->focusDimActive());
        QVERIFY(state->focusHighlight()); // the highlight stays until the next capture
        scheduling.runBackground();
    }

    void activationAndLaunching()
    {
        Layout layout;
        layout.agentStatusEnabled = true;
        layout.slots.insert(u"1"_qs, entry(u"gone"_qs, u"/gone"_qs));
        layout.slots.insert(u"2"_qs, entry(u"t"_qs, u"/src/t"_qs, u"terminal"_qs));
        layout.slots.insert(u"3"_qs, entry(u"T"_qs, u"/src/T"_qs, u"Terminal"_qs));
        layout.slots.insert(u"4"_qs, entry(u"s"_qs, QString(), u"safari"_qs, u"not a url"_qs));
        layout.slots.insert(u"5"_qs, entry(u"s"_qs, QString(), u"safari"_qs, u"https://a.dev"_qs));
        existing << u"/src/t"_qs << u"/src/T"_qs;
        makeState(layout);
        state->refresh();
        scheduling.runBackground();

        state->activateSlot(1); // folder missing, no window: only acknowledged
        QVERIFY(processes.calls.isEmpty());
        AgentStatusStore agents(dir->filePath(u"support"_qs));
        QCOMPARE(agents.acknowledgedAt(u"/gone"_qs), scheduling.clock);
        for (int slot : {2, 3, 4, 5, 9})
            state->activateSlot(slot);
        QList<QStringList> launched;
        for (const auto& call : processes.calls)
            launched.append(call.arguments);
        QCOMPARE(launched, (QList<QStringList>{{u"-a"_qs, u"Terminal"_qs, u"/src/t"_qs},
                                               {u"-b"_qs, u"com.microsoft.VSCode"_qs, u"/src/T"_qs},
                                               {u"-a"_qs, u"Safari"_qs, u"https://a.dev"_qs}}));
    }

    void raisingMovesThePointerAcrossDisplays()
    {
        Layout layout;
        layout.slots.insert(u"1"_qs, entry(u"web"_qs, u"/src/web"_qs));
        existing << u"/src/web"_qs;
        makeState(layout);
        // A second display to the right; the window sits on it (top-left frame 2000,100 800x600).
        screens.list.append({QRectF(1920, 0, 1280, 1080), QRectF(1920, 0, 1280, 1080)});
        editorWindow(10, u"web"_qs, QRectF(2000, 100, 800, 600));
        state->refresh();
        state->activateSlot(1);
        QCOMPARE(ax.callsMatching(u"perform"_qs), QStringList{u"perform w1 AXRaise"_qs});
        QCOMPARE(screens.warps, QList<QPointF>{QPointF(2400, 400)});
        QCOMPARE(effect.played, QList<QPointF>{QPointF(2400, 680)});
        scheduling.runBackground();
    }

    void tiling()
    {
        Layout layout;
        for (int slot : {1, 2, 4})
            layout.slots.insert(QString::number(slot),
                                entry(u"p"_qs + QString::number(slot), u"/p"_qs + QString::number(slot)));
        makeState(layout);
        editorWindow(10, u"p1"_qs);
        editorWindow(10, u"p2"_qs);
        state->refresh();

        QVERIFY(state->tileWindows(5)); // becomes 4
        QCOMPARE(state->lastTileCount(), 4);
        QCOMPARE(LayoutStore(store->filePath()).layout().lastTileCount, 4);
        QVERIFY(state->tileWindows(2)); // requested before the first one ran: the first does nothing
        scheduling.runPlacements();
        // Slot 1 at the left half of the 1920x1050 visible frame (top-left space: y = 1080 - 1050 = 30).
        QCOMPARE(ax.window(1).frame, QRectF(0, 30, 960, 1050));
        QCOMPARE(ax.window(2).frame, QRectF(960, 30, 960, 1050));
        QCOMPARE(ax.callsMatching(u"set w1 AXSize"_qs).size(), 2); // moved once, not twice
        QCOMPARE(ax.callsMatching(u"perform"_qs),
                 (QStringList{u"perform w1 AXRaise"_qs, u"perform w2 AXRaise"_qs}));

        screens.list.clear();
        QVERIFY(!state->tileWindows(4));
        scheduling.runBackground();
    }

    void maximising()
    {
        Layout layout;
        layout.slots.insert(u"1"_qs, entry(u"web"_qs, u"/src/web"_qs));
        layout.slots.insert(u"2"_qs, entry(u"api"_qs, u"/src/api"_qs));
        layout.slots.insert(u"3"_qs, entry(u"gone"_qs, u"/gone"_qs));
        existing << u"/src/web"_qs << u"/src/api"_qs;
        makeState(layout);
        editorWindow(10, u"web"_qs);
        state->refresh();

        QVERIFY(!state->maximizeSlot(3)); // folder missing
        QVERIFY(!state->maximizeSlot(7)); // nothing there
        QVERIFY(state->maximizeSlot(1));
        scheduling.runPlacements();
        QCOMPARE(ax.window(1).frame, QRectF(0, 30, 1920, 1050));

        // No window yet: launch, refresh after 0.6 s, place 0.4 s later.
        QVERIFY(state->maximizeSlot(2));
        QCOMPARE(processes.calls.last().arguments,
                 (QStringList{u"-b"_qs, u"com.microsoft.VSCode"_qs, u"/src/api"_qs}));
        const int api = editorWindow(10, u"api"_qs);
        scheduling.advance(599);
        QVERIFY(!state->status(2)->window);
        scheduling.advance(1);
        QVERIFY(state->status(2)->window);
        scheduling.advance(400);
        scheduling.runPlacements();
        QCOMPARE(ax.window(api).frame, QRectF(0, 30, 1920, 1050));
        scheduling.runBackground();
    }

    void badges()
    {
        Layout layout;
        layout.agentStatusEnabled = true;
        layout.slots.insert(u"1"_qs, entry(u"w"_qs, u"/w"_qs));
        layout.slots.insert(u"2"_qs, entry(u"app"_qs, u"/w/app/"_qs));
        layout.slots.insert(u"3"_qs, entry(u"none"_qs, QString()));
        makeState(layout);
        const QString states = dir->filePath(u"support/agent-state/"_qs);
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
        processes.output = [inner = processes.output](const QString& exe,
                                                      const QStringList& args) -> std::optional<QString> {
            if (exe == u"/usr/sbin/lsof"_qs)
                return args.first() == u"-F"_qs ? u"p9\nn/dev/a\n"_qs : u"p9\nn/x/term\n"_qs;
            return inner(exe, args);
        };
        scheduling.clock = QDateTime::currentDateTimeUtc();
        state->refresh();
        scheduling.runBackground();
        QCOMPARE(state->agentBadges(), (QHash<int, AgentState>{{2, AgentState::idle}}));
        QCOMPARE(state->unassignedBadges().size(), 1); // the Terminal window in /x/term
        QCOMPARE(state->recentSlots(), (QSet<int>{2}));

        scheduling.clock = QDateTime::currentDateTimeUtc();
        state->activateSlot(2); // acknowledges: the idle badge goes
        QVERIFY(state->agentBadges().isEmpty());

        state->setAgentStatusEnabled(false);
        QVERIFY(state->recentSlots().isEmpty());
        scheduling.runBackground();
    }

    void usageChain()
    {
        Layout layout;
        layout.claudeUsageEnabled = true;
        makeState(layout);
        // Every run is one background task that runs `claude`; count them as they are handed over.
        int runs = 0;
        const auto step = [&] {
            runs += int(scheduling.backgroundQueue.size());
            scheduling.runBackground();
        };
        state->panelDidOpen();
        QCOMPARE(scheduling.backgroundQueue.size(), 1); // a run at once
        QCOMPARE(scheduling.pendingTimers(), 1);
        scheduling.advance(60 * 1000);
        state->panelDidOpen(); // within the window and still running: no second run
        step();
        QCOMPARE(runs, 1);
        QCOMPARE(processes.calls.first().arguments.value(1), u"/usage"_qs);
        QCOMPARE(processes.calls.first().executable, dir->filePath(u".local/bin/claude"_qs));

        for (int minute = 5; minute <= 30; minute += 5) { // the grid up to the end, moved to 31 min
            scheduling.advance(minute == 5 ? 240 * 1000 : 300 * 1000);
            step();
        }
        QCOMPARE(runs, 7);
        scheduling.advance(3600 * 1000);
        step();
        QCOMPARE(runs, 7); // the chain has stopped
        QCOMPARE(scheduling.pendingTimers(), 0);

        state->panelDidOpen();
        step();
        QCOMPARE(runs, 8); // a new window runs at once
        state->setClaudeUsageEnabled(false);
        QCOMPARE(scheduling.pendingTimers(), 0);
        scheduling.runBackground();
        QCOMPARE(state->claudeUsage(), std::nullopt);
    }

    void editing()
    {
        makeState(Layout{});
        AppWindow shell(WindowKind::terminal, u"zsh — proj"_qs, std::nullopt, u" /home/u/proj/ \n"_qs);
        state->assignWindow(shell, 4);
        SlotEntry saved = *LayoutStore(store->filePath()).layout().entry(4);
        QCOMPARE(saved.name, u"proj"_qs);
        QCOMPARE(saved.path, u"/home/u/proj/"_qs);
        QCOMPARE(saved.kind, u"terminal"_qs);
        QCOMPARE(saved.matchKey, u"zsh — proj"_qs);
        state->assignWindow(AppWindow(WindowKind::safari, u"Docs"_qs, std::nullopt, u"no domain"_qs), 5);
        QCOMPARE(store->layout().entry(5)->name, u"Docs"_qs);
        state->assignWindow(
            AppWindow(WindowKind::vscode, u"Visual Studio Code"_qs, std::nullopt, std::nullopt), 6);
        QVERIFY(!store->layout().entry(6)); // no project name: nothing at all

        QList<ShortcutEntry> twelve;
        for (int i = 0; i < 12; ++i)
            twelve.append({QString::number(i), u"/Applications/A.app"_qs});
        state->updateShortcuts({}, {}, twelve);
        QCOMPARE(state->appShortcuts().size(), 10);
        QCOMPARE(store->layout().appShortcuts->size(), 10);

        int triggers = 0;
        state->triggerSettingsChanged = [&] { ++triggers; };
        state->updateTriggerSettings(false, DoubleTapKey::space, 4);
        QCOMPARE(triggers, 1);
        QCOMPARE(store->layout().tapCount, 2);
        QCOMPARE(store->layout().doubleTapKey, u"space"_qs);

        state->setPanelTheme(PanelTheme::rose);
        QCOMPARE(store->layout().panelTheme, u"rose"_qs);
        scheduling.runBackground();
    }

    void destroyedStateIgnoresLateResults()
    {
        Layout layout;
        layout.slots.insert(u"1"_qs, entry(u"web"_qs, u"/src/web"_qs));
        makeState(layout);
        editorWindow(10, u"web"_qs);
        terminalListing({u"1|/dev/a|x\n"_qs});
        state->refresh();
        QVERIFY(state->tileWindows(4));
        state.reset();
        scheduling.runBackground();
        scheduling.runPlacements();
        QVERIFY(ax.callsMatching(u"set w1 AXSize"_qs).isEmpty()); // nothing moved for a gone state
    }
};

QTEST_GUILESS_MAIN(AppStateTest)
#include "tst_appstate.moc"
