#include "FakeDesktop.h"
#include "core/windows/GeometryText.h"
#include "core/windows/WindowDiscovery.h"

#include <QTest>

namespace {
const QString vscode = WindowDiscovery::vscodeBundleID;
}

// Listing, focus, raising and the verified move sequence, against a scripted desktop.
class WindowDiscoveryTest : public QObject {
    Q_OBJECT

    FakeDesktop* desktop = nullptr;
    FakeSleeper* sleeper = nullptr;
    WindowDiscovery* discovery = nullptr;

    AppWindow editorWindow(int id, qint32 pid)
    {
        AppWindow w(WindowKind::vscode, desktop->window(id).title, std::nullopt, std::nullopt);
        w.axElement = desktop->windowElement(id, pid);
        w.pid = pid;
        return w;
    }

private Q_SLOTS:
    void init()
    {
        desktop = new FakeDesktop;
        sleeper = new FakeSleeper;
        discovery = new WindowDiscovery(*desktop, *sleeper);
    }
    void cleanup()
    {
        delete discovery;
        delete sleeper;
        delete desktop;
    }

    void listingWithoutEditorMakesNoAccessibilityCall()
    {
        desktop->addApplication(u"com.apple.Terminal"_qs, 7, {desktop->addWindow({.title = u"zsh"_qs})});
        QVERIFY(discovery->listWindows().isEmpty());
        QCOMPARE(desktop->calls, QStringList{u"running com.microsoft.VSCode"_qs});
    }

    void listingKeepsProcessAndWindowOrder()
    {
        const int a1 = desktop->addWindow({.title = u"a.cpp — alpha — Visual Studio Code"_qs});
        const int a2 = desktop->addWindow({.title = u"Visual Studio Code"_qs});
        const int b1 = desktop->addWindow({.title = u"beta — Visual Studio Code"_qs});
        desktop->addApplication(vscode, 20, {a1, a2});
        desktop->addApplication(vscode, 10, {b1});

        const QList<AppWindow> windows = discovery->listWindows();
        QCOMPARE(windows.size(), 3);
        QCOMPARE(windows[0].title, u"a.cpp — alpha — Visual Studio Code"_qs);
        QCOMPARE(windows[0].projectName, u"alpha"_qs);
        QCOMPARE(windows[0].pid, 20);
        QCOMPARE(windows[1].projectName, std::nullopt); // listed although nothing could be parsed
        QCOMPARE(windows[2].projectName, u"beta"_qs);
        QCOMPARE(windows[2].pid, 10);
        for (const AppWindow& w : windows) {
            QCOMPARE(w.kind, WindowKind::vscode);
            QVERIFY(w.axElement);
            QCOMPARE(w.folderPath, std::nullopt);
            QCOMPARE(w.terminalWindowID, std::nullopt);
        }
        // One read per application and one per window, nothing more.
        QCOMPARE(desktop->callsMatching(u"copy app"_qs).size(), 2);
        QCOMPARE(desktop->callsMatching(u"copy w"_qs).size(), 3);

        const QList<AppWindow> again = discovery->listWindows();
        QVERIFY(again[0].id != windows[0].id);
        QVERIFY(windows[0].id != windows[1].id);
    }

    void listingSkipsWhatCannotBeRead()
    {
        const int empty = desktop->addWindow({.title = QString()});
        const int failing = desktop->addWindow(
            {.title = u"x — Visual Studio Code"_qs, .titleError = AXError::invalidUIElement});
        const int notText = desktop->addWindow({.titleValue = AXValue(true)});
        const int good = desktop->addWindow({.title = u"good — Visual Studio Code"_qs});
        desktop->addApplication(vscode, 1, {}).windowsError = AXError::cannotComplete;
        desktop->addApplication(vscode, 2, {}).windowsValue = AXValue(u"not a list"_qs);
        desktop->addApplication(vscode, 3, {}).windowsValue = AXValue(AXElementList{nullptr});
        desktop->addApplication(vscode, 4, {empty, failing, notText, good});

        const QList<AppWindow> windows = discovery->listWindows();
        QCOMPARE(windows.size(), 1);
        QCOMPARE(windows[0].projectName, u"good"_qs);
    }

