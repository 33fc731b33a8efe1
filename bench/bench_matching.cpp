// SlotMatcher::match and FocusMatcher::targets for nine slots and 500 windows, as on every panel
// opening. Target: under 40 µs per run.

#include "core/windows/FocusMatcher.h"
#include "core/windows/SlotMatcher.h"

#include <benchmark/benchmark.h>

namespace {

struct Desktop {
    QMap<QString, SlotEntry> slots;
    QList<AppWindow> windows;
};

Desktop makeDesktop()
{
    Desktop d;
    for (int i = 0; i < 500; ++i) {
        const QString n = QString::number(i);
        if (i % 5 == 3) {
            AppWindow w(WindowKind::terminal, u"zsh — "_qs + n, std::nullopt,
                        u"/Users/dev/src/project-"_qs + n);
            w.pid = 2000;
            d.windows.append(w);
        } else if (i % 5 == 4) {
            AppWindow w(WindowKind::safari, u"Page "_qs + n, std::nullopt,
                        u"https://www.site-"_qs + n + u".dev/path"_qs);
            w.pid = 3000;
            d.windows.append(w);
        } else {
            AppWindow w(WindowKind::vscode, u"main.cpp — project-"_qs + n + u" — Visual Studio Code"_qs,
                        u"project-"_qs + n, std::nullopt);
            w.pid = 1000;
            d.windows.append(w);
        }
    }
    // Slots whose windows sit late in the list, and some that match nothing.
    const auto slot = [&](int s, const QString& path, std::optional<QString> kind,
                          std::optional<QString> url) {
        SlotEntry e;
        e.name = u"slot "_qs + QString::number(s);
        e.path = path;
        e.kind = std::move(kind);
        e.url = std::move(url);
        d.slots.insert(Layout::slotKey(s), e);
    };
    slot(1, u"/Users/dev/src/project-490"_qs, {}, {});
    slot(2, u"/Users/dev/src/project-491/"_qs, {}, {});
    slot(3, u"/Users/dev/src/missing"_qs, {}, {});
    slot(4, u"/Users/dev/src/project-498"_qs, u"terminal"_qs, {});
    slot(5, u"/Users/dev/src/nothing"_qs, u"terminal"_qs, {});
    slot(6, QString(), u"safari"_qs, u"https://site-499.dev"_qs);
    slot(7, QString(), u"safari"_qs, u"https://nowhere.dev"_qs);
    slot(8, u"/Users/dev/src/project-5"_qs, {}, {});
    slot(9, QString(), {}, {});
    return d;
}

void matchAndFocus(benchmark::State& state)
{
    const Desktop d = makeDesktop();
    const auto exists = [](const QString&) { return true; };
    for (auto _ : state) {
        // The caller hands over a list it assembled for this run.
        state.PauseTiming();
        QList<AppWindow> windows = d.windows;
        windows.detach();
        state.ResumeTiming();
        const auto result = SlotMatcher::match(d.slots, std::move(windows), exists);
        QList<FocusMatcher::Candidate> candidates;
        candidates.reserve(d.windows.size());
        for (const SlotStatus& s : result.statuses) {
            if (s.window)
                candidates.append(
                    {FocusTarget::slot(s.slot), s.window->pid, s.window->title, s.window->projectName});
        }
        for (const AppWindow& w : result.unassigned)
            candidates.append({FocusTarget::window(w.id), w.pid, w.title, w.projectName});
        auto targets =
            FocusMatcher::targets(1000, u"main.cpp — project-300 — Visual Studio Code"_qs, candidates);
        benchmark::DoNotOptimize(targets);
    }
}
BENCHMARK(matchAndFocus)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
