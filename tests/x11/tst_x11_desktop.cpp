#include "TestWindows.h"
#include "core/windows/WindowDiscovery.h"
#include "platform/Sleeper.h"
#include "platform/x11/X11Accessibility.h"

#include <QProcess>
#include <QTest>
#include <sys/resource.h>

// The real executable and the X11 backend on a real desktop (Xvfb + openbox) with throwaway windows.
class X11DesktopTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TestWindows> windows;

    struct Outcome {
        int status = -1;
        QString output;
        QString errors;
    };
    static Outcome panedeck(const QStringList& args,
                            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(PANEDECK_BINARY), args);
        if (!process.waitForFinished(20000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private Q_SLOTS:
    void initTestCase()
    {
        windows = std::make_unique<TestWindows>();
        QVERIFY2(windows->available(), "cannot open the X11 display");
    }
    void cleanupTestCase() { windows.reset(); }

    void withoutDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));

        // The line and status stay; the reason follows on standard error, in plain words.
        Outcome outcome = panedeck({u"list-windows"_qs}, environment);
        QCOMPARE(outcome.output, u"アクセシビリティ権限がありません。システム設定で許可してください。\n"_qs);
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.errors, u"panedeck: no X11 display is set (the DISPLAY variable is empty)\n"_qs);
        environment.insert(u"DISPLAY"_qs, u":4999"_qs);
        outcome = panedeck({u"list-windows"_qs}, environment);
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.errors, u"panedeck: the X11 display :4999 could not be opened\n"_qs);
        environment.remove(QStringLiteral("DISPLAY"));

        outcome = panedeck({u"raise"_qs, u"projA"_qs}, environment);
        QCOMPARE(outcome.output, u"not found: projA\n"_qs);
        QCOMPARE(outcome.status, 0);

        // The resident application has nothing to show on: it says so instead of crashing.
        outcome = panedeck({}, environment);
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.output, QString());
    }

    void listAndRaiseEditorWindows()
    {
        const auto a = windows->spawnTerminal(u"Code"_qs, u"main.cpp — projA — Visual Studio Code"_qs);
        const auto other = windows->spawnTerminal(u"XTerm"_qs, u"projX — Visual Studio Code"_qs);
        const auto b =
            windows->spawnTerminal(u"Code"_qs, u"● notes.md — プロジェクト — Visual Studio Code"_qs);
        const auto bare = windows->spawnTerminal(u"Code"_qs, u"Visual Studio Code"_qs);
        QVERIFY(a && other && b && bare);

        Outcome outcome = panedeck({u"list-windows"_qs});
        QCOMPARE(outcome.status, 0);
        QCOMPARE(outcome.output, u"[projA] main.cpp — projA — Visual Studio Code\n"
                                 u"[プロジェクト] ● notes.md — プロジェクト — Visual Studio Code\n"
                                 u"[?] Visual Studio Code\n"_qs);

        outcome = panedeck({u"raise"_qs, u"projA"_qs});
        QCOMPARE(outcome.output, u"raised: main.cpp — projA — Visual Studio Code\n"_qs);
        QCOMPARE(outcome.status, 0);
        QVERIFY(windows->waitForActive(*a));

        // The decomposed spelling of the same name raises the same window.
        outcome = panedeck({u"raise"_qs, u"フ\u309Aロシ\u3099ェクト"_qs, u"ignored"_qs});
        QCOMPARE(outcome.output, u"raised: ● notes.md — プロジェクト — Visual Studio Code\n"_qs);
        QVERIFY(windows->waitForActive(*b));

        outcome = panedeck({u"raise"_qs, u"proja"_qs});
        QCOMPARE(outcome.output, u"not found: proja\n"_qs);
        QCOMPARE(outcome.status, 0);
        outcome = panedeck({u"raise"_qs, u"projX"_qs}); // not an editor window
        QCOMPARE(outcome.output, u"not found: projX\n"_qs);
        QTest::qWait(300);
        QCOMPARE(windows->activeWindow(), b);
    }

    void titlesInEveryEncoding()
    {
        X11Connection& x = windows->x();
        const xcb_atom_t utf8 = x.atom(X11Connection::UTF8_STRING);
        const xcb_atom_t netName = x.atom(X11Connection::NET_WM_NAME);
        // Invalid UTF-8 everywhere: the window cannot be read and is skipped.
        QVERIFY(
            windows->createWindow("Code", {{netName, utf8, QByteArray("bad \xff\xfe — Visual Studio Code")},
                                           {XCB_ATOM_WM_NAME, utf8, QByteArray("bad \xc3 title")}}));
        // Invalid _NET_WM_NAME falls back to a Latin-1 WM_NAME.
        QVERIFY(windows->createWindow(
            "Code", {{netName, utf8, QByteArray("\xc3\x28")},
                     {XCB_ATOM_WM_NAME, XCB_ATOM_STRING, QByteArray("caf\xe9 - Visual Studio Code")}}));
        // No name at all: not listed.
        QVERIFY(windows->createWindow("Code", {}));
        // A very long title is listed whole, control characters as blanks.
        const QByteArray longName(60000, 'x');
        QVERIFY(windows->createWindow("Code", {{netName, utf8, QByteArray("a\tb\x01 — ") + longName}}));

        const Outcome outcome = panedeck({u"list-windows"_qs});
        QCOMPARE(outcome.status, 0);
        const QStringList lines = outcome.output.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(!outcome.output.contains(u"bad"_qs));
        QVERIFY(lines.contains(u"[café] café - Visual Studio Code"_qs));
        QVERIFY(lines.contains(u"["_qs + QString::fromLatin1(longName) + u"] a b  — "_qs +
                               QString::fromLatin1(longName)));
    }

    void backendFocusMoveAndMinimize()
    {
        X11Connection& x = windows->x();
        const auto window = windows->createWindow(
            "Code", {{x.atom(X11Connection::NET_WM_NAME), x.atom(X11Connection::UTF8_STRING),
                      QByteArray("move.txt — mover — Visual Studio Code")}});
        QVERIFY(window);

        X11Accessibility accessibility;
        ThreadSleeper sleeper;
        WindowDiscovery discovery(accessibility, sleeper);
        QVERIFY(discovery.isTrusted(false));
        const QList<AppWindow> listed = discovery.listWindows();
        const auto found = std::find_if(listed.begin(), listed.end(),
                                        [](const AppWindow& w) { return w.projectName == u"mover"_qs; });
        QVERIFY(found != listed.end());
        const AppWindow mover = *found;

        discovery.raise(mover);
        QVERIFY(windows->waitForActive(*window));
        // This process's own window is active, and it never counts as where the user came from.
        QVERIFY(!discovery.frontmostFocusedWindow());

        const QRectF target(120, 90, 640, 480);
        QVERIFY(discovery.move(mover, target));
        const auto frame = discovery.frame(mover);
        QVERIFY(frame);
        QVERIFY2(std::abs(frame->x() - target.x()) < 6 && std::abs(frame->y() - target.y()) < 6 &&
                     std::abs(frame->width() - target.width()) < 6 &&
                     std::abs(frame->height() - target.height()) < 6,
                 qPrintable(QDebug::toString(*frame)));

        // A minimised window comes back and moves.
        QCOMPARE(accessibility.setAttribute(mover.axElement, AXAttribute::minimized, true), AXError::success);
        QTRY_COMPARE(
            std::get<bool>(accessibility.copyAttribute(mover.axElement, AXAttribute::minimized).value), true);
        QVERIFY(discovery.move(mover, QRectF(300, 200, 500, 400)));
        QCOMPARE(std::get<bool>(accessibility.copyAttribute(mover.axElement, AXAttribute::minimized).value),
                 false);

        // The enhanced-interface flag does not exist here; reading it fails.
        QVERIFY(!accessibility
                     .copyAttribute(accessibility.applicationElement(mover.pid),
                                    AXAttribute::enhancedUserInterface)
                     .succeeded());

        // A window that is gone: reads fail, nothing crashes.
        xcb_destroy_window(x.raw(), *window);
        x.sync();
        QVERIFY(!discovery.frame(mover));
        QVERIFY(!accessibility.copyAttribute(mover.axElement, AXAttribute::title).succeeded());
        discovery.raise(mover);
    }

    // A title of megabytes is listed cut to its first 64 KiB, without a character split at the cut,
    // and the listing stays small.
    void hugeTitle()
    {
        X11Connection& x = windows->x();
        const xcb_atom_t netName = x.atom(X11Connection::NET_WM_NAME);
        const auto window =
            windows->createWindow("Code", {{netName, x.atom(X11Connection::UTF8_STRING), "a"}});
        QVERIFY(window);
        const QByteArray chunk = QByteArray("\xc3\xa9").repeated(512 * 1024); // é, 1 MiB
        for (int i = 0; i < 16; ++i)
            xcb_change_property(x.raw(), XCB_PROP_MODE_APPEND, *window, netName,
                                x.atom(X11Connection::UTF8_STRING), 8, uint32_t(chunk.size()),
                                chunk.constData());
        x.sync();

        const Outcome outcome = panedeck({u"list-windows"_qs});
        QCOMPARE(outcome.status, 0);
        const QString title = u"a"_qs + QString(32767, u'é');
        QVERIFY(outcome.output.split(u'\n').contains(u'[' + title + u"] "_qs + title));
        // The largest of the children waited for so far: the listings.
        rusage children{};
        QCOMPARE(getrusage(RUSAGE_CHILDREN, &children), 0);
        QVERIFY2(children.ru_maxrss < 256 * 1024,
                 qPrintable(QString::number(children.ru_maxrss) + u" KiB"_qs));
        xcb_destroy_window(x.raw(), *window);
        x.sync();
    }
};

PANEDECK_X11_TEST_MAIN(X11DesktopTest)
#include "tst_x11_desktop.moc"
