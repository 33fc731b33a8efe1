#include "PrivateDesktop.h"
#include "Residents.h"
#include "TestWindows.h"
#include "XTestKeys.h"
#include "platform/x11/X11Reply.h"

#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool near(const QRect& a, const QRect& b)
{
    return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1 &&
           std::abs(a.width() - b.width()) <= 1 && std::abs(a.height() - b.height()) <= 1;
}

} // namespace

// The resident application on desktops of several displays (RandR monitors on one X screen, the
// primary one not at the root's origin): the panel, tiling, maximising and the pointer all go to
// the display under the pointer. Each arrangement gets a desktop of its own.
class X11DisplaysTest : public QObject {
    Q_OBJECT

    std::unique_ptr<PrivateDesktop> desktop;
    std::unique_ptr<TestWindows> windows;
    std::unique_ptr<XTestKeys> keys;
    std::unique_ptr<Residents> residents;
    QByteArray sharedDisplay;

    void open(QSize size)
    {
        residents.reset();
        keys.reset();
        windows.reset();
        desktop = std::make_unique<PrivateDesktop>();
        QVERIFY2(desktop->start(size), "cannot start Xvfb with openbox");
        windows = std::make_unique<TestWindows>();
        keys = std::make_unique<XTestKeys>();
        residents = std::make_unique<Residents>(*windows);
        residents->reset();
        QVERIFY(windows->available() && keys->available());
        // The first synthetic key switches the server's keyboard device, which every client hears
        // of; that happens here rather than under the first hot key.
        keys->tap(Keysym::shiftL);
    }
    // An editor window of this process, without size increments, so that frames can be exact.
    xcb_window_t editor(const QString& project)
    {
        X11Connection& x = windows->x();
        const auto window = windows->createWindow(
            "Code", {{x.atom(X11Connection::NET_WM_NAME), x.atom(X11Connection::UTF8_STRING),
                      (u"main.cpp — "_s + project + u" — Visual Studio Code"_s).toUtf8()}});
        return window.value_or(XCB_NONE);
    }
    QPoint pointer() { return windows->pointer().first; }
    std::optional<xcb_window_t> showPanel(Resident& r) { return residents->showPanel(r, *keys); }
    // The focus cue (880 points square) that ends a placement: once it shows, the windows are raised
    // and the pointer has been dealt with.
    std::optional<xcb_window_t> cueWindow()
    {
        X11Connection& x = windows->x();
        for (const xcb_window_t child : windows->topLevels()) {
            X11Reply<xcb_get_geometry_reply_t> g(
                xcb_get_geometry_reply(x.raw(), xcb_get_geometry(x.raw(), child), nullptr));
            X11Reply<xcb_get_window_attributes_reply_t> a(
                xcb_get_window_attributes_reply(x.raw(), xcb_get_window_attributes(x.raw(), child), nullptr));
            if (g && a && g->width == 880 && g->height == 880 && a->map_state == XCB_MAP_STATE_VIEWABLE)
                return child;
        }
        return std::nullopt;
    }
    bool cueShown() { return cueWindow().has_value(); }
    // A window's _NET_WM_WINDOW_OPACITY, if it has one.
    std::optional<uint32_t> opacity(xcb_window_t window)
    {
        X11Connection& x = windows->x();
        X11Reply<xcb_get_property_reply_t> value(xcb_get_property_reply(
            x.raw(),
            xcb_get_property(x.raw(), 0, window, windows->atom("_NET_WM_WINDOW_OPACITY"), XCB_ATOM_CARDINAL,
                             0, 1),
            nullptr));
        if (!value || xcb_get_property_value_length(value.get()) != 4)
            return std::nullopt;
        return *static_cast<const uint32_t*>(xcb_get_property_value(value.get()));
    }
    // Presses a key of the panel once no cue is left from before, and waits for the cue it ends with.
    bool placeWith(xcb_keysym_t key)
    {
        if (!waitUntil([&] { return !cueShown(); }))
            return false;
        keys->tap(key);
        return waitUntil([&] { return cueShown(); });
    }
    void sendState(xcb_window_t window, uint32_t action, const char* state)
    {
        X11Connection& x = windows->x();
        const uint32_t data[5] = {action, windows->atom(state), 0, 2, 0};
        x.sendRootMessage(window, x.atom(X11Connection::NET_WM_STATE), data);
        x.sync();
    }

private Q_SLOTS:
    void initTestCase() { sharedDisplay = qgetenv("DISPLAY"); }
    void cleanup()
    {
        residents.reset();
        keys.reset();
        windows.reset();
        desktop.reset();
        qputenv("DISPLAY", sharedDisplay);
    }

