#include "AppStateFixture.h"
#include "FakeDesktop.h"
#include "core/control/WindowTiler.h"
#include "core/text/Text.h"
#include "core/windows/FocusMatcher.h"
#include "core/windows/GeometryText.h"
#include "core/windows/SlotMatcher.h"
#include "core/windows/TitleParser.h"
#include "core/windows/WindowDiscovery.h"
#include "core/windows/WorkspaceHistory.h"

#include <QTemporaryDir>
#include <QTest>

using namespace WindowTiler;
using Regions = QList<Region>;

namespace {
using Fx = AppStateFixture;
const QString vscode = WindowDiscovery::vscodeBundleID;

AppWindow editor(const QString& project, qint32 pid = 1)
{
    AppWindow w(WindowKind::vscode, u"f — "_qs + project + u" — Visual Studio Code"_qs, project, std::nullopt);
    w.pid = pid;
    return w;
}
AppWindow terminal(const QString& title, std::optional<QString> folder)
{
    return AppWindow(WindowKind::terminal, title, std::nullopt, std::move(folder));
}
AppWindow browser(const QString& address)
{
    return AppWindow(WindowKind::safari, u"page"_qs, std::nullopt, address);
}

// Slot number → index of the bound window in `windows`, or -1.
QMap<int, int> bindings(const SlotMatcher::Result& result, const QList<AppWindow>& windows)
{
    QMap<int, int> bound;
    for (const SlotStatus& s : result.statuses) {
        int index = -1;
        for (qsizetype i = 0; s.window && i < windows.size(); ++i) {
            if (windows[i].id == s.window->id)
                index = int(i);
        }
        bound.insert(s.slot, index);
    }
    return bound;
}

const auto everythingExists = [](const QString&) { return true; };

// JSON written with single quotes, which keeps the rows readable.
QByteArray json(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}
QByteArray storage(const char* opened, const char* last = "null")
{
    return json("{'theme':'dark','windowsState':{'openedWindows':") + json(opened) +
           json(",'lastActiveWindow':") + json(last) + "}}";
}
} // namespace

// Which project an editor title names and which folders the editor has open; the editor windows
// listed, focused, raised and moved through a scripted desktop; which window belongs to which slot, and
// what the panel highlights as the window the user came from; the tiles' grids and stretching, the two
// vertical conventions and where the pointer goes.
class WindowsTest : public QObject {
    Q_OBJECT

    FakeDesktop desktop;
    FakeSleeper sleeper;
    std::optional<WindowDiscovery> discovery;

    // Window 1, the only one of editor process 9, as a listing gives it.
    AppWindow editorWindow(FakeDesktop::Window window = {})
    {
        desktop.addApplication(vscode, 9, {desktop.addWindow(std::move(window))});
        AppWindow w(WindowKind::vscode, desktop.window(1).title, std::nullopt, std::nullopt);
        w.axElement = desktop.windowElement(1, 9);
        w.pid = 9;
        return w;
    }

private Q_SLOTS:
    void init()
    {
        desktop = FakeDesktop();
        sleeper.sleeps.clear();
        discovery.emplace(desktop, sleeper);
    }