    void frontmostFocusedWindow()
    {
        QCOMPARE(discovery->frontmostFocusedWindow().has_value(), false); // nothing frontmost

        desktop->frontmost = desktop->ownPid;
        QVERIFY(!discovery->frontmostFocusedWindow());
        QVERIFY(desktop->callsMatching(u"copy"_qs).isEmpty()); // the panel itself is never asked

        const int w = desktop->addWindow({.title = QString()});
        auto& app = desktop->addApplication(u"any.app"_qs, 55, {w});
        desktop->frontmost = 55;
        QVERIFY(!discovery->frontmostFocusedWindow()); // no focused window

        app.focusedWindow = w;
        const auto focused = discovery->frontmostFocusedWindow();
        QVERIFY(focused);
        QCOMPARE(focused->pid, 55);
        QCOMPARE(focused->title, QString()); // an empty title is still an answer

        desktop->window(w).titleValue = AXValue(QSizeF(1, 1));
        QVERIFY(!discovery->frontmostFocusedWindow());
    }

    void raiseRaisesThenActivates()
    {
        // A window without an accessibility element is neither raised nor moved here.
        AppWindow terminal(WindowKind::terminal, u"zsh"_qs, std::nullopt, u"/tmp"_qs);
        discovery->raise(terminal);
        QVERIFY(!discovery->move(terminal, QRectF(0, 0, 10, 10)));
        QVERIFY(desktop->calls.isEmpty() && sleeper->sleeps.isEmpty());

        const int w = desktop->addWindow({.title = u"p — Visual Studio Code"_qs});
        desktop->addApplication(vscode, 9, {w});
        discovery->raise(editorWindow(w, 9));
        QCOMPARE(desktop->calls, (QStringList{u"perform w1 AXRaise"_qs, u"activate 9"_qs}));
    }

    void frameReading()
    {
        AppWindow browser(WindowKind::safari, u"page"_qs, std::nullopt, std::nullopt);
        QVERIFY(!discovery->frame(browser));

        const int w = desktop->addWindow({.frame = QRectF(10, 20, 300, 400)});
        desktop->addApplication(vscode, 9, {w});
        QCOMPARE(discovery->frame(editorWindow(w, 9)), QRectF(10, 20, 300, 400));

        desktop->window(w).frameReadable = false;
        desktop->calls.clear();
        QVERIFY(!discovery->frame(editorWindow(w, 9)));
        QCOMPARE(desktop->calls, QStringList{u"copy w1 AXPosition"_qs}); // size is not read after that
    }

    void moveSetsSizeAndPositionTwiceThenConfirms()
    {
        const int w = desktop->addWindow({});
        desktop->addApplication(vscode, 9, {w});
        QVERIFY(discovery->move(editorWindow(w, 9), QRectF(0, 0, 1280, 775)));
        QCOMPARE(desktop->callsMatching(u"set"_qs),
                 (QStringList{u"set w1 AXSize (1280.0, 775.0)"_qs, u"set w1 AXPosition (0.0, 0.0)"_qs,
                              u"set w1 AXSize (1280.0, 775.0)"_qs, u"set w1 AXPosition (0.0, 0.0)"_qs}));
        QCOMPARE(sleeper->sleeps, (QList<double>{0.1, 0.18}));
    }

    void moveTolerance_data()
    {
        QTest::addColumn<QRectF>("offset");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("5.9 on every value") << QRectF(5.9, -5.9, 5.9, -5.9) << true;
        QTest::newRow("6.0 on x") << QRectF(6.0, 0, 0, 0) << false;
        QTest::newRow("6.0 on y") << QRectF(0, -6.0, 0, 0) << false;
        QTest::newRow("6.0 on width") << QRectF(0, 0, 6.0, 0) << false;
        QTest::newRow("6.0 on height") << QRectF(0, 0, 0, -6.0) << false;
    }

    void moveTolerance()
    {
        QFETCH(QRectF, offset);
        QFETCH(bool, arrives);
        const int w = desktop->addWindow({});
        desktop->window(w).constrain = [offset](const QRectF& r) {
            return QRectF(r.x() + offset.x(), r.y() + offset.y(), r.width() + offset.width(),
                          r.height() + offset.height());
        };
        desktop->addApplication(vscode, 9, {w});
        const QRectF target(100, 100, 800, 600);
        if (!arrives) {
            QRectF actual(target.x() + offset.x(), target.y() + offset.y(), target.width() + offset.width(),
                          target.height() + offset.height());
            QTest::ignoreMessage(
                QtInfoMsg,
                qPrintable(u"WindowDiscovery: target=(100.0, 100.0, 800.0, 600.0), actual position="_qs +
                           GeometryText::describe(actual.topLeft()) + u", size="_qs +
                           GeometryText::describe(actual.size())));
        }
        QCOMPARE(discovery->move(editorWindow(w, 9), target), arrives);
        // Eight attempts of four sets each when the window never gets there.
        QCOMPARE(desktop->callsMatching(u"set w1"_qs).size(), arrives ? 4 : 32);
        QCOMPARE(sleeper->sleeps.size(), arrives ? 2 : 8);
    }

