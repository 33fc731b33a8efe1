#include "AppStateFixture.h"

#include <QTest>

class UsageMeterTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The usage meter's runs of `claude`: one at once when the panel opens, never two at a time, then
    // every five minutes up to the very end of the half hour after the opening; switched off, no timer
    // and no figures are left.
    void usageMeterRunsWhileThePanelIsUsed()
    {
        AppStateFixture fx;
        AppState& state = fx.make({.claudeUsageEnabled = true});
        const auto runs = [&] { // every run of `claude` is one call, made in the background
            fx.scheduling.runBackground();
            return fx.processes.calls.size();
        };
        state.panelDidOpen();
        QCOMPARE(fx.scheduling.backgroundQueue.size(), 1); // a run at once
        QCOMPARE(fx.scheduling.pendingTimers(), 1);
        fx.scheduling.advance(60 * 1000);
        state.panelDidOpen(); // within the window and still running: no second run
        fx.scheduling.advance(240 * 1000); // the 5-minute run falls due while the first still runs
        QCOMPARE(runs(), 1);
        for (int minute = 10; minute <= 30; minute += 5) { // the grid up to the end, moved to 31 min
            fx.scheduling.advance(300 * 1000);
            QCOMPARE(runs(), minute / 5);
        }
        fx.scheduling.advance(3600 * 1000);
        QCOMPARE(runs(), 6); // the chain has stopped
        QCOMPARE(fx.scheduling.pendingTimers(), 0);
        state.panelDidOpen();
        QCOMPARE(runs(), 7); // a new window runs at once, then every 5 minutes up to its very end
        for (int run = 8; run <= 13; ++run) {
            fx.scheduling.advance(300 * 1000);
            QCOMPARE(runs(), run);
        }
        state.setClaudeUsageEnabled(false);
        QCOMPARE(fx.scheduling.pendingTimers(), 0);
        fx.scheduling.runBackground();
        QCOMPARE(state.claudeUsage(), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(UsageMeterTest)
#include "tst_usagemeter.moc"
