// Showing the panel offscreen with 9 slots and 50 unassigned windows: the first show (creating the
// window and every view, layout, first paint) and a re-show. Target: re-show under 16 ms. (The
// processor time of a whole opening with its effects is measured on a real desktop by bench_hotkey.)

#include "AppStateFixture.h"
#include "ui/Fonts.h"
#include "ui/PanelController.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>

namespace {

struct Scene {
    AppStateFixture fx;
    FakeBundle bundle;
    std::unique_ptr<PanelController> panel;

    Scene()
    {
        QStringList projects;
        for (int slot = 1; slot <= 9; ++slot)
            projects << QStringLiteral("project-%1").arg(slot);
        Layout layout = fx.projects(projects);
        layout.folderShortcuts = QList<ShortcutEntry>{{QStringLiteral("Docs"), QStringLiteral("/docs")}};
        fx.make(layout);
        for (int i = 1; i <= 59; ++i)
            fx.editorWindow(10, QStringLiteral("project-%1").arg(i)); // 9 in slots, 50 unassigned
        panel = std::make_unique<PanelController>(*fx.state, bundle, fx.workspace);
    }
    // One show as the user sees it: the state refreshed, the panel laid out and painted.
    void show()
    {
        panel->show();
        fx.scheduling.backgroundQueue.clear();
        QApplication::processEvents();
        panel->panel()->grab();
    }
};

void firstShow(benchmark::State& bench)
{
    for (auto _ : bench) {
        bench.PauseTiming();
        auto scene = std::make_unique<Scene>();
        bench.ResumeTiming();
        scene->show();
        bench.PauseTiming();
        scene.reset();
        bench.ResumeTiming();
    }
}
BENCHMARK(firstShow)->Unit(benchmark::kMillisecond)->Iterations(10);

void reShow(benchmark::State& bench)
{
    Scene scene;
    scene.show();
    for (auto _ : bench) {
        scene.panel->hide();
        scene.show();
    }
}
BENCHMARK(reShow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Fonts::registerBundled();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