    void projectName()
    {
        const QString vs = u" — Visual Studio Code"_qs, none = u"(none)"_qs;
        const QList<std::pair<QString, QString>> rows{
            {u"main.cpp — projA"_qs + vs, u"projA"_qs}, {u"main.cpp — projA"_qs, u"projA"_qs},
            {u"● main.cpp — projA"_qs + vs, u"projA"_qs}, {u"● projA"_qs + vs, u"projA"_qs}, // unsaved files
            {u"projA [SSH: build-box]"_qs + vs, u"projA"_qs}, // remote qualifiers go
            {u"app.ts — projA [Dev Container: node]"_qs + vs, u"projA"_qs},
            {u"projA [Remote-SSH: h]"_qs + vs, u"projA"_qs},
            {u"projA [beta]"_qs + vs, u"projA [beta]"_qs}, // other brackets stay
            {u"projA [ssh: h]"_qs + vs, u"projA [ssh: h]"_qs}, // qualifiers are case-sensitive
            {u"projA - Visual Studio Code"_qs, u"projA"_qs}, {u"● projA - Visual Studio Code"_qs, u"projA"_qs},
            {u"projA — visual studio code"_qs, u"visual studio code"_qs}, // a lower-case app name is a name
            {u"Visual Studio Code"_qs, none}, {QString(), none}, {u"[WSL: Ubuntu]"_qs + vs, none},
            {vs, none}, {u" —  — "_qs, none},
            {u"●"_qs + vs, u"●"_qs}, // a marker alone is a name
            {u"f —  \t projA\t "_qs + vs, u"projA"_qs},  // spaces and tabs are trimmed…
            {u"f — projA\n"_qs + vs, u"projA\n"_qs},       // …line breaks
            {u"\x01 — pro\x07j"_qs + vs, u"pro\x07j"_qs}, // …and control characters kept
            {u"a - b - projA"_qs, u"a - b - projA"_qs},   // a hyphen is no separator
            // Whole characters: the marker and suffixes are dropped as characters, never half of one.
            {u"f — 🚀"_qs + vs, u"🚀"_qs}, {u"● 🚀app"_qs + vs, u"🚀app"_qs},
            {u"👨‍👩‍👧 - Visual Studio Code"_qs, u"👨‍👩‍👧"_qs},
            {u"f — Cafe\u0301"_qs + vs, u"Cafe\u0301"_qs},       // decomposed, kept as written
            {u"● \u0301app"_qs + vs, u"● \u0301app"_qs},         // an accent on the marker's space: no marker
            {u"app [\u0301SSH: h]"_qs, u"app [\u0301SSH: h]"_qs}, // an accented bracket is no bracket
            {u"app [SSH: 🚀]"_qs + vs, u"app"_qs},
            {u"a [x] b [WSL: u]"_qs, u"a [x] b"_qs}}; // the last bracket counts
        QStringList parsed, expected; // "title -> project"
        for (const auto& [title, name] : rows) {
            parsed.append(title + u" -> "_qs + TitleParser::projectName(title).value_or(none));
            expected.append(title + u" -> "_qs + name);
        }
        QCOMPARE(parsed, expected);

        // Very long titles and broken UTF-16 parse without trouble.
        const QString longName(200000, u'x');
        QCOMPARE(TitleParser::projectName(u"f — "_qs + longName + u" — Visual Studio Code"_qs), longName);
        QString broken = u"f — a"_qs;
        broken.append(QChar(0xD800));
        broken.append(u" — Visual Studio Code"_qs);
        QVERIFY(TitleParser::projectName(broken).has_value());
        QVERIFY(TitleParser::projectName(QString(QChar(0xDC00))).has_value());
    }

    // The quick test that spares normalising must never pass over a character normalisation
    // changes, alone or next to a base letter: every code point.
    void canonicalText()
    {
        for (char32_t c = 0; c <= 0x10FFFF; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const QString text = u'a' + QString::fromUcs4(&c, 1) + u'a';
            if (!Text::mayNeedNormalizing(text))
                QVERIFY2(Text::nfc(text) == text, qPrintable(QString::number(uint(c), 16)));
        }

        QVERIFY(Text::equal(u"Caf\u00e9"_qs, u"Cafe\u0301"_qs));
        QVERIFY(!Text::equal(u"Cafe"_qs, u"cafe"_qs));
        // Against a key in canonical form, with the early answer where the texts first differ.
        QVERIFY(Text::equalsCanonical(u"Cafe\u0301 — x", u"Caf\u00e9 — x"_qs));
        QVERIFY(Text::equalsCanonical(u"e\u0301", u"\u00e9"_qs));
        QVERIFY(!Text::equalsCanonical(u"ab — 1", u"ab — 2"_qs));
        QVERIFY(!Text::equalsCanonical(u"ab", u"abc"_qs));
        QVERIFY(Text::equalsCanonical(u"\u30AB\u3099", u"\u30AC"_qs));
        QCOMPARE(Text::trimmedSpaces(u"\u3000\t a \n"_qs), u"a \n"_qs);
        QCOMPARE(Text::forDisplay(QString(1000, u'a')), QString(1000, u'a'));
        QCOMPARE(Text::forDisplay(QString(998, u'a') + u"🇯🇵"_qs), QString(998, u'a') + u'…'); // no half pair
    }