    void everythingGoesToTheDisplayUnderThePointer_data()
    {
        QTest::addColumn<QStringList>("monitors"); // the primary first
        QTest::addColumn<QList<QPoint>>("pointers");
        // The pointer on the top row of the lower display belongs to the lower one.
        QTest::newRow("primary below") << QStringList{u"1920x1080+0+1080"_s, u"1920x1080+0+0"_s}
                                       << QList<QPoint>{{900, 1080}, {700, 400}};
        QTest::newRow("primary on the right") << QStringList{u"1920x1080+1920+0"_s, u"1920x1080+0+0"_s}
                                              << QList<QPoint>{{2000, 500}, {1919, 1079}};
        QTest::newRow("smaller display up left") << QStringList{u"1920x1080+1280+720"_s, u"1280x720+0+0"_s}
                                                 << QList<QPoint>{{600, 300}, {2200, 1300}};
    }
    void everythingGoesToTheDisplayUnderThePointer()
    {
        QFETCH(QStringList, monitors);
        QFETCH(QList<QPoint>, pointers);
        open(QSize(3840, 2160));
        QVERIFY(desktop->setMonitors(monitors));
        const xcb_window_t alpha = editor(u"alpha"_s), beta = editor(u"beta"_s);
        QVERIFY(alpha && beta);
        // A maximised window leaves that state to be placed.
        sendState(alpha, 1, "_NET_WM_STATE_MAXIMIZED_VERT");
        QVERIFY(waitUntil([&] { return residents->states(alpha).contains("_NET_WM_STATE_MAXIMIZED_VERT"); }));
        Resident& r = residents->start(residents->slotsFor({u"alpha"_s, u"beta"_s}));

        QRect last;
        for (const QPoint& at : pointers) {
            QRect display;
            for (const QString& m : monitors) {
                if (PrivateDesktop::geometry(m).contains(at))
                    display = PrivateDesktop::geometry(m);
            }
            const QString where = u"pointer at %1,%2"_s.arg(at.x()).arg(at.y());
            keys->move(at.x(), at.y());

            // The panel opens in the middle of that display.
            auto panel = showPanel(r);
            QVERIFY2(panel, qPrintable(where));
            const QRect frame = residents->outerFrame(*panel);
            QVERIFY2((frame.center() - display.center()).manhattanLength() <= 3, qPrintable(where));

            // 0 tiles the two slots' windows over it (the last count, 4: two full-height columns).
            QVERIFY2(placeWith('0'), qPrintable(where));
            const QRect left(display.x(), display.y(), display.width() / 2, display.height());
            const QRect right = left.translated(display.width() / 2, 0);
            QVERIFY2(waitUntil([&] { return near(residents->outerFrame(alpha), left); }), qPrintable(where));
            QVERIFY2(waitUntil([&] { return near(residents->outerFrame(beta), right); }), qPrintable(where));
            QVERIFY(!residents->states(alpha).contains("_NET_WM_STATE_MAXIMIZED_VERT"));

            // 2 gives slot 2's window the whole display.
            QVERIFY2(showPanel(r), qPrintable(where));
            QVERIFY2(placeWith('2'), qPrintable(where));
            QVERIFY2(waitUntil([&] { return near(residents->outerFrame(beta), display); }),
                     qPrintable(where + QDebug::toString(residents->outerFrame(beta)) +
                                QString::fromUtf8(r.errors)));
            last = display;
        }

        // From the other display, choosing slot 2 raises its window and the pointer jumps onto it.
        const QPoint away = pointers.first();
        keys->move(away.x(), away.y());
        auto panel = showPanel(r);
        QVERIFY(panel);
        const QPoint origin = residents->rootOrigin(*panel);
        keys->click(origin.x() + 760, origin.y() + 175); // the grid's second cell
        QVERIFY(windows->waitForActive(beta));
        QVERIFY2(waitUntil([&] { return (pointer() - last.center()).manhattanLength() <= 2; }),
                 qPrintable(u"pointer at %1,%2"_s.arg(pointer().x()).arg(pointer().y())));
    }

