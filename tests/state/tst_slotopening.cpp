#include "AppStateFixture.h"

#include <QTest>

using Fx = AppStateFixture;

class SlotOpeningTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Choosing a slot: its window comes forward with the pointer after it, else its project opens in
    // the program its kind names; a missing folder, a Safari slot without a web address and an empty
    // slot open nothing.
    void choosingASlot_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QStringList>("launched"); // the arguments of every process started
        QTest::newRow("folder missing") << 1 << QStringList();
        QTest::newRow("terminal") << 2 << QStringList{u"-a"_qs, u"Terminal"_qs, u"/src/t"_qs};
        QTest::newRow("kinds are lower case: an editor project")
            << 3 << QStringList{u"-b"_qs, u"com.microsoft.VSCode"_qs, u"/src/T"_qs};
        QTest::newRow("safari, no web address") << 4 << QStringList();
        QTest::newRow("safari") << 5 << QStringList{u"-a"_qs, u"Safari"_qs, u"https://a.dev"_qs};
        QTest::newRow("empty") << 9 << QStringList();
        QTest::newRow("with a window") << 6 << QStringList();
    }
    void choosingASlot()
    {
        QFETCH(int, slot);
        QFETCH(QStringList, launched);
        Fx fx;
        AppState& state =
            fx.make({.slots = {{u"1"_qs, Fx::entry(u"app"_qs, u"/w/app/"_qs)},
                               {u"2"_qs, Fx::entry(u"t"_qs, u"/src/t"_qs, u"terminal"_qs)},
                               {u"3"_qs, Fx::entry(u"T"_qs, u"/src/T"_qs, u"Terminal"_qs)},
                               {u"4"_qs, Fx::entry(u"s"_qs, {}, u"safari"_qs, u"not a url"_qs)},
                               {u"5"_qs, Fx::entry(u"s"_qs, {}, u"safari"_qs, u"https://a.dev"_qs)},
                               {u"6"_qs, Fx::entry(u"web"_qs, u"/src/web"_qs)}}});
        fx.existing << u"/src/t"_qs << u"/src/T"_qs << u"/src/web"_qs;
        // A second display to the right; slot 6's window sits on it (top-left frame 2000,100 800x600).
        fx.screens.list.append({QRectF(1920, 0, 1280, 1080), QRectF(1920, 0, 1280, 1080)});
        fx.editorWindow(10, u"web"_qs, QRectF(2000, 100, 800, 600));
        state.refresh();

        state.activateSlot(slot);
        QStringList arguments;
        for (const auto& call : fx.processes.calls)
            arguments += call.arguments;
        QCOMPARE(arguments, launched);
        // Slot 6 is raised, and the pointer follows it across to the other display (its centre, and
        // the effect there with y counted up from the primary screen's bottom).
        const bool raised = slot == 6;
        QCOMPARE(fx.ax.callsMatching(u"perform"_qs), raised ? QStringList{u"perform w1 AXRaise"_qs} : QStringList());
        QCOMPARE(fx.screens.warps, raised ? QList<QPointF>{QPointF(2400, 400)} : QList<QPointF>());
        QCOMPARE(fx.effect.played, raised ? QList<QPointF>{QPointF(2400, 680)} : QList<QPointF>());
    }
};

QTEST_GUILESS_MAIN(SlotOpeningTest)
#include "tst_slotopening.moc"