    void openFolders()
    {
        const auto paths = [](const char* opened, const char* last = "null") {
            return WorkspaceHistory::openFolderPaths(storage(opened, last));
        };
        QVERIFY(WorkspaceHistory::openFolderPaths(json("[{'windowsState':{}}]")).isEmpty());
        QVERIFY(paths("{'folder':'file:///a'}").isEmpty()); // openedWindows is an object
        QCOMPARE(paths("[{'folder':'file:///w/a'},{'folder':'file:///w/b'}]", "{'folder':'file:///w/c'}"),
                 (QStringList{u"/w/a"_qs, u"/w/b"_qs, u"/w/c"_qs})); // opened, then last active
        QCOMPARE(paths("[{'folder':'file:///w/a'},{'folder':'file:///w/a'}]", "{'folder':'file:///w/a'}"),
                 QStringList{u"/w/a"_qs});
        // A number in the array skips the array.
        QCOMPARE(paths("[{'folder':'file:///w/a'},3]", "{'folder':'file:///w/c'}"), QStringList{u"/w/c"_qs});
        QCOMPARE(paths("[{'folder':5},{'workspace':{'id':'x'}},{},{'folder':null},{'folder':'file:///w/b'}]"),
                 QStringList{u"/w/b"_qs});
        QCOMPARE(paths("[{'folder':'vscode-remote://ssh-remote+box/home/x'},{'folder':'file:///w/a'}]",
                       "{'folder':'vscode-remote://ssh-remote+box/home/y'}"),
                 QStringList{u"/w/a"_qs});
        QCOMPARE(paths("[{'folder':'file:///home/u/My%20Project'}]"), QStringList{u"/home/u/My Project"_qs});
        QCOMPARE(paths("[{'folder':'file:///home/u/p/'}]", "{'folder':'file:///home/u/p//'}"),
                 QStringList{u"/home/u/p"_qs});
        // Composed and decomposed spellings are one folder.
        QCOMPARE(paths("[{'folder':'file:///home/u/Caf%C3%A9'},{'folder':'file:///home/u/Cafe%CC%81'}]"),
                 QStringList{u"/home/u/Caf\u00e9"_qs});

        // A file cut off anywhere while the editor writes it.
        const QByteArray full =
            storage("[{'folder':'file:///w/a'},{'folder':'file:///w/b'}]", "{'folder':'file:///w/c'}");
        for (qsizetype n = 0; n < full.size(); ++n)
            QVERIFY(WorkspaceHistory::openFolderPaths(full.left(n)).isEmpty());

        QByteArray many = "[";
        for (int i = 0; i < 5000; ++i)
            many += "{'folder':'file:///w/a'},";
        many += "{'folder':'file:///w/b'}]";
        QCOMPARE(WorkspaceHistory::openFolderPaths(storage(many.constData())), (QStringList{u"/w/a"_qs, u"/w/b"_qs}));

        const auto resolve = WorkspaceHistory::resolvePath;
        QCOMPARE(resolve(u"p"_qs, {u"/w/q"_qs, u"/w/p"_qs}), u"/w/p"_qs);
        QCOMPARE(resolve(u"p"_qs, {u"/a/p"_qs, u"/b/p"_qs}), std::nullopt); // two with the same name
        QCOMPARE(resolve(u"p"_qs, {u"/b/p"_qs}), u"/b/p"_qs);                // one of them closed
        QCOMPARE(resolve(u"Cafe\u0301"_qs, {u"/w/Caf\u00e9"_qs}), u"/w/Caf\u00e9"_qs);
        // The whole last component only.
        QCOMPARE(resolve(u"p"_qs, {u"/w/xp"_qs, u"/w/p/x"_qs, u"/w/p x"_qs}), std::nullopt);

        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        QCOMPARE(WorkspaceHistory::defaultStorageURL(), config.path() + u"/Code/User/globalStorage/storage.json"_qs);
    }

