// Times `panedeck list-windows` and `wmctrl -l` on the same editor windows (50 in one process unless
// --windows=N --processes=M say otherwise), taking turns, and reports each and the ratio per pair.
// Needs an X11 desktop with a window manager (scripts/bench).

#include "BenchDesktop.h"

using namespace BenchDesktop;

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
    Pairs pairs;
    const bool done = pairs.take(
        windows.samples,
        [] { return milliseconds([] {
                 return runQuietly({PANEDECK_BINARY, "list-windows"});
             }); },
        [] { return milliseconds([] {
                 return runQuietly({"wmctrl", "-l"});
             }); });
    if (!done) {
        std::fprintf(stderr, "bench_list_windows: a command failed\n");
        return 1;
    }
    std::printf("%d windows in %d processes:\n", windows.count, windows.processes);
    pairs.report("panedeck list-windows", "wmctrl -l");
    return 0;
}