    void moveRepeatsWhenTheConfirmingReadDrifts()
    {
        const int w = desktop->addWindow({});
        desktop->window(w).scriptedReads = {QRectF(0, 0, 500, 500), QRectF(30, 0, 500, 500)};
        desktop->addApplication(vscode, 9, {w});
        QVERIFY(discovery->move(editorWindow(w, 9), QRectF(0, 0, 500, 500)));
        QCOMPARE(sleeper->sleeps, (QList<double>{0.1, 0.18, 0.1, 0.18}));
        QCOMPARE(desktop->callsMatching(u"set w1"_qs).size(), 8);
    }

    void moveUnminimizesFirst()
    {
        const int w = desktop->addWindow({.minimized = true});
        desktop->addApplication(vscode, 9, {w});
        QVERIFY(discovery->move(editorWindow(w, 9), QRectF(0, 0, 500, 500)));
        QCOMPARE(desktop->callsMatching(u"set"_qs).first(), u"set w1 AXMinimized false"_qs);
        QCOMPARE(sleeper->sleeps.first(), 0.35);
        QCOMPARE(desktop->window(w).minimized, false);

        // A minimised state that cannot be read is left alone.
        desktop->calls.clear();
        desktop->window(w).minimized = std::nullopt;
        QVERIFY(discovery->move(editorWindow(w, 9), QRectF(0, 0, 500, 500)));
        QVERIFY(desktop->callsMatching(u"set w1 AXMinimized"_qs).isEmpty());
    }

    void moveRestoresEnhancedInterfaceInEveryOutcome()
    {
        const int w = desktop->addWindow({});
        desktop->addApplication(vscode, 9, {w}).enhancedUserInterface = true;
        QVERIFY(discovery->move(editorWindow(w, 9), QRectF(0, 0, 500, 500)));
        QStringList flagSets = desktop->callsMatching(u"set app9"_qs);
        QCOMPARE(flagSets, (QStringList{u"set app9 AXEnhancedUserInterface false"_qs,
                                        u"set app9 AXEnhancedUserInterface true"_qs}));
        QCOMPARE(desktop->calls.indexOf(flagSets.first()), 1); // before anything is moved

        desktop->calls.clear();
        desktop->window(w).frameReadable = false;
        QTest::ignoreMessage(
            QtInfoMsg, "WindowDiscovery: failed to read frame after targeting (0.0, 0.0, 500.0, 500.0)");
        QVERIFY(!discovery->move(editorWindow(w, 9), QRectF(0, 0, 500, 500)));
        QCOMPARE(desktop->calls.last(), u"set app9 AXEnhancedUserInterface true"_qs);
        QCOMPARE(desktop->application(9)->enhancedUserInterface, true);

        // Without the flag, it is never written.
        desktop->calls.clear();
        desktop->application(9)->enhancedUserInterface = false;
        desktop->window(w).frameReadable = true;
        QVERIFY(discovery->move(editorWindow(w, 9), QRectF(0, 0, 500, 500)));
        QVERIFY(desktop->callsMatching(u"set app9"_qs).isEmpty());
    }

    void numbersInLogLines()
    {
        QCOMPARE(GeometryText::describe(QRectF(0, 0, 1280, 775)), u"(0.0, 0.0, 1280.0, 775.0)"_qs);
        QCOMPARE(GeometryText::describe(QPointF(-0.0, 0.1 + 0.2)), u"(-0.0, 0.30000000000000004)"_qs);
        QCOMPARE(GeometryText::describe(QSizeF(5.9, 1.0 / 3)), u"(5.9, 0.3333333333333333)"_qs);
        QCOMPARE(GeometryText::number(1e16), u"1e+16"_qs);
        QCOMPARE(GeometryText::number(9007199254740991.0), u"9007199254740991.0"_qs);
        QCOMPARE(GeometryText::number(0.00001), u"1e-05"_qs);
        QCOMPARE(GeometryText::number(qQNaN()), u"nan"_qs);
    }
};

QTEST_GUILESS_MAIN(WindowDiscoveryTest)
#include "tst_windowdiscovery.moc"