    void listingSkipsWhatCannotBeRead()
    {
        desktop.addApplication(u"com.apple.Terminal"_qs, 7, {desktop.addWindow({.title = u"zsh"_qs})});
        QVERIFY(discovery->listWindows().isEmpty());
        QCOMPARE(desktop.calls, QStringList{u"running com.microsoft.VSCode"_qs});

        const int empty = desktop.addWindow({.title = QString()});
        const int failing = desktop.addWindow(
            {.title = u"x — Visual Studio Code"_qs, .titleError = AXError::invalidUIElement});
        const int notText = desktop.addWindow({.titleValue = AXValue(true)});
        const int good = desktop.addWindow({.title = u"good — Visual Studio Code"_qs});
        desktop.addApplication(vscode, 1, {}).windowsError = AXError::cannotComplete;
        desktop.addApplication(vscode, 2, {}).windowsValue = AXValue(u"not a list"_qs);
        desktop.addApplication(vscode, 3, {}).windowsValue = AXValue(AXElementList{nullptr});
        desktop.addApplication(vscode, 4, {empty, failing, notText, good});
        const QList<AppWindow> windows = discovery->listWindows();
        QCOMPARE(windows.size(), 1);
        QCOMPARE(windows[0].projectName, u"good"_qs);
    }

    void listingKeepsProcessAndWindowOrder()
    {
        const int a1 = desktop.addWindow({.title = u"a.cpp — alpha — Visual Studio Code"_qs});
        const int a2 = desktop.addWindow({.title = u"Visual Studio Code"_qs});
        const int b1 = desktop.addWindow({.title = u"beta — Visual Studio Code"_qs});
        desktop.addApplication(vscode, 20, {a1, a2});
        desktop.addApplication(vscode, 10, {b1});

        const QList<AppWindow> windows = discovery->listWindows();
        QStringList listed; // listed although nothing could be parsed: "-"
        for (const AppWindow& w : windows) {
            listed.append(w.title + u'|' + w.projectName.value_or(u"-"_qs) + u'|' + QString::number(w.pid));
            QVERIFY(w.kind == WindowKind::vscode && w.axElement && !w.folderPath && !w.terminalWindowID);
        }
        QCOMPARE(listed, (QStringList{u"a.cpp — alpha — Visual Studio Code|alpha|20"_qs,
                                      u"Visual Studio Code|-|20"_qs, u"beta — Visual Studio Code|beta|10"_qs}));
        // One read per application and one per window, nothing more.
        QCOMPARE(desktop.callsMatching(u"copy app"_qs).size(), 2);
        QCOMPARE(desktop.callsMatching(u"copy w"_qs).size(), 3);
        QVERIFY(discovery->listWindows()[0].id != windows[0].id);
        QVERIFY(windows[0].id != windows[1].id);
    }

    void frontmostFocusedWindow()
    {
        QVERIFY(!discovery->frontmostFocusedWindow()); // nothing frontmost
        desktop.frontmost = desktop.ownPid;
        QVERIFY(!discovery->frontmostFocusedWindow());
        QVERIFY(desktop.callsMatching(u"copy"_qs).isEmpty()); // the panel itself is never asked

        const int w = desktop.addWindow({.title = QString()});
        auto& app = desktop.addApplication(u"any.app"_qs, 55, {w});
        desktop.frontmost = 55;
        QVERIFY(!discovery->frontmostFocusedWindow()); // no focused window
        app.focusedWindow = w;
        const auto focused = discovery->frontmostFocusedWindow();
        QVERIFY(focused);
        QCOMPARE(focused->pid, 55);
        QCOMPARE(focused->title, QString()); // an empty title is still an answer
        desktop.window(w).titleValue = AXValue(QSizeF(1, 1));
        QVERIFY(!discovery->frontmostFocusedWindow());
    }