    // The cue over a window the pointer jumped to: with a compositing manager a translucent overlay,
    // without one only its rings; never an opaque (black) square over the desktop.
    void theCueIsOnlyItsRings_data()
    {
        QTest::addColumn<bool>("compositor");
        QTest::newRow("without a compositor") << false;
        QTest::newRow("with xcompmgr") << true;
    }
    void theCueIsOnlyItsRings()
    {
        QFETCH(bool, compositor);
        open(QSize(1920, 1080));
        QVERIFY(desktop->setMonitors({u"960x1080+0+0"_s, u"960x1080+960+0"_s}));
        QProcess grey, manager;
        grey.start(u"xsetroot"_s, {u"-solid"_s, u"#808080"_s});
        QVERIFY(grey.waitForFinished());
        X11Connection& x = windows->x();
        if (compositor) {
            manager.start(u"xcompmgr"_s, QStringList());
            const xcb_atom_t selection = windows->atom("_NET_WM_CM_S0");
            QVERIFY(waitUntil([&] {
                X11Reply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
                    x.raw(), xcb_get_selection_owner(x.raw(), selection), nullptr));
                return owner && owner->owner != XCB_NONE;
            }));
        }
        const xcb_window_t alpha = editor(u"alpha"_s); // on the left display
        QVERIFY(alpha);
        Layout layout = residents->slotsFor({u"alpha"_s, u"beta"_s});
        Resident& r = residents->start(layout);
        keys->move(1400, 500);
        auto panel = showPanel(r);
        QVERIFY(panel);
        const QPoint origin = residents->rootOrigin(*panel);
        keys->click(origin.x() + 300, origin.y() + 175); // slot 1
        QVERIFY(waitUntil([&] { return cueShown(); }));
        // The window's centre is where the pointer went; this point lies in the overlay's square,
        // away from the window and the rings.
        const QRect frame = residents->outerFrame(alpha);
        const QPoint sample = frame.center() + QPoint(350, 400);
        QVERIFY((pointer() - frame.center()).manhattanLength() <= 2);
        int samples = 0;
        QSet<uint32_t> steps; // the fade's opacities between full and none, as the server has them
        while (const auto cue = cueWindow()) {
            if (const auto value = opacity(*cue); value && *value > 0 && *value < 0xffffffffu)
                steps.insert(*value);
            X11Reply<xcb_get_image_reply_t> image(
                xcb_get_image_reply(x.raw(),
                                    xcb_get_image(x.raw(), XCB_IMAGE_FORMAT_Z_PIXMAP, x.root(),
                                                  int16_t(sample.x()), int16_t(sample.y()), 1, 1, ~0u),
                                    nullptr));
            QVERIFY(image && xcb_get_image_data_length(image.get()) >= 3);
            const uint8_t* pixel = xcb_get_image_data(image.get());
            QVERIFY2(pixel[0] > 0x40 && pixel[1] > 0x40 && pixel[2] > 0x40,
                     "the desktop turned black under the cue");
            ++samples;
        }
        QVERIFY(samples > 0);
        // With a compositor the rings fade out in steps, not all at once at the end.
        if (compositor)
            QVERIFY2(steps.size() >= 2, qPrintable(QString::number(steps.size())));
        manager.kill();
        manager.waitForFinished();
    }

    // 31 windows no slot claims on a 1024 × 768 display, the panel opened from the last of them
    // (its row out of sight at first): once the dimming is over every row in sight is drawn.
    void aLongListIsDrawnWholeAfterTheDimming()
    {
        open(QSize(1024, 768));
        xcb_window_t last = XCB_NONE;
        for (int i = 0; i < 31; ++i)
            QVERIFY((last = editor(u"project-%1"_s.arg(i))) != XCB_NONE);
        windows->activate(last);
        QVERIFY(windows->waitForActive(last));
        Resident& r = residents->start(residents->slotsFor({u"alpha"_s, u"beta"_s}));
        keys->move(1000, 700); // not over the list
        auto panel = showPanel(r);
        QVERIFY(panel);
        // Down a column through the rows' left margin: a run of the rows' fill for each row drawn.
        X11Connection& x = windows->x();
        const QPoint origin = residents->rootOrigin(*panel);
        const QRect frame = residents->outerFrame(*panel);
        const auto rowsDrawn = [&] {
            X11Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
                x.raw(),
                xcb_get_image(x.raw(), XCB_IMAGE_FORMAT_Z_PIXMAP, x.root(), int16_t(origin.x() + 37),
                              int16_t(origin.y()), 1, uint16_t(frame.height()), ~0u),
                nullptr));
            if (!image)
                return 0;
            const int height = xcb_get_image_data_length(image.get()) / 4;
            const uint8_t* pixels = xcb_get_image_data(image.get());
            int rows = 0, run = 0;
            for (int y = 0; y <= height; ++y) {
                const uint8_t* p = pixels + 4 * y; // blue, green, red
                const bool fill = y < height && p[2] == 251 && p[1] == 250 && p[0] == 247;
                run = fill ? run + 1 : 0;
                rows += run == 30 ? 1 : 0;
            }
            return rows;
        };
        int seen = 0;
        QVERIFY2(waitUntil([&] { return (seen = rowsDrawn()) >= 7; }),
                 qPrintable(u"%1 rows drawn"_s.arg(seen)));
    }

    // The X server dies under one-shot listings and under the resident application: listings end
    // with a status, never a crash, and the application leaves with status 1 and one line.
    void aDisplayThatGoesAwayEndsEverythingCleanly()
    {
        open(QSize(1920, 1080));
        for (int i = 0; i < 60; ++i)
            QVERIFY2(editor(u"p%1"_s.arg(i)), qPrintable(QString::number(i)));
        Resident& r = residents->start(residents->slotsFor({u"alpha"_s, u"beta"_s}));
        QVERIFY(showPanel(r));

        QProcess listings;
        listings.start(u"sh"_s, {u"-c"_s, u"while :; do \"$0\" list-windows >/dev/null 2>&1; echo $?; done"_s,
                                 QStringLiteral(PANEDECK_BINARY)});
        QByteArray statuses;
        const auto listed = [&](int count) {
            return waitUntil([&] {
                listings.waitForReadyRead(10);
                statuses += listings.readAllStandardOutput();
                return statuses.count('\n') >= count;
            });
        };
        QVERIFY(listed(5));
        r.collect();
        const qsizetype before = r.errors.count('\n');
        desktop->killServer();
        const qsizetype atKill = statuses.count('\n');
        QVERIFY(listed(int(atKill) + 5));
        listings.kill();
        listings.waitForFinished();
        for (const QByteArray& status : statuses.split('\n'))
            QVERIFY2(status.isEmpty() || status == "0" || status == "1", status.constData());
        QVERIFY(statuses.endsWith("1\n")); // without a display: status 1

        QVERIFY(r.process.waitForFinished(10000));
        r.collect();
        QCOMPARE(r.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(r.process.exitCode(), 1);
        QVERIFY2(r.errors.count('\n') == before + 1, r.errors.constData());
    }
};

PANEDECK_X11_TEST_MAIN(X11DisplaysTest)
#include "tst_x11_displays.moc"
