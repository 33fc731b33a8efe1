#include "AppStateFixture.h"

#include <QTest>

using Fx = AppStateFixture;

class WindowPlacingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Tiling the slots' windows and maximising one, placed in the background in request order over the
    // screen's visible frame; what was superseded or outlived by the state moves nothing.
    void tilingAndMaximising()
    {
        Fx fx;
        AppState& state = fx.make({.slots = {{u"1"_qs, Fx::entry(u"p1"_qs, u"/p1"_qs)},
                                             {u"2"_qs, Fx::entry(u"p2"_qs, u"/p2"_qs)},
                                             {u"3"_qs, Fx::entry(u"gone"_qs, u"/gone"_qs)},
                                             {u"4"_qs, Fx::entry(u"p4"_qs, u"/p4"_qs)}},
                                   .lastTileCount = 6});
        fx.existing << u"/p4"_qs;
        fx.editorWindow(10, u"p1"_qs);
        fx.editorWindow(10, u"p2"_qs);
        // Nothing listed yet: tiling places nothing, and the count stays as it was, also in the file.
        const auto tileCounts = [&] { // in the state, then in the file
            const std::optional<qint64> saved = LayoutStore(fx.store->filePath()).layout().lastTileCount;
            return QList<qint64>{state.lastTileCount(), saved.value_or(0)};
        };
        QVERIFY(!state.tileWindows(2));
        QCOMPARE(tileCounts(), (QList<qint64>{6, 6}));
        state.refresh();

        QVERIFY(state.tileWindows(5)); // becomes 4
        QCOMPARE(tileCounts(), (QList<qint64>{4, 4}));
        QVERIFY(state.tileWindows(2)); // requested before the first one ran: the first does nothing
        fx.scheduling.runPlacements();
        // Slot 1 at the left half of the 1920x1050 visible frame (top-left space: y = 1080 - 1050 = 30).
        QCOMPARE(fx.ax.window(1).frame, QRectF(0, 30, 960, 1050));
        QCOMPARE(fx.ax.window(2).frame, QRectF(960, 30, 960, 1050));
        QCOMPARE(fx.ax.callsMatching(u"set w1 AXSize"_qs).size(), 2); // moved once, not twice
        QCOMPARE(fx.ax.callsMatching(u"perform"_qs),
                 (QStringList{u"perform w1 AXRaise"_qs, u"perform w2 AXRaise"_qs}));
        QCOMPARE(fx.ax.callsMatching(u"activate"_qs).size(), 2);
        // Finished while the panel is open again: the windows come forward, the panel keeps the keys.
        state.panelDidOpen();
        QVERIFY(state.tileWindows(4));
        fx.scheduling.runPlacements();
        QCOMPARE(fx.ax.callsMatching(u"perform"_qs).size(), 4);
        QCOMPARE(fx.ax.callsMatching(u"activate"_qs).size(), 2);
        state.panelDidClose();

        QVERIFY(!state.maximizeSlot(3)); // folder missing
        QVERIFY(!state.maximizeSlot(7)); // nothing there
        QVERIFY(state.maximizeSlot(1));  // a window counts even when its folder is gone
        fx.scheduling.runPlacements();
        QCOMPARE(fx.ax.window(1).frame, QRectF(0, 30, 1920, 1050));
        // No window yet: launch, refresh after 0.6 s, place 0.4 s later.
        QVERIFY(state.maximizeSlot(4));
        QCOMPARE(fx.processes.calls.last().arguments,
                 (QStringList{u"-b"_qs, u"com.microsoft.VSCode"_qs, u"/p4"_qs}));
        const int p4 = fx.editorWindow(10, u"p4"_qs);
        fx.scheduling.advance(599);
        QVERIFY(!state.status(4)->window);
        fx.scheduling.advance(1);
        QVERIFY(state.status(4)->window);
        fx.scheduling.advance(400);
        fx.scheduling.runPlacements();
        QCOMPARE(fx.ax.window(p4).frame, QRectF(0, 30, 1920, 1050));

        const auto screens = std::exchange(fx.screens.list, {});
        QVERIFY(!state.tileWindows(4));
        fx.screens.list = screens;
        // Work still queued when the state goes: nothing is moved for it, nothing comes back.
        QVERIFY(state.tileWindows(4));
        const qsizetype moves = fx.ax.callsMatching(u"set"_qs).size();
        fx.state.reset();
        fx.scheduling.runBackground();
        fx.scheduling.runPlacements();
        QCOMPARE(fx.ax.callsMatching(u"set"_qs).size(), moves);
    }
};

QTEST_GUILESS_MAIN(WindowPlacingTest)
#include "tst_windowplacing.moc"
