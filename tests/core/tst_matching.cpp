#include "AppStateFixture.h"
#include "core/windows/FocusMatcher.h"
#include "core/windows/SlotMatcher.h"

#include <QTest>

namespace {

using Fx = AppStateFixture;

AppWindow editor(const QString& project, qint32 pid = 1)
{
    AppWindow w(WindowKind::vscode, u"f — "_qs + project + u" — Visual Studio Code"_qs, project,
                std::nullopt);
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

} // namespace

// Which window belongs to which slot, and what the panel highlights as the window the user came from.
class MatchingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void noSlots()
    {
        const QList<AppWindow> windows{editor(u"a"_qs), terminal(u"zsh"_qs, u"/tmp"_qs),
                                       browser(u"https://x.dev"_qs)};
        const auto result = SlotMatcher::match({}, windows, everythingExists);
        QVERIFY(result.statuses.isEmpty());
        QCOMPARE(result.unassigned.size(), 3);
        QCOMPARE(result.unassigned[1].id, windows[1].id);
    }

    void editorSlots()
    {
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
        QCOMPARE(bindings(result, windows),
                 (QMap<int, int>{{2, 0}, {5, 2}, {6, -1}, {7, 3}, {8, 1}, {9, 4}}));
        QVERIFY(result.unassigned.isEmpty());
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
            {u"2"_qs,
             Fx::entry(u"x"_qs, u"/nowhere"_qs, u"terminal"_qs, {}, u"build"_qs)}, // path set: title ignored
            {u"3"_qs, Fx::entry(u"x"_qs, QString(), u"terminal"_qs, {}, u"build"_qs)}, // no path: by title
            {u"4"_qs, Fx::entry(u"site"_qs, QString(), u"safari"_qs, u"https://example.com"_qs)},
            {u"5"_qs, Fx::entry(u"site"_qs, u"/gone"_qs, u"safari"_qs, u"https://www.example.com/x"_qs)},
            {u"6"_qs, Fx::entry(u"no scheme"_qs, QString(), u"safari"_qs, u"example.com"_qs)},
        };
        const auto result = SlotMatcher::match(slots, windows, [](const QString&) { return false; });
        QCOMPARE(bindings(result, windows),
                 (QMap<int, int>{{1, -1}, {2, -1}, {3, 1}, {4, 3}, {5, 4}, {6, -1}}));
        // "/src/api/ " trimmed is "/src/api/", which is not the window's folder spelling.
        QCOMPARE(result.unassigned.size(), 3);
        // Missing folders: reported for every kind but browser slots.
        QCOMPARE(result.statuses[0].folderMissing, true);
        QCOMPARE(result.statuses[2].folderMissing, false); // no path at all
        QCOMPARE(result.statuses[4].folderMissing, false); // browser slot
    }

    void deletedFolderStillBinds()
    {
        QStringList asked;
        const QList<AppWindow> windows{editor(u"gone"_qs)};
        const auto result = SlotMatcher::match({{u"1"_qs, Fx::entry(u"g"_qs, u"/old/gone"_qs)}}, windows,
                                               [&](const QString& p) {
                                                   asked.append(p);
                                                   return false;
                                               });
        QCOMPARE(result.statuses[0].folderMissing, true);
        QCOMPARE(result.statuses[0].window->id, windows[0].id);
        QCOMPARE(asked, QStringList{u"/old/gone"_qs});
    }

    void focusTargets()
    {
        const QUuid rowA = QUuid::createUuid();
        const QUuid rowB = QUuid::createUuid();
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
};

QTEST_GUILESS_MAIN(MatchingTest)
#include "tst_matching.moc"
