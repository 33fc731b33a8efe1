#include "core/control/WindowTiler.h"

#include <QTest>

using namespace WindowTiler;
using Regions = QList<Region>;
Q_DECLARE_METATYPE(WindowTiler::PointerFocusAction)

// Grids, stretching, the two vertical conventions and where the pointer goes.
class TilerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void grids()
    {
        for (int count : {0, 1, 5, 7, -2})
            QVERIFY(regions(count, QRectF(0, 0, 100, 100)).isEmpty());
        QCOMPARE(slots(2), (QList<int>{1, 2}));
        QCOMPARE(slots(3), (QList<int>{1, 2, 3}));
        QCOMPARE(slots(4), (QList<int>{1, 2, 4, 5}));
        QCOMPARE(slots(6), (QList<int>{1, 2, 3, 4, 5, 6}));
        QCOMPARE(regions(2, QRectF(0, 25, 1440, 875)),
                 (Regions{{1, QRectF(0, 25, 720, 875)}, {2, QRectF(720, 25, 720, 875)}}));
        const Regions six = regions(6, QRectF(0, 0, 1920, 1080));
        QCOMPARE(six[0], (Region{1, QRectF(0, 540, 640, 540)}));
        QCOMPARE(six[3], (Region{4, QRectF(0, 0, 640, 540)}));
        QCOMPARE(six[5], (Region{6, QRectF(1280, 0, 640, 540)}));
        // Cells abut exactly on a display that does not start at the origin.
        const Regions three = regions(3, QRectF(-1000, 100, 1000, 700));
        QCOMPARE(three[1].frame.left(), three[0].frame.right());
        QCOMPARE(three[2].frame.right(), 0.0);
    }

    void occupied()
    {
        const QRectF screen(0, 0, 1920, 1080);
        QCOMPARE(occupiedRegions(6, screen, {1, 2, 5}), (Regions{{1, QRectF(0, 0, 640, 1080)},
                                                                 {2, QRectF(640, 540, 640, 540)},
                                                                 {5, QRectF(640, 0, 640, 540)}}));
        QCOMPARE(occupiedRegions(4, screen, {4}),
                 (Regions{{4, QRectF(0, 0, 960, 540)}})); // bottom never stretches
        QCOMPARE(occupiedRegions(3, screen, {5, 3}), (Regions{{3, QRectF(1280, 0, 640, 1080)}}));
        QCOMPARE(occupiedRegions(6, screen, {3, 4}),
                 (Regions{{3, QRectF(1280, 0, 640, 1080)}, {4, QRectF(0, 0, 640, 540)}}));
        QCOMPARE(occupiedRegions(6, screen, {3, 6}),
                 (Regions{{3, QRectF(1280, 540, 640, 540)}, {6, QRectF(1280, 0, 640, 540)}}));
        QVERIFY(occupiedRegions(4, screen, {}).isEmpty());
        QVERIFY(occupiedRegions(5, screen, {1, 2}).isEmpty());
    }

    void conversions()
    {
        QCOMPARE(topLeftOriginFrame(QRectF(0, 0, 100, 100), 1080), QRectF(0, 980, 100, 100));
        QCOMPARE(topLeftOriginFrame(QRectF(1920, 1080, 800, 600), 1080), QRectF(1920, -600, 800, 600));
        QCOMPARE(appKitPoint(QPointF(10, 30), 1080), QPointF(10, 1050));

        // The pointer stands for the pixel below it: a screen's top edge is its own, the bottom
        // edge the next one's below (so the top row of a lower screen is that screen's).
        const QRectF lower(0, 0, 1920, 1080), upper(0, 1080, 1920, 1080);
        QVERIFY(containsPointer(lower, QPointF(10, 1080)) && !containsPointer(upper, QPointF(10, 1080)));
        QVERIFY(containsPointer(lower, QPointF(0, 1)) && !containsPointer(lower, QPointF(0, 0)));
        QVERIFY(!containsPointer(lower, QPointF(1920, 500)) && containsPointer(upper, QPointF(1919.5, 2160)));
    }

    void pointer_data()
    {
        QTest::addColumn<QList<QRectF>>("screens");
        QTest::addColumn<QPointF>("center");
        QTest::addColumn<QPointF>("mouse");
        QTest::addColumn<PointerFocusAction>("expected");
        const QRectF left(0, 0, 1920, 1080), right(1920, 0, 1280, 800), above(0, 1080, 1920, 1080);
        const QList<QRectF> sideBySide{left, right};
        QTest::newRow("one display") << QList<QRectF>{left} << QPointF(100, 100) << QPointF(5000, 5000)
                                     << PointerFocusAction::none();
        QTest::newRow("other display") << sideBySide << QPointF(2500, 400) << QPointF(100, 100)
                                       << PointerFocusAction::warp(QPointF(2500, 400));
        QTest::newRow("same display")
            << sideBySide << QPointF(900, 500) << QPointF(100, 100) << PointerFocusAction::effectInPlace();
        QTest::newRow("window off screen")
            << sideBySide << QPointF(2500, 900) << QPointF(100, 100) << PointerFocusAction::none();
        QTest::newRow("pointer off screen") << sideBySide << QPointF(900, 500) << QPointF(-5, 100)
                                            << PointerFocusAction::warp(QPointF(900, 500));
        // The shared edge belongs to the display whose minimum it is.
        QTest::newRow("centre on the shared edge") << sideBySide << QPointF(1920, 10) << QPointF(100, 100)
                                                   << PointerFocusAction::warp(QPointF(1920, 10));
        QTest::newRow("pointer on the shared edge")
            << sideBySide << QPointF(1920, 10) << QPointF(1920, 500) << PointerFocusAction::effectInPlace();
        QTest::newRow("stacked") << QList<QRectF>{left, above} << QPointF(500, 1080) << QPointF(500, 1079)
                                 << PointerFocusAction::warp(QPointF(500, 1080));
        QTest::newRow("stacked, same") << QList<QRectF>{left, above} << QPointF(500, 2000) << QPointF(0, 1080)
                                       << PointerFocusAction::effectInPlace();
    }
    void pointer()
    {
        QFETCH(QList<QRectF>, screens);
        QFETCH(QPointF, center);
        QFETCH(QPointF, mouse);
        QFETCH(PointerFocusAction, expected);
        QCOMPARE(pointerFocusAction(center, mouse, screens), expected);
    }
};

QTEST_GUILESS_MAIN(TilerTest)
#include "tst_tiler.moc"