    void raisingAndReadingTheFrame()
    {
        // A window without an accessibility element is neither raised, moved nor measured here.
        AppWindow terminal(WindowKind::terminal, u"zsh"_qs, std::nullopt, u"/tmp"_qs);
        discovery->raise(terminal);
        QVERIFY(!discovery->move(terminal, QRectF(0, 0, 10, 10)));
        QVERIFY(!discovery->frame(terminal));
        QVERIFY(desktop.calls.isEmpty() && sleeper.sleeps.isEmpty());
        const AppWindow w = editorWindow({.frame = QRectF(10, 20, 300, 400)});
        discovery->raise(w);
        QCOMPARE(desktop.calls, (QStringList{u"perform w1 AXRaise"_qs, u"activate 9"_qs}));
        QCOMPARE(discovery->frame(w), QRectF(10, 20, 300, 400));
        desktop.window(1).frameReadable = false;
        desktop.calls.clear();
        QVERIFY(!discovery->frame(w));
        QCOMPARE(desktop.calls, QStringList{u"copy w1 AXPosition"_qs}); // size is not read after that
    }

    void moveSetsTwiceThenConfirms()
    {
        QVERIFY(discovery->move(editorWindow(), QRectF(0, 0, 1280, 775)));
        QCOMPARE(desktop.callsMatching(u"set"_qs),
                 (QStringList{u"set w1 AXSize (1280.0, 775.0)"_qs, u"set w1 AXPosition (0.0, 0.0)"_qs,
                              u"set w1 AXSize (1280.0, 775.0)"_qs, u"set w1 AXPosition (0.0, 0.0)"_qs}));
        QCOMPARE(sleeper.sleeps, (QList<double>{0.1, 0.18}));
        init();
        const AppWindow w = editorWindow({.scriptedReads = {QRectF(0, 0, 500, 500), QRectF(30, 0, 500, 500)}});
        QVERIFY(discovery->move(w, QRectF(0, 0, 500, 500)));
        QCOMPARE(sleeper.sleeps, (QList<double>{0.1, 0.18, 0.1, 0.18}));
        QCOMPARE(desktop.callsMatching(u"set w1"_qs).size(), 8);
    }

    // The window must land within 6 points on every value: eight attempts of four sets each when it never
    // gets there, and then where it was is logged.
    void moveTolerance()
    {
        const QList<std::pair<QRectF, QString>> rows{
            {QRectF(5.9, -5.9, 5.9, -5.9), QString()},
            {QRectF(6.0, 0, 0, 0), u"(106.0, 100.0), size=(800.0, 600.0)"_qs},
            {QRectF(0, -6.0, 0, 0), u"(100.0, 94.0), size=(800.0, 600.0)"_qs},
            {QRectF(0, 0, 6.0, 0), u"(100.0, 100.0), size=(806.0, 600.0)"_qs},
            {QRectF(0, 0, 0, -6.0), u"(100.0, 100.0), size=(800.0, 594.0)"_qs}};
        for (const auto& [offset, logged] : rows) {
            init();
            const AppWindow w = editorWindow();
            desktop.window(1).constrain = [offset](const QRectF& r) {
                return r.adjusted(offset.x(), offset.y(), offset.x() + offset.width(), offset.y() + offset.height());
            };
            if (!logged.isEmpty())
                QTest::ignoreMessage(QtInfoMsg, qPrintable(u"WindowDiscovery: target=(100.0, 100.0, 800.0, 600.0), "
                                                           u"actual position="_qs + logged));
            QCOMPARE(discovery->move(w, QRectF(100, 100, 800, 600)), logged.isEmpty());
            QCOMPARE(desktop.callsMatching(u"set w1"_qs).size(), logged.isEmpty() ? 4 : 32);
            QCOMPARE(sleeper.sleeps.size(), logged.isEmpty() ? 2 : 8);
        }
        // Numbers in log lines are the shortest that read back the same, whole ones with ".0".
        QCOMPARE(GeometryText::describe(QPointF(-0.0, 0.1 + 0.2)), u"(-0.0, 0.30000000000000004)"_qs);
        QCOMPARE(GeometryText::describe(QSizeF(1e16, 0.00001)), u"(1e+16, 1e-05)"_qs);
    }

