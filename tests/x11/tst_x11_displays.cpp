#include "Residents.h"

#include <QSet>

// An X server of the test's own (Xvfb of a chosen size) with the openbox window manager, for tests
// that change the monitors or take the display away. Starting it points this process's DISPLAY at
// it, so that the test's connections and the programs it starts use it.
class PrivateDesktop {
public:
    ~PrivateDesktop()
    {
        m_manager.kill();
        m_manager.waitForFinished(2000);
        killServer();
    }

    bool start(QSize size)
    {
        // Xvfb picks a free display number itself and writes it on a line of its standard output.
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s,
                                   u"%1x%2x24"_s.arg(size.width()).arg(size.height()), u"-nolisten"_s,
                                   u"tcp"_s, u"-noreset"_s});
        QByteArray number;
        while (!number.endsWith('\n') && m_server.waitForReadyRead(10000))
            number += m_server.readAllStandardOutput();
        if (!number.endsWith('\n'))
            return false;
        qputenv("DISPLAY", ":" + number.trimmed());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, m_work.path());
        m_manager.setProcessEnvironment(environment);
        m_manager.setStandardOutputFile(QProcess::nullDevice());
        m_manager.setStandardErrorFile(QProcess::nullDevice());
        m_manager.start(u"openbox"_s, {u"--sm-disable"_s});
        const auto x = X11Connection::open();
        return x && managesWindows(*x);
    }
    // The monitors of the fresh desktop, the first one listed primary.
    bool setMonitors(const QList<QRect>& monitors)
    {
        for (qsizetype i = 0; i < monitors.size(); ++i) {
            // Millimetres do not matter here; the first monitor takes over the server's only output,
            // which would otherwise stand as a monitor of its own over the whole screen.
            const QRect r = monitors[i];
            if (QProcess::execute(
                    u"xrandr"_s,
                    {u"--setmonitor"_s, (i == 0 ? u"*"_s : QString()) + u"test%1"_s.arg(i),
                     u"%1/300x%2/200+%3+%4"_s.arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()),
                     i == 0 ? u"screen"_s : u"none"_s}) != 0)
                return false;
        }
        return true;
    }
    // The display goes away under whoever uses it.
    void killServer()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.kill();
        m_server.waitForFinished(5000);
    }

