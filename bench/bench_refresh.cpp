// The main-thread part of one AppState::refresh(): 50 editor windows, 20 Terminal and browser
// windows from the previous background listing, 9 slots and 200 agent state files. Target: < 2 ms.

#include "FakeDesktop.h"
#include "FakePlatform.h"
#include "FakeProcesses.h"
#include "FakeScheduling.h"
#include "core/state/AppState.h"
#include "core/text/IsoTime.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

class NoScreens final : public Screens {
public:
    QList<Screen> screens() override { return {}; }
    std::optional<Screen> mainScreen() override { return std::nullopt; }
    QPointF pointerLocation() override { return {}; }
    void warpPointer(const QPointF&) override {}
};
class NoEffect final : public FocusEffect {
public:
    void play(const QPointF&) override {}
};

void refresh(benchmark::State& bench)
{
    QTemporaryDir dir;
    FakeDesktop ax;
    QList<int> editor;
    for (int i = 0; i < 50; ++i)
        editor.append(
            ax.addWindow({.title = QStringLiteral("main.cpp — project-%1 — Visual Studio Code").arg(i)}));
    ax.addApplication(WindowDiscovery::vscodeBundleID, 100, editor);
    ax.addApplication(QStringLiteral("com.apple.Terminal"), 200, {});
    ax.addApplication(QStringLiteral("com.apple.Safari"), 300, {});
    FakeProcesses processes;
    processes.output = [](const QString& exe, const QStringList& args) -> std::optional<QString> {
        QString out;
        if (exe == QStringLiteral("/usr/bin/osascript") &&
            args.value(1).contains(QStringLiteral("Terminal"))) {
            for (int i = 0; i < 10; ++i)
                out += QStringLiteral("%1|/dev/ttys%1|zsh %1\n").arg(i);
        } else if (exe == QStringLiteral("/usr/bin/osascript")) {
            for (int i = 0; i < 10; ++i)
                out += QStringLiteral("%1\tPage %1\thttps://site-%1.dev/\n").arg(i);
        }
        return out;
    };
    NoAppleScript appleScript;
    FakeWorkspace workspace;
    FakeSleeper sleeper;
    DesktopServices desktop{ax, processes, appleScript, workspace, sleeper};
    NoScreens screens;
    NoEffect effect;
    FakeScheduling scheduling;
    scheduling.clock = QDateTime::currentDateTimeUtc();

    Layout layout;
    layout.agentStatusEnabled = true;
    for (int slot = 1; slot <= 9; ++slot) {
        SlotEntry e;
        e.name = QStringLiteral("slot %1").arg(slot);
        e.path = QStringLiteral("/Users/dev/src/project-%1").arg(slot * 5);
        layout.slots.insert(Layout::slotKey(slot), e);
    }
    LayoutStore store(dir.filePath(QStringLiteral("layout.json")));
    store.setLayout(layout);
    const QString states = dir.filePath(QStringLiteral("support/agent-state"));
    QDir().mkpath(states);
    for (int i = 0; i < 200; ++i) {
        QFile f(states + QStringLiteral("/session-%1.state").arg(i));
        if (f.open(QIODevice::WriteOnly))
            f.write(QStringLiteral("cwd=/Users/dev/src/project-%1/src\nstate=%2\nupdatedAt=%3\n")
                        .arg(i % 60)
                        .arg(i % 3 ? QStringLiteral("idle") : QStringLiteral("running"))
                        .arg(IsoTime::format(scheduling.clock.addSecs(-i)))
                        .toUtf8());
    }
    AppStateEnvironment env{dir.filePath(QStringLiteral("storage.json")),
                            dir.filePath(QStringLiteral("claude.json")),
                            dir.path(),
                            dir.filePath(QStringLiteral("usage")),
                            AgentStatusStore(dir.filePath(QStringLiteral("support"))),
                            [](const QString&) { return true; },
                            [](const QString&) { return false; }};
    AppState state(store, desktop, screens, effect, scheduling, env);
    state.refresh();
    scheduling.runBackground(); // the Terminal and browser windows are cached from here on

    for (auto _ : bench) {
        state.refresh();
        bench.PauseTiming();
        scheduling.backgroundQueue.clear(); // off the main thread: not part of this measure
        bench.ResumeTiming();
    }
}
BENCHMARK(refresh)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