    void moveUnminimizesFirst()
    {
        const AppWindow w = editorWindow({.minimized = true});
        QVERIFY(discovery->move(w, QRectF(0, 0, 500, 500)));
        QCOMPARE(desktop.callsMatching(u"set"_qs).first(), u"set w1 AXMinimized false"_qs);
        QCOMPARE(sleeper.sleeps.first(), 0.35);
        QCOMPARE(desktop.window(1).minimized, false);
        // A minimised state that cannot be read is left alone.
        desktop.calls.clear();
        desktop.window(1).minimized = std::nullopt;
        QVERIFY(discovery->move(w, QRectF(0, 0, 500, 500)));
        QVERIFY(desktop.callsMatching(u"set w1 AXMinimized"_qs).isEmpty());
    }

    void moveRestoresEnhancedInterfaceInEveryOutcome()
    {
        const AppWindow w = editorWindow();
        desktop.application(9)->enhancedUserInterface = true;
        QVERIFY(discovery->move(w, QRectF(0, 0, 500, 500)));
        const QStringList flagSets = desktop.callsMatching(u"set app9"_qs);
        QCOMPARE(flagSets, (QStringList{u"set app9 AXEnhancedUserInterface false"_qs,
                                        u"set app9 AXEnhancedUserInterface true"_qs}));
        QCOMPARE(desktop.calls.indexOf(flagSets.first()), 1); // before anything is moved

        desktop.calls.clear();
        desktop.window(1).frameReadable = false;
        QTest::ignoreMessage(
            QtInfoMsg, "WindowDiscovery: failed to read frame after targeting (0.0, 0.0, 500.0, 500.0)");
        QVERIFY(!discovery->move(w, QRectF(0, 0, 500, 500)));
        QCOMPARE(desktop.calls.last(), u"set app9 AXEnhancedUserInterface true"_qs);
        QCOMPARE(desktop.application(9)->enhancedUserInterface, true);
        // Without the flag, it is never written.
        desktop.calls.clear();
        desktop.application(9)->enhancedUserInterface = false;
        desktop.window(1).frameReadable = true;
        QVERIFY(discovery->move(w, QRectF(0, 0, 500, 500)));
        QVERIFY(desktop.callsMatching(u"set app9"_qs).isEmpty());
    }

