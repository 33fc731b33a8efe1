#include "TestWindows.h"
#include "core/windows/WindowDiscovery.h"
#include "platform/Sleeper.h"
#include "platform/x11/X11Accessibility.h"

#include <sys/resource.h>

// The real executable and the X11 backend on a real desktop (Xvfb + openbox) with throwaway windows.
class X11DesktopTest : public QObject {
    Q_OBJECT

    TestWindows windows;
    using Result = std::pair<int, QString>;

private Q_SLOTS:
    void initTestCase() { QVERIFY2(windows.available(), "cannot open the X11 display"); }

    void withoutDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"DISPLAY"_s);
        environment.remove(u"QT_QPA_PLATFORM"_s);
        QString errors;

        // The line and status stay; the reason follows on standard error, in plain words.
        QCOMPARE(runPanedeck({u"list-windows"_s}, environment, &errors),
                 Result(1, u"アクセシビリティ権限がありません。システム設定で許可してください。\n"_s));
        QCOMPARE(errors, u"panedeck: no X11 display is set (the DISPLAY variable is empty)\n"_s);
        environment.insert(u"DISPLAY"_s, u":4999"_s);
        QCOMPARE(runPanedeck({u"list-windows"_s}, environment, &errors).first, 1);
        QCOMPARE(errors, u"panedeck: the X11 display :4999 could not be opened\n"_s);
        environment.remove(u"DISPLAY"_s);

        QCOMPARE(runPanedeck({u"raise"_s, u"projA"_s}, environment), Result(0, u"not found: projA\n"_s));
        // The resident application has nothing to show on: it says so instead of crashing.
        QCOMPARE(runPanedeck({}, environment), Result(1, QString()));
    }

    void listAndRaiseEditorWindows()
    {
        const auto a = windows.spawnTerminal(u"Code"_s, u"main.cpp — projA — Visual Studio Code"_s);
        const auto other = windows.spawnTerminal(u"XTerm"_s, u"projX — Visual Studio Code"_s);
        const auto b = windows.spawnTerminal(u"Code"_s, u"● notes.md — プロジェクト — Visual Studio Code"_s);
        QVERIFY(a && other && b);

        QCOMPARE(runPanedeck({u"list-windows"_s}),
                 Result(0, u"[projA] main.cpp — projA — Visual Studio Code\n"
                           u"[プロジェクト] ● notes.md — プロジェクト — Visual Studio Code\n"_s));
        QCOMPARE(runPanedeck({u"raise"_s, u"projA"_s}),
                 Result(0, u"raised: main.cpp — projA — Visual Studio Code\n"_s));
        QVERIFY(windows.waitForActive(*a));
        // An editor's title on a window of another program.
        QCOMPARE(runPanedeck({u"raise"_s, u"projX"_s}), Result(0, u"not found: projX\n"_s));
        QVERIFY(staysFalse([&] { return windows.activeWindow() != a; }, 300));
    }

    // What cannot be read is skipped; long titles are listed whole up to their first 64 KiB (a title
    // of megabytes cut there without splitting a character), control characters as blanks, and the
    // listing stays small.
    void titlesInEveryEncodingAndLength()
    {
        X11Connection& x = windows.x();
        const xcb_atom_t utf8 = x.atom(X11Connection::UTF8_STRING);
        const xcb_atom_t netName = x.atom(X11Connection::NET_WM_NAME);
        // Invalid UTF-8 everywhere: the window cannot be read and is skipped.
        QVERIFY(
            windows.createWindow("Code", {{netName, utf8, QByteArray("bad \xff\xfe — Visual Studio Code")},
                                          {XCB_ATOM_WM_NAME, utf8, QByteArray("bad \xc3 title")}}));
        // Invalid _NET_WM_NAME falls back to a Latin-1 WM_NAME.
        QVERIFY(windows.createWindow(
            "Code", {{netName, utf8, QByteArray("\xc3\x28")},
                     {XCB_ATOM_WM_NAME, XCB_ATOM_STRING, QByteArray("caf\xe9 - Visual Studio Code")}}));
        // No name at all: not listed.
        QVERIFY(windows.createWindow("Code", {}));
        const QByteArray longName(60000, 'x');
        QVERIFY(windows.createEditor(QByteArray("a\tb\x01 — ") + longName));
        const xcb_window_t huge = windows.createEditor("a");
        QVERIFY(huge);
        const QByteArray chunk = QByteArray("\xc3\xa9").repeated(512 * 1024); // é, 1 MiB
        for (int i = 0; i < 16; ++i)
            xcb_change_property(x.raw(), XCB_PROP_MODE_APPEND, huge, netName, utf8, 8, uint32_t(chunk.size()),
                                chunk.constData());
        x.sync();

        const auto [status, output] = runPanedeck({u"list-windows"_s});
        QCOMPARE(status, 0);
        const QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(!output.contains(u"bad"_s));
        QVERIFY(lines.contains(u"[café] café - Visual Studio Code"_s));
        QVERIFY(lines.contains(u"["_s + QString::fromLatin1(longName) + u"] a b  — "_s +
                               QString::fromLatin1(longName)));
        const QString cut = u"a"_s + QString(32767, u'é');
        QVERIFY(lines.contains(u'[' + cut + u"] "_s + cut));
        // The largest of the children waited for so far: the listings.
        rusage children{};
        QCOMPARE(getrusage(RUSAGE_CHILDREN, &children), 0);
        QVERIFY2(children.ru_maxrss < 256 * 1024,
                 qPrintable(QString::number(children.ru_maxrss) + u" KiB"_s));
        xcb_destroy_window(x.raw(), huge);
        x.sync();
    }

    void backendFocusMoveAndMinimize()
    {
        const xcb_window_t window = windows.createEditor("move.txt — mover — Visual Studio Code");
        QVERIFY(window);

        X11Accessibility accessibility;
        ThreadSleeper sleeper;
        WindowDiscovery discovery(accessibility, sleeper);
        QVERIFY(discovery.isTrusted(false));
        const QList<AppWindow> listed = discovery.listWindows();
        const auto found = std::find_if(listed.begin(), listed.end(),
                                        [](const AppWindow& w) { return w.projectName == u"mover"_s; });
        QVERIFY(found != listed.end());
        const AppWindow mover = *found;

        discovery.raise(mover);
        QVERIFY(windows.waitForActive(window));
        // This process's own window is active, and it never counts as where the user came from.
        QVERIFY(!discovery.frontmostFocusedWindow());

        // A minimised window comes back and moves.
        QCOMPARE(accessibility.setAttribute(mover.axElement, AXAttribute::minimized, true), AXError::success);
        QTRY_COMPARE(
            std::get<bool>(accessibility.copyAttribute(mover.axElement, AXAttribute::minimized).value), true);
        const QRectF target(300, 200, 500, 400);
        QVERIFY(discovery.move(mover, target));
        QCOMPARE(std::get<bool>(accessibility.copyAttribute(mover.axElement, AXAttribute::minimized).value),
                 false);
        const auto placed = [&] {
            const auto frame = discovery.frame(mover);
            return frame && std::abs(frame->x() - target.x()) < 6 && std::abs(frame->y() - target.y()) < 6 &&
                   std::abs(frame->width() - target.width()) < 6 &&
                   std::abs(frame->height() - target.height()) < 6;
        };
        QVERIFY2(waitUntil(placed), qPrintable(QDebug::toString(discovery.frame(mover).value_or(QRectF()))));

        // The enhanced-interface flag does not exist here; reading it fails.
        QVERIFY(!accessibility
                     .copyAttribute(accessibility.applicationElement(mover.pid),
                                    AXAttribute::enhancedUserInterface)
                     .succeeded());

        // A window that is gone: reads fail, nothing crashes.
        xcb_destroy_window(windows.c(), window);
        windows.x().sync();
        QVERIFY(!discovery.frame(mover));
        QVERIFY(!accessibility.copyAttribute(mover.axElement, AXAttribute::title).succeeded());
        discovery.raise(mover);
    }
};

PANEDECK_X11_TEST_MAIN(X11DesktopTest)
#include "tst_x11_desktop.moc"
