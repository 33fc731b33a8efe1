// Times `panedeck list-windows` and `wmctrl -l` on the same editor windows (50 in one process unless
// --windows=N --processes=M say otherwise), interleaved in the same run, and reports the ratio of
// their medians. Needs an X11 desktop with a window manager (scripts/bench).

#include "BenchDesktop.h"

#include <cstdio>

using namespace BenchDesktop;

namespace {

void timeCommand(benchmark::State& state, const std::vector<std::string>& command)
{
    for (auto _ : state) {
        if (!runQuietly(command)) {
            state.SkipWithError("the command failed");
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const Windows windows = takeWindows(argc, argv);
    const auto x = X11Connection::open();
    if (!x) {
        std::fprintf(stderr, "bench_list_windows: no X11 display\n");
        return 1;
    }
    if (!openEditorWindows(*x, windows)) {
        std::fprintf(stderr, "bench_list_windows: the window manager did not list the test windows\n");
        return 1;
    }

    benchmark::RegisterBenchmark("panedeck list-windows", timeCommand,
                                 std::vector<std::string>{PANEDECK_BINARY, "list-windows"})
        ->Unit(benchmark::kMillisecond)
        ->Iterations(20)
        ->Repetitions(15)
        ->ReportAggregatesOnly(true)
        ->UseRealTime();
    benchmark::RegisterBenchmark("wmctrl -l", timeCommand, std::vector<std::string>{"wmctrl", "-l"})
        ->Unit(benchmark::kMillisecond)
        ->Iterations(20)
        ->Repetitions(15)
        ->ReportAggregatesOnly(true)
        ->UseRealTime();

    // The two commands take turns, so that a slow moment of the machine falls on both.
    std::vector<char*> arguments(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave);
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double ours = reporter.medians["panedeck list-windows"];
    const double theirs = reporter.medians["wmctrl -l"];
    if (ours > 0 && theirs > 0)
        std::printf("median ratio panedeck list-windows / wmctrl -l on %d windows in %d processes: %.2f "
                    "(%.1f ms / %.1f ms)\n",
                    windows.count, windows.processes, ours / theirs, ours, theirs);
    return 0;
}