private:
    QTemporaryDir m_work;
    QProcess m_server;
    QProcess m_manager;
};

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
        cleanup();
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
    xcb_window_t editor(const QString& project)
    {
        return windows->createEditor((u"main.cpp — "_s + project + u" — Visual Studio Code"_s).toUtf8());
    }
    QPoint pointer() { return windows->pointer().first; }
    std::optional<xcb_window_t> showPanel(Resident& r) { return residents->showPanel(r, *keys); }
    // Equal give or take a pixel in each coordinate.
    static bool near(const QRect& a, const QRect& b)
    {
        return std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1 &&
               std::abs(a.width() - b.width()) <= 1 && std::abs(a.height() - b.height()) <= 1;
    }
    // The focus cue (880 points square) that ends a placement: once it shows, the windows are raised
    // and the pointer has been dealt with.
    std::optional<xcb_window_t> cueWindow()
    {
        xcb_connection_t* c = windows->c();
        for (const xcb_window_t child : windows->topLevels()) {
            const auto g = ask(c, xcb_get_geometry(c, child), xcb_get_geometry_reply);
            const auto a = ask(c, xcb_get_window_attributes(c, child), xcb_get_window_attributes_reply);
            if (g && a && g->width == 880 && g->height == 880 && a->map_state == XCB_MAP_STATE_VIEWABLE)
                return child;
        }
        return std::nullopt;
    }
    bool cueShown() { return cueWindow().has_value(); }
    // The pixels of a column of the root window, four bytes each (blue, green, red, unused).
    QByteArray column(QPoint top, int height)
    {
        xcb_connection_t* c = windows->c();
        const auto image = ask(c,
                               xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, windows->x().root(),
                                             int16_t(top.x()), int16_t(top.y()), 1, uint16_t(height), ~0u),
                               xcb_get_image_reply);
        if (!image)
            return {};
        return QByteArray(reinterpret_cast<const char*>(xcb_get_image_data(image.get())),
                          xcb_get_image_data_length(image.get()));
    }
    // Presses a key of the panel once no cue is left from before, and waits for the cue it ends with.
    bool placeWith(xcb_keysym_t key)
    {
        if (!waitUntil([&] { return !cueShown(); }))
            return false;
        keys->tap(key);
        return waitUntil([&] { return cueShown(); });
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
        QTest::addColumn<QList<QRect>>("monitors"); // the primary first
        QTest::addColumn<QList<QPoint>>("pointers");
        // The pointer on the top row of the lower display belongs to the lower one.
        QTest::newRow("primary below") << QList<QRect>{{0, 1080, 1920, 1080}, {0, 0, 1920, 1080}}
                                       << QList<QPoint>{{900, 1080}, {700, 400}};
        QTest::newRow("primary on the right") << QList<QRect>{{1920, 0, 1920, 1080}, {0, 0, 1920, 1080}}
                                              << QList<QPoint>{{2000, 500}, {1919, 1079}};
        QTest::newRow("smaller display up left") << QList<QRect>{{1280, 720, 1920, 1080}, {0, 0, 1280, 720}}
                                                 << QList<QPoint>{{600, 300}, {2200, 1300}};
    }
    void everythingGoesToTheDisplayUnderThePointer()
    {
        QFETCH(QList<QRect>, monitors);
        QFETCH(QList<QPoint>, pointers);
        open(QSize(3840, 2160));
        QVERIFY(desktop->setMonitors(monitors));
        const xcb_window_t alpha = editor(u"alpha"_s), beta = editor(u"beta"_s);
        QVERIFY(alpha && beta);
        // A maximised window leaves that state to be placed.
        const uint32_t maximise[5] = {1, windows->atom("_NET_WM_STATE_MAXIMIZED_VERT"), 0, 2, 0};
        windows->x().sendRootMessage(alpha, windows->x().atom(X11Connection::NET_WM_STATE), maximise);
        QVERIFY(waitUntil([&] { return windows->hasState(alpha, "_NET_WM_STATE_MAXIMIZED_VERT"); }));
        Resident& r = residents->start(residents->slotsFor({u"alpha"_s, u"beta"_s}));

        QRect last;
        for (const QPoint& at : pointers) {
            QRect display;
            for (const QRect& monitor : monitors)
                display = monitor.contains(at) ? monitor : display;
            const QString where = u"pointer at %1,%2"_s.arg(at.x()).arg(at.y());
            keys->move(at.x(), at.y());

            // The panel opens in the middle of that display.
            auto panel = showPanel(r);
            QVERIFY2(panel, qPrintable(where));
            const QRect frame = windows->outerFrame(*panel);
            QVERIFY2((frame.center() - display.center()).manhattanLength() <= 3, qPrintable(where));

            // 0 tiles the two slots' windows over it (the last count, 4: two full-height columns).
            QVERIFY2(placeWith('0'), qPrintable(where));
            const QRect left(display.x(), display.y(), display.width() / 2, display.height());
            const QRect right = left.translated(display.width() / 2, 0);
            QVERIFY2(waitUntil([&] { return near(windows->outerFrame(alpha), left); }), qPrintable(where));
            QVERIFY2(waitUntil([&] { return near(windows->outerFrame(beta), right); }), qPrintable(where));
            QVERIFY(!windows->hasState(alpha, "_NET_WM_STATE_MAXIMIZED_VERT"));

            // 2 gives slot 2's window the whole display.
            QVERIFY2(showPanel(r), qPrintable(where));
            QVERIFY2(placeWith('2'), qPrintable(where));
            QVERIFY2(waitUntil([&] { return near(windows->outerFrame(beta), display); }),
                     qPrintable(where + QDebug::toString(windows->outerFrame(beta)) +
                                QString::fromUtf8(r.errors)));
            last = display;
        }

        // From the other display, choosing slot 2 raises its window and the pointer jumps onto it.
        keys->move(pointers.first().x(), pointers.first().y());
        auto panel = showPanel(r);
        QVERIFY(panel);
        keys->click(windows->rootOrigin(*panel) + QPoint(760, 175)); // the grid's second cell
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
        QVERIFY(desktop->setMonitors({{0, 0, 960, 1080}, {960, 0, 960, 1080}}));
        QCOMPARE(QProcess::execute(u"xsetroot"_s, {u"-solid"_s, u"#808080"_s}), 0);
        QProcess manager;
        if (compositor) {
            manager.start(u"xcompmgr"_s, QStringList());
            xcb_connection_t* c = windows->c();
            const xcb_atom_t selection = windows->atom("_NET_WM_CM_S0");
            QVERIFY(waitUntil([&] {
                const auto owner =
                    ask(c, xcb_get_selection_owner(c, selection), xcb_get_selection_owner_reply);
                return owner && owner->owner != XCB_NONE;
            }));
        }
        const xcb_window_t alpha = editor(u"alpha"_s); // on the left display
        QVERIFY(alpha);
        Resident& r = residents->start(residents->slotsFor({u"alpha"_s, u"beta"_s}));
        keys->move(1400, 500);
        auto panel = showPanel(r);
        QVERIFY(panel);
        keys->click(windows->rootOrigin(*panel) + QPoint(300, 175)); // slot 1
        QVERIFY(waitUntil([&] { return cueShown(); }));
        // The window's centre is where the pointer went; this point lies in the overlay's square,
        // away from the window and the rings.
        const QRect frame = windows->outerFrame(alpha);
        const QPoint sample = frame.center() + QPoint(350, 400);
        QVERIFY((pointer() - frame.center()).manhattanLength() <= 2);
        int samples = 0;
        QSet<uint32_t> steps; // the fade's opacities between full and none, as the server has them
        const xcb_atom_t opacity = windows->atom("_NET_WM_WINDOW_OPACITY");
        while (const auto cue = cueWindow()) {
            const auto value = windows->x().property(windows->x().requestProperty(*cue, opacity, 1));
            const QList<uint32_t> v = value ? X11Connection::values32(*value) : QList<uint32_t>();
            if (v.size() == 1 && v[0] > 0 && v[0] < 0xffffffffu)
                steps.insert(v[0]);
            const QByteArray pixel = column(sample, 1);
            QVERIFY2(pixel.size() >= 3 && uint8_t(pixel[0]) > 0x40 && uint8_t(pixel[1]) > 0x40 &&
                         uint8_t(pixel[2]) > 0x40,
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
        const QPoint top = windows->rootOrigin(*panel) + QPoint(37, 0);
        const int height = windows->outerFrame(*panel).height();
        const auto rowsDrawn = [&] {
            const QByteArray pixels = column(top, height);
            int rows = 0, run = 0;
            for (qsizetype y = 0; y + 3 < pixels.size(); y += 4) {
                const bool fill =
                    pixels.mid(y, 3) == QByteArray("\xf7\xfa\xfb"); // red 251, green 250, blue 247
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
        QVERIFY(listed(int(statuses.count('\n')) + 5));
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
