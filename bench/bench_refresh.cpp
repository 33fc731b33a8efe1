// The main-thread part of one AppState::refresh(): 50 editor windows, 20 Terminal and browser
// windows from the previous background listing, 9 slots and 200 agent state files. Target: < 2 ms.

#include "AppStateFixture.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

void refresh(benchmark::State& bench)
{
    AppStateFixture fx;
    fx.screens.list.clear();
    for (int i = 0; i < 50; ++i)
        fx.editorWindow(100, QStringLiteral("project-%1").arg(i));
    fx.ax.addApplication(QStringLiteral("com.apple.Terminal"), 200, {});
    fx.ax.addApplication(QStringLiteral("com.apple.Safari"), 300, {});
    fx.processes.output = [](const QString& exe, const QStringList& args) -> std::optional<QString> {
        QString out;
        for (int i = 0; i < 10 && exe == QStringLiteral("/usr/bin/osascript"); ++i)
            out += args.value(1).contains(QStringLiteral("Terminal"))
                       ? QStringLiteral("%1|/dev/ttys%1|zsh %1\n").arg(i)
                       : QStringLiteral("%1\tPage %1\thttps://site-%1.dev/\n").arg(i);
        return out;
    };
    fx.scheduling.clock = QDateTime::currentDateTimeUtc();
    Layout layout;
    layout.agentStatusEnabled = true;
    for (int slot = 1; slot <= 9; ++slot) {
        const QString path = QStringLiteral("/Users/dev/src/project-%1").arg(slot * 5);
        layout.slots.insert(Layout::slotKey(slot),
                            AppStateFixture::entry(QStringLiteral("slot %1").arg(slot), path));
        fx.existing << path;
    }
    for (int i = 0; i < 200; ++i)
        TestFiles::write(fx.dir.filePath(QStringLiteral("support/agent-state/session-%1.state").arg(i)),
                         QStringLiteral("cwd=/Users/dev/src/project-%1/src\nstate=%2\nupdatedAt=%3\n")
                             .arg(i % 60)
                             .arg(i % 3 ? QStringLiteral("idle") : QStringLiteral("running"))
                             .arg(fx.scheduling.clock.addSecs(-i).toString(Qt::ISODate))
                             .toUtf8());
    AppState& state = fx.make(layout);
    state.refresh();
    fx.scheduling.runBackground(); // the Terminal and browser windows are cached from here on

    for (auto _ : bench) {
        state.refresh();
        bench.PauseTiming();
        fx.scheduling.backgroundQueue.clear(); // off the main thread: not part of this measure
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