    void slotsAndFocus()
    {
        const QList<AppWindow> mixed{editor(u"a"_qs), terminal(u"zsh"_qs, u"/tmp"_qs), browser(u"https://x.dev"_qs)};
        const auto noSlots = SlotMatcher::match({}, mixed, everythingExists);
        QVERIFY(noSlots.statuses.isEmpty());
        QCOMPARE(noSlots.unassigned.size(), 3);
        QCOMPARE(noSlots.unassigned[1].id, mixed[1].id);

        const QList<AppWindow> windows{editor(u"web"_qs), editor(u"api"_qs), editor(u"web"_qs),
                                       editor(u"Notes"_qs), editor(u"Cafe\u0301"_qs)};
        const QMap<QString, SlotEntry> slots{
            {u"2"_qs, Fx::entry(u"Web"_qs, u"/src/web"_qs)},
            {u"5"_qs, Fx::entry(u"Web too"_qs, u" /other/web/ \n"_qs)}, // same folder name: the next window
            {u"6"_qs, Fx::entry(u"Web three"_qs, u"/x/web"_qs)},        // no third window left
            {u"7"_qs, Fx::entry(u"Notes"_qs, QString())},               // no path: by name
            {u"8"_qs, Fx::entry(u"n"_qs, u"  "_qs, {}, {}, u"api"_qs)}, // no path: by match key
            {u"9"_qs, Fx::entry(u"c"_qs, u"/src/Caf\u00e9"_qs)},        // canonically equal names
            {u"10"_qs, Fx::entry(u"hidden"_qs, u"/src/api"_qs)},        // outside 1…9: claims nothing
        };
        const auto result = SlotMatcher::match(slots, windows, everythingExists);
        QCOMPARE(bindings(result, windows), (QMap<int, int>{{2, 0}, {5, 2}, {6, -1}, {7, 3}, {8, 1}, {9, 4}}));
        QVERIFY(result.unassigned.isEmpty());

        const QUuid rowA = QUuid::createUuid(), rowB = QUuid::createUuid();
        const QList<FocusMatcher::Candidate> candidates{
            {FocusTarget::slot(2), 10, u"a — web — VS", u"web"},
            {FocusTarget::slot(3), 20, u"zsh", std::nullopt},
            {FocusTarget::slot(4), 20, u"zsh", std::nullopt},
            {FocusTarget::window(rowA), 20, u"zsh", std::nullopt},
            {FocusTarget::window(rowA), 10, u"b — web — VS", u"web"},
            {FocusTarget::window(rowB), 11, u"b — web — VS", u"web"},
        };
        using Set = QSet<FocusTarget>;
        QCOMPARE(FocusMatcher::targets(20, u"  zsh \n"_qs, candidates),
                 (Set{FocusTarget::slot(3), FocusTarget::slot(4)}));
        QCOMPARE(FocusMatcher::targets(20, u"ZSH"_qs, candidates), Set{});
        QCOMPARE(FocusMatcher::targets(20, u" \t"_qs, candidates), Set{});
        // An unassigned window of a slot's project in the same process stands for that slot…
        QCOMPARE(FocusMatcher::targets(10, u"b — web — VS"_qs, candidates), Set{FocusTarget::slot(2)});
        // …but not from another process: then its own row.
        QCOMPARE(FocusMatcher::targets(11, u"b — web — VS"_qs, candidates), Set{FocusTarget::window(rowB)});
        QCOMPARE(FocusMatcher::targets(99, u"zsh"_qs, candidates), Set{});

        const Set highlighted{FocusTarget::slot(3)};
        QVERIFY(!FocusMatcher::isDimmed(FocusTarget::slot(3), highlighted, true));
        QVERIFY(FocusMatcher::isDimmed(FocusTarget::slot(4), highlighted, true));
        QVERIFY(FocusMatcher::isDimmed(std::nullopt, highlighted, true));
        QVERIFY(!FocusMatcher::isDimmed(std::nullopt, highlighted, false));
        QVERIFY(!FocusMatcher::isDimmed(std::nullopt, Set{}, true));
        QVERIFY(!FocusMatcher::isDimmed(FocusTarget::slot(4), std::nullopt, true));
    }

    void terminalAndBrowserSlots()
    {
        const QList<AppWindow> windows{
            terminal(u"zsh"_qs, u"/src/api"_qs),
            terminal(u"build"_qs, u"/tmp"_qs),
            editor(u"build"_qs),
            browser(u"http://WWW.Example.COM/docs"_qs),
            browser(u"https://example.com/"_qs),
            browser(u"not a url"_qs),
        };
        const QMap<QString, SlotEntry> slots{
            {u"1"_qs, Fx::entry(u"API"_qs, u"/src/api/ "_qs, u"terminal"_qs)}, // by folder, not title
            {u"2"_qs, Fx::entry(u"x"_qs, u"/nowhere"_qs, u"terminal"_qs, {}, u"build"_qs)}, // path set: title ignored
            {u"3"_qs, Fx::entry(u"x"_qs, QString(), u"terminal"_qs, {}, u"build"_qs)}, // no path: by title
            {u"4"_qs, Fx::entry(u"site"_qs, QString(), u"safari"_qs, u"https://example.com"_qs)},
            {u"5"_qs, Fx::entry(u"site"_qs, u"/gone"_qs, u"safari"_qs, u"https://www.example.com/x"_qs)},
            {u"6"_qs, Fx::entry(u"no scheme"_qs, QString(), u"safari"_qs, u"example.com"_qs)},
        };
        const auto result = SlotMatcher::match(slots, windows, [](const QString&) { return false; });
        QCOMPARE(bindings(result, windows), (QMap<int, int>{{1, -1}, {2, -1}, {3, 1}, {4, 3}, {5, 4}, {6, -1}}));
        // "/src/api/ " trimmed is "/src/api/", which is not the window's folder spelling.
        QCOMPARE(result.unassigned.size(), 3);
        // Missing folders: reported for every kind but browser slots.
        QCOMPARE(result.statuses[0].folderMissing, true);
        QCOMPARE(result.statuses[2].folderMissing, false); // no path at all
        QCOMPARE(result.statuses[4].folderMissing, false); // browser slot

        // A deleted folder still binds its window.
        QStringList asked;
        const QList<AppWindow> gone{editor(u"gone"_qs)};
        const auto exists = [&](const QString& p) {
            asked.append(p);
            return false;
        };
        const auto deleted = SlotMatcher::match({{u"1"_qs, Fx::entry(u"g"_qs, u"/old/gone"_qs)}}, gone, exists);
        QCOMPARE(deleted.statuses[0].folderMissing, true);
        QCOMPARE(deleted.statuses[0].window->id, gone[0].id);
        QCOMPARE(asked, QStringList{u"/old/gone"_qs});
    }

    void gridsAndStretching()
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

        // Occupied tiles stretch into empty ones; slot 3 of six stretches down over an empty slot 6.
        const QRectF screen(0, 0, 1920, 1080);
        QCOMPARE(occupiedRegions(6, screen, {1, 2, 5}), (Regions{{1, QRectF(0, 0, 640, 1080)},
                                                                 {2, QRectF(640, 540, 640, 540)},
                                                                 {5, QRectF(640, 0, 640, 540)}}));
        QCOMPARE(occupiedRegions(4, screen, {4}), (Regions{{4, QRectF(0, 0, 960, 540)}})); // bottom never stretches
        QCOMPARE(occupiedRegions(3, screen, {5, 3}), (Regions{{3, QRectF(1280, 0, 640, 1080)}}));
        QCOMPARE(occupiedRegions(6, screen, {3, 4}),
                 (Regions{{3, QRectF(1280, 0, 640, 1080)}, {4, QRectF(0, 0, 640, 540)}}));
        QCOMPARE(occupiedRegions(6, screen, {3, 6}),
                 (Regions{{3, QRectF(1280, 540, 640, 540)}, {6, QRectF(1280, 0, 640, 540)}}));
        QVERIFY(occupiedRegions(4, screen, {}).isEmpty());
        QVERIFY(occupiedRegions(5, screen, {1, 2}).isEmpty());
    }

    void conventionsAndThePointer()
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

        const QRectF left(0, 0, 1920, 1080), right(1920, 0, 1280, 800), above(0, 1080, 1920, 1080);
        const QList<QRectF> sideBySide{left, right}, stacked{left, above};
        using A = PointerFocusAction;
        QCOMPARE(pointerFocusAction(QPointF(100, 100), QPointF(5000, 5000), {left}), A::none()); // one display
        QCOMPARE(pointerFocusAction(QPointF(2500, 400), QPointF(100, 100), sideBySide), A::warp(QPointF(2500, 400)));
        QCOMPARE(pointerFocusAction(QPointF(900, 500), QPointF(100, 100), sideBySide), A::effectInPlace());
        QCOMPARE(pointerFocusAction(QPointF(2500, 900), QPointF(100, 100), sideBySide), A::none()); // off screen
        QCOMPARE(pointerFocusAction(QPointF(900, 500), QPointF(-5, 100), sideBySide), A::warp(QPointF(900, 500)));
        // The shared edge belongs to the display whose minimum it is.
        QCOMPARE(pointerFocusAction(QPointF(1920, 10), QPointF(100, 100), sideBySide), A::warp(QPointF(1920, 10)));
        QCOMPARE(pointerFocusAction(QPointF(1920, 10), QPointF(1920, 500), sideBySide), A::effectInPlace());
        QCOMPARE(pointerFocusAction(QPointF(500, 1080), QPointF(500, 1079), stacked), A::warp(QPointF(500, 1080)));
        QCOMPARE(pointerFocusAction(QPointF(500, 2000), QPointF(0, 1080), stacked), A::effectInPlace());
    }
};

QTEST_GUILESS_MAIN(WindowsTest)
#include "tst_windows.moc"
