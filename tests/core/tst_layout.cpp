#include "FakePlatform.h"
#include "TestFiles.h"
#include "core/layout/AppShortcut.h"
#include "core/layout/DragPayload.h"
#include "core/layout/LayoutJson.h"
#include "core/layout/LayoutStore.h"
#include "core/layout/ProjectMemory.h"
#include "core/layout/URLUtil.h"
#include "core/layout/UnassignedFolder.h"
#include "core/text/Paths.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

using Expected = std::optional<QString>;

namespace {
using TestFiles::write;
const auto contents = TestFiles::read;

QByteArray minimal(const QByteArray& extra = {})
{
    return R"({"slots": {}, "hotkey": {"keyCode": 9, "modifiers": ["option", "command"]})" + extra + "}";
}
QByteArray withSlots(const QByteArray& slots)
{
    return R"({"slots": )" + slots + R"(, "hotkey": {"keyCode": 9, "modifiers": []}})";
}
QByteArray withHotkey(const QByteArray& hotkey)
{
    return R"({"slots": {}, "hotkey": )" + hotkey + "}";
}

Layout fullLayout()
{
    return {.slots = {{u"1"_qs, SlotEntry{u"Web"_qs, u"/Users/me/src/web"_qs, u"http://localhost:3000/"_qs, {},
                                          ServerEntry{u"192.168.1.5:8080"_qs, u"chrome"_qs}, u"sage"_qs,
                                          u"web"_qs}},
                      {u"2"_qs, SlotEntry{u"シェル"_qs, u"/tmp"_qs, {}, u"terminal"_qs, {}, {}, u"zsh — 80×24"_qs}},
                      {u"10"_qs, SlotEntry{u"hidden"_qs, QString()}}},
            .hotkeyEnabled = false,
            .doubleTapShift = true,
            .panelTheme = u"lavender"_qs,
            .lastTileCount = 4,
            .doubleTapKey = u"space"_qs,
            .tapCount = 3,
            .folderShortcuts = QList<ShortcutEntry>{{u"Docs"_qs, u"/Users/me/Documents"_qs}},
            .urlShortcuts = QList<ShortcutEntry>{},
            .appShortcuts = QList<ShortcutEntry>{{u"Notes"_qs, u"/Applications/Notes.app"_qs}},
            .projectMemory = ProjectMemoryMap{{u"path:/Users/me/src/api"_qs, {u"API"_qs, {}, u"rose"_qs, {}}}},
            .agentStatusEnabled = true,
            .claudeUsageEnabled = false};
}

RunningAppInfo info(const QString& name, Expected path, Expected bundleID = std::nullopt, bool regular = true)
{
    return {name, std::move(path), std::move(bundleID), regular};
}

QStringList names(const QList<RunningAppInfo>& infos)
{
    QStringList result;
    for (const RunningAppInfo& i : infos)
        result.append(i.name);
    return result;
}

QString describe(const std::optional<DragPayload>& payload)
{
    return payload ? payload->string() : u"absent"_qs;
}

const Expected none;
} // namespace

// The layout file: what is accepted, what makes the whole document unreadable, and the exact bytes
// written. Every change is on disk at once; no-ops write nothing; an unreadable file is never lost. Which
// project a memo belongs to, what is remembered, and what comes back. Application shortcuts, drag
// payloads, web address domains and the folder of an unassigned window.
class LayoutTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;
    std::unique_ptr<QTemporaryDir> dir;
    QString file;

    Layout onDisk() { return LayoutJson::decode(contents(file)).value_or(Layout{}); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(home.isValid());
        QDir root(home.path());
        for (const char* folder : {"Foo.APP", "Bar.app", "My.Tool.app", "noext", ".app", "Tools/Inner.app"})
            QVERIFY(root.mkpath(QString::fromUtf8(folder)));
        QVERIFY(TestFiles::write(root.filePath(u"x.app"_qs), {}));
        qputenv("HOME", QFile::encodeName(home.path()));
    }

    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        file = dir->filePath(u"support/nested/layout.json"_qs);
    }

    void writtenBytes()
    {
        QCOMPARE(LayoutJson::decode(minimal()), Layout::empty());
        QCOMPARE(LayoutJson::encode(Layout::empty()),
                 QByteArray("{\n  \"hotkey\" : {\n    \"keyCode\" : 9,\n    \"modifiers\" : [\n      \"option\",\n"
                            "      \"command\"\n    ]\n  },\n  \"slots\" : {}\n}"));
        QVERIFY(Layout::empty().isHotkeyEnabled());
        QVERIFY(!Layout::empty().isAgentStatusEnabled() && !Layout::empty().isClaudeUsageEnabled());

        // Arrays of objects and empty ones, indented the same way.
        const Layout lists{.hotkey = {9, {}}, .folderShortcuts = QList<ShortcutEntry>{{u"Docs"_qs, u"/d"_qs}},
                           .urlShortcuts = QList<ShortcutEntry>{}};
        QCOMPARE(LayoutJson::encode(lists),
                 QByteArray("{\n  \"folderShortcuts\" : [\n    {\n      \"name\" : \"Docs\",\n      \"target\" : "
                            "\"\\/d\"\n    }\n  ],\n  \"hotkey\" : {\n    \"keyCode\" : 9,\n    \"modifiers\" : []\n  },\n"
                            "  \"slots\" : {},\n  \"urlShortcuts\" : []\n}"));
        // Every key, sorted, with its value; the layout of the lines is the one above.
        const QByteArray expected = R"({ "agentStatusEnabled" : true, "appShortcuts" : [ { "name" : "Notes",
            "target" : "\/Applications\/Notes.app" } ], "claudeUsageEnabled" : false, "doubleTapKey" : "space",
            "doubleTapShift" : true, "folderShortcuts" : [ { "name" : "Docs", "target" : "\/Users\/me\/Documents" } ],
            "hotkey" : { "keyCode" : 9, "modifiers" : [ "option", "command" ] }, "hotkeyEnabled" : false,
            "lastTileCount" : 4, "panelTheme" : "lavender", "projectMemory" : { "path:\/Users\/me\/src\/api" : {
            "color" : "rose", "name" : "API" } }, "slots" : { "1" : { "color" : "sage", "matchKey" : "web",
            "name" : "Web", "path" : "\/Users\/me\/src\/web", "server" : { "address" : "192.168.1.5:8080",
            "browser" : "chrome" }, "url" : "http:\/\/localhost:3000\/" }, "10" : { "name" : "hidden", "path" : "" },
            "2" : { "kind" : "terminal", "matchKey" : "zsh — 80×24", "name" : "シェル", "path" : "\/tmp" } },
            "tapCount" : 3, "urlShortcuts" : [] })";
        QCOMPARE(LayoutJson::encode(fullLayout()).simplified(), expected.simplified());
        QCOMPARE(LayoutJson::decode(expected), fullLayout());

        // Names come back exactly as written, also as memo keys; only what needs it is escaped.
        const QList<std::pair<QString, QByteArray>> rows{
            {u"q\"b\\s/t\tn\nc\x01 é 🚀"_qs + QChar(0xD800), // a lone surrogate too
             "\"q\\\"b\\\\s\\/t\\tn\\nc\\u0001 é 🚀\\ud800\""},
            {QString(QChar(0xFEFF)), "\"\\ufeff\""},
            {u"\uFEFFWeb"_qs, "\"\\ufeffWeb\""},
            {u"W\uFEFF\uFEFF"_qs, "\"W\xEF\xBB\xBF\xEF\xBB\xBF\""}}; // U+FEFF inside a name is written as is
        for (const auto& [text, written] : rows) {
            const Layout layout{.slots = {{u"1"_qs, SlotEntry{text, QString()}}},
                                .projectMemory = ProjectMemoryMap{{text, ProjectMemo{text, {}, {}, {}}}}};
            const QByteArray bytes = LayoutJson::encode(layout);
            QVERIFY2(bytes.contains("\"name\" : " + written), written);
            QVERIFY2(bytes.contains("\n    " + written + " : {"), written);
            QCOMPARE(LayoutJson::decode(bytes), layout);
        }
    }

    void acceptedAndRejected()
    {
        QCOMPARE(LayoutJson::decode(minimal(R"(, "hotkeyEnabled": null, "tapCount": null)")), Layout()); // absent
        QCOMPARE(LayoutJson::decode(minimal(R"(, "future": {"x": [1, 2]}, "lastTileCount": 2)")),
                 Layout{.lastTileCount = 2}); // unknown keys are ignored
        QCOMPARE(LayoutJson::decode(minimal(R"(, "lastTileCount": 2.0)")), Layout{.lastTileCount = 2});
        QCOMPARE(LayoutJson::decode("\xEF\xBB\xBF" + minimal()), Layout()); // a byte-order mark
        QCOMPARE(LayoutJson::decode(withHotkey(R"({"keyCode": 4294967295, "modifiers": []})")),
                 (Layout{.hotkey = {4294967295u, {}}}));
        QCOMPARE(LayoutJson::decode(withSlots(R"({"3": {"name": "a", "path": "/x\/y"}})")),
                 (Layout{.slots = {{u"3"_qs, {u"a"_qs, u"/x/y"_qs}}}, .hotkey = {9, {}}}));

        const QByteArrayList documents{
            QByteArray(), "{\"slots\": {}", minimal(","), "[]", QByteArray("\x00\xff\xfe{", 4),
            minimal(", \"panelTheme\": \"\xc3\x28\""), // invalid UTF-8 in a string
            R"({"slots": {}})", R"({"hotkey": {"keyCode": 9, "modifiers": []}})", withSlots("null"),
            minimal(R"(, "tapCount": "3")"), minimal(R"(, "tapCount": 2.5)"), minimal(R"(, "lastTileCount": 1e30)"),
            withHotkey(R"({"keyCode": -1, "modifiers": []})"), withHotkey(R"({"keyCode": "9", "modifiers": []})"),
            withHotkey(R"({"keyCode": 4294967296, "modifiers": []})"), withHotkey(R"({"keyCode": 9})"),
            withHotkey(R"({"keyCode": 9, "modifiers": [1]})"), minimal(R"(, "hotkeyEnabled": "true")"),
            withSlots(R"({"1": {"name": "a"}})"), withSlots(R"({"1": {"name": "a", "path": 3}})"),
            withSlots(R"({"42": {"name": 1, "path": ""}})"), // a bad entry under an unused key
            withSlots(R"({"1": {"name": "a", "path": "", "server": {"address": "h:1"}}})"),
            minimal(R"(, "folderShortcuts": {})"), minimal(R"(, "appShortcuts": [{"name": "x"}])"),
            minimal(R"(, "projectMemory": {"name:a": "b"})"), minimal(R"(, "projectMemory": {"name:a": {"name": 2}})"),
            minimal(R"(, "projectMemory": {"name:a": {"server": "x"}})")};
        for (const QByteArray& document : documents) {
            QString error;
            QVERIFY2(!LayoutJson::decode(document, &error), document.constData());
            QVERIFY2(!error.isEmpty(), document.constData());
        }

        using enum DoubleTapKey;
        const auto derived = [](const QByteArray& extra) {
            const auto layout = LayoutJson::decode(minimal(extra));
            return layout ? std::pair(layout->effectiveDoubleTapKey(), layout->effectiveTapCount())
                          : std::pair(none, 0);
        };
        QCOMPARE(derived({}), std::pair(shift, 2));
        QCOMPARE(derived(R"(, "doubleTapKey": "space", "doubleTapShift": false)"), std::pair(space, 2));
        QCOMPARE(derived(R"(, "doubleTapShift": false)"), std::pair(none, 2)); // the older switch
        QCOMPARE(derived(R"(, "doubleTapShift": true)"), std::pair(shift, 2));
        QCOMPARE(derived(R"(, "doubleTapKey": "Space")"), std::pair(shift, 2)); // capitals mean shift
        QCOMPARE(derived(R"(, "doubleTapKey": "none", "tapCount": 3)"), std::pair(none, 3));
        QCOMPARE(derived(R"(, "doubleTapKey": "ctrl", "tapCount": 5)"), std::pair(shift, 2));
        QCOMPARE(derived(R"(, "tapCount": -3)"), std::pair(shift, 2));
    }

    void noOpsWriteNothingThenTheFirstChangeCreatesTheFile()
    {
        LayoutStore store(file);
        QCOMPARE(store.layout(), Layout::empty());
        store.moveEntry(3, 3);
        store.moveEntry(0, 2);
        store.moveEntry(4, 10);
        store.moveEntry(1, 2); // nothing in slot 1
        store.assign(SlotEntry{u"x"_qs, u"/x"_qs}, 10);
        store.assign(SlotEntry{u"x"_qs, u"/x"_qs}, 0);
        store.applySettings(5, u"n"_qs, u"/p"_qs, {}, {}, {});
        store.updateEntry(5, u"n"_qs, {}, {});
        store.setServer(ServerEntry{u"h:1"_qs, u"safari"_qs}, 5);
        store.setColor(u"sage"_qs, 5);
        QVERIFY(!QFile::exists(file));
        store.removeEntry(5); // removing from an empty slot still writes, folders and all
        QVERIFY(QFile::exists(file));
        store.setLastTileCount(4);
        QCOMPARE(onDisk().lastTileCount, 4);
        QCOMPARE(LayoutStore(file).layout(), store.layout()); // a later run reads it back
    }

    void settings()
    {
        LayoutStore store(file);
        store.setPanelTheme(u"rose"_qs);
        store.setAgentStatusEnabled(true);
        store.setClaudeUsageEnabled(false);
        store.setTriggerSettings(false, u"space"_qs, 4);
        // The older double-tap switch is never touched.
        QCOMPARE(onDisk(), (Layout{.hotkeyEnabled = false, .panelTheme = u"rose"_qs, .doubleTapKey = u"space"_qs,
                                   .tapCount = 2, .agentStatusEnabled = true, .claudeUsageEnabled = false}));
        store.setTriggerSettings(true, u"shift"_qs, 3);
        QCOMPARE(onDisk().tapCount, 3);

        QList<ShortcutEntry> twelve;
        for (int i = 0; i < 12; ++i)
            twelve.append({QString::number(i), u"/f"_qs + QString::number(i)});
        store.setShortcuts(twelve.mid(0, 7), twelve.mid(0, 6), twelve);
        const Layout saved = onDisk();
        QCOMPARE(saved.folderShortcuts, twelve.mid(0, 5));
        QCOMPARE(saved.urlShortcuts, twelve.mid(0, 5));
        QCOMPARE(saved.appShortcuts, twelve.mid(0, 10));
        store.setShortcuts({}, {}, {});
        QVERIFY(contents(file).contains("\"urlShortcuts\" : []")); // stored empty, not absent
    }

    void slotEdits()
    {
        LayoutStore store(file);
        store.assign({u"shell"_qs, u"/tmp"_qs, u"http://old"_qs, u"terminal"_qs, {}, u"sage"_qs, u"zsh"_qs}, 2);
        const ServerEntry server{u"h:2"_qs, u"chrome"_qs};
        // An absent argument clears its field; kind and match key stay.
        store.applySettings(2, u"Shell"_qs, u"/var"_qs, std::nullopt, u"rose"_qs, server);
        QCOMPARE(onDisk().entry(2),
                 (SlotEntry{u"Shell"_qs, u"/var"_qs, {}, u"terminal"_qs, server, u"rose"_qs, u"zsh"_qs}));
        store.updateEntry(2, u"S"_qs, u"http://new"_qs, std::nullopt); // no path given: kept
        QCOMPARE(onDisk().entry(2),
                 (SlotEntry{u"S"_qs, u"/var"_qs, u"http://new"_qs, u"terminal"_qs, server, u"rose"_qs, u"zsh"_qs}));
        store.updateEntry(2, u"S"_qs, std::nullopt, u"/opt"_qs);
        store.setServer(std::nullopt, 2);
        store.setColor(std::nullopt, 2);
        QCOMPARE(onDisk().entry(2), (SlotEntry{u"S"_qs, u"/opt"_qs, {}, u"terminal"_qs, {}, {}, u"zsh"_qs}));
    }

    void movingSwapsOrMoves()
    {
        LayoutStore store(file);
        const SlotEntry a{u"A"_qs, u"/a"_qs}, b{u"B"_qs, u"/b"_qs};
        store.assign(a, 1);
        store.assign(b, 2);
        store.moveEntry(1, 2);
        QCOMPARE(onDisk().slots, (QMap<QString, SlotEntry>{{u"1"_qs, b}, {u"2"_qs, a}}));
        store.moveEntry(1, 5);
        QCOMPARE(onDisk().slots, (QMap<QString, SlotEntry>{{u"2"_qs, a}, {u"5"_qs, b}}));
    }

    void projectsComeBackWithTheirSettings()
    {
        LayoutStore store(file);
        const ServerEntry server{u"localhost:8080"_qs, u"safari"_qs};
        store.assign({u"API"_qs, u"/src/api"_qs, {}, {}, server, u"rose"_qs}, 3);
        // Dropping another project on slot 3 remembers the displaced one, and the newcomer, having no
        // colour, takes the displaced colour.
        store.assign(SlotEntry{u"web"_qs, u"/src/web"_qs}, 3);
        const Layout saved = onDisk();
        QCOMPARE(saved.entry(3), (SlotEntry{.name = u"web"_qs, .path = u"/src/web"_qs, .color = u"rose"_qs}));
        QCOMPARE(saved.projectMemory->value(u"path:/src/api"_qs).server, server);
        // Removing keeps a memo too, and the project returns with its name, colour and server.
        store.removeEntry(3);
        QCOMPARE(onDisk().projectMemory->value(u"path:/src/web"_qs).color, u"rose"_qs);
        store.assign(SlotEntry{u"api"_qs, u"/src/api/"_qs}, 7);
        QCOMPARE(onDisk().entry(7), (SlotEntry{u"API"_qs, u"/src/api/"_qs, {}, {}, server, u"rose"_qs}));
        // Renamed, then dropped onto its own slot: the displaced self is remembered first and comes back.
        store.updateEntry(7, u"Renamed"_qs, std::nullopt, std::nullopt);
        store.assign(SlotEntry{u"api"_qs, u"/src/api"_qs}, 7);
        QCOMPARE(onDisk().entry(7)->name, u"Renamed"_qs);
    }

    void unreadableFileIsKeptBeforeTheFirstSave()
    {
        const QByteArray handEdited =
            R"({"slots": {"1": {"name": "mine", "path": "/m"}}, "hotkey": {"keyCode": 9,}})";
        write(file, handEdited);
        const auto kept = [&] { return QDir(QFileInfo(file).path()).entryList({u"layout.json.unreadable-*"_qs}); };

        LayoutStore store(file);
        QCOMPARE(store.layout(), Layout::empty());
        QCOMPARE(contents(file), handEdited); // reading alone changes nothing
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^LayoutStore: kept the unreadable layout file as "
                                                           u".*/layout\\.json\\.unreadable-\\d{8}T\\d{6}Z$"_qs));
        store.setLastTileCount(2);
        QCOMPARE(kept().size(), 1);
        const QString keptPath = QFileInfo(file).path() + u'/' + kept().first();
        QCOMPARE(contents(keptPath), handEdited);
        QCOMPARE(onDisk().lastTileCount, 2);
        // The next save does not keep anything again, and a readable file is never kept.
        store.setLastTileCount(3);
        LayoutStore(file).setLastTileCount(4);
        QCOMPARE(kept().size(), 1);
        // A later run that finds another broken file keeps it beside the first, which stays as it was.
        write(file, "not json");
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^LayoutStore: kept the unreadable"_qs));
        LayoutStore(file).setLastTileCount(5);
        QCOMPARE(kept().size(), 2);
        QCOMPARE(contents(keptPath), handEdited);
        QCOMPARE(onDisk().lastTileCount, 5);

        // A pipe or a device in the file's place is unreadable too: start-up goes on at once with the
        // empty layout, and the first save keeps it aside like any unreadable file.
        QVERIFY(QFile::remove(file));
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        LayoutStore piped(file);
        QCOMPARE(piped.layout(), Layout::empty());
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^LayoutStore: kept the unreadable"_qs));
        piped.setLastTileCount(6);
        QCOMPARE(onDisk().lastTileCount, 6);
        QVERIFY(QFile::remove(file) && QFile::link(u"/dev/zero"_qs, file));
        QCOMPARE(LayoutStore(file).layout(), Layout::empty());
    }

    // Temporary files of saves killed half-way are swept at start once they are a minute old; no
    // other name, and nothing but a regular file, is ever touched.
    void leftoverSavesAreSwept()
    {
        const QString folder = QFileInfo(file).path(), save = u".layout.json.panedeck-save-"_qs;
        const auto at = [&](const QString& name) { return folder + u'/' + name; };
        const auto age = [&](const QString& name) {
            const timespec old[2] = {{::time(nullptr) - 61, 0}, {::time(nullptr) - 61, 0}};
            const QByteArray path = QFile::encodeName(at(name));
            return ::utimensat(AT_FDCWD, path.constData(), old, AT_SYMLINK_NOFOLLOW) == 0;
        };
        QVERIFY(write(at(save + u"a1b2c3d4e5f6"_qs), "{", 61));
        QStringList kept{u"target"_qs, save + u"recent000000"_qs, save + u"folder000000"_qs, save + u"link00000000"_qs};
        QVERIFY(write(at(kept[0]), "{", 61) && write(at(kept[1]), "{"));
        QVERIFY(QDir().mkdir(at(kept[2])) && age(kept[2]));
        QVERIFY(QFile::link(at(kept[0]), at(kept[3])) && age(kept[3]));
        for (const char* other :
             {".layout.json.panedeck-save-A1B2C3D4E5F6", ".layout.json.panedeck-save-a1b2c3",
              ".layout.json.panedeck-save-a1b2c3d4e5f6.bak", "layout.json.panedeck-save-a1b2c3d4e5f6",
              ".other.json.panedeck-save-a1b2c3d4e5f6", "layout.json.backup", "layout.json.old123",
              "layout.json.BACKUP", "layout.json.a1B2c3", "layout.json.unreadable-20240101T000000Z"}) {
            kept.append(QString::fromLatin1(other));
            QVERIFY(write(at(kept.last()), "{", 61));
        }
        LayoutStore store(file);
        QStringList left = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        std::sort(left.begin(), left.end());
        std::sort(kept.begin(), kept.end());
        QCOMPARE(left, kept);
    }

    // A save the disk cannot take whole leaves the file as it was, nothing beside it, and names the
    // cause; the change stays in memory. Files may grow no larger than a limit here, as on a full disk:
    // nothing is written, or the write is cut short.
    void failedSaves()
    {
        LayoutStore store(file);
        store.setPanelTheme(u"sand"_qs);
        const QByteArray before = contents(file);
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto restore = qScopeGuard([saved] { ::setrlimit(RLIMIT_FSIZE, &saved); });
        for (const rlim_t limit : {rlim_t(0), rlim_t(100)}) {
            rlimit small = saved;
            small.rlim_cur = limit;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
            QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^LayoutStore save failed: cannot write "
                                                               u".*/layout\\.json: File too large$"_qs));
            store.setPanelTheme(QString(1000, u'x'));
            QCOMPARE(contents(file), before);
            QCOMPARE(store.layout().panelTheme, QString(1000, u'x'));
            QCOMPARE(QDir(dir->filePath(u"support/nested"_qs)).entryList(QDir::Files | QDir::Hidden),
                     QStringList{u"layout.json"_qs});
        }
        ::setrlimit(RLIMIT_FSIZE, &saved);

        // The folder cannot be made: a plain file stands where it should be.
        QVERIFY(QDir(dir->path()).removeRecursively() && write(dir->filePath(u"support"_qs), "in the way"));
        LayoutStore blocked(file);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^LayoutStore save failed: "_qs));
        blocked.setPanelTheme(u"sand"_qs);
        QCOMPARE(blocked.layout().panelTheme, u"sand"_qs);
        QVERIFY(!QFile::exists(file));
    }

    void projectMemory()
    {
        // Spellings of one path are one path.
        const QString homePath = QDir::homePath();
        const QList<std::pair<QString, QString>> rows{
            {u"/a/b"_qs, u"/a/b"_qs}, {u"/a/b//"_qs, u"/a/b"_qs}, {u"//a///b"_qs, u"/a/b"_qs},
            {u"/a/./b/."_qs, u"/a/b"_qs}, {u"/a/x/../b"_qs, u"/a/b"_qs}, {u"/../../a"_qs, u"/a"_qs},
            {u"~/src/"_qs, homePath + u"/src"_qs}, {u"~"_qs, homePath}, {u"/a/~/b"_qs, u"/a/~/b"_qs},
            {u"/"_qs, u"/"_qs}, {u"a/../b/"_qs, u"a/../b"_qs}, // relative: dot-dot stays
            {u"/プロジェクト/cafe\u0301/"_qs, u"/プロジェクト/cafe\u0301"_qs}}; // non-ASCII as written
        QStringList normalized, expected; // "path -> normalized"
        for (const auto& [path, result] : rows) {
            normalized.append(path + u" -> "_qs + Paths::normalized(path));
            expected.append(path + u" -> "_qs + result);
        }
        QCOMPARE(normalized, expected);

        QCOMPARE(ProjectMemory::key(SlotEntry{u"n"_qs, u"  /a/./b/ "_qs}), u"path:/a/b"_qs);
        QCOMPARE(ProjectMemory::key(SlotEntry{u"n"_qs, u"/a/b"_qs}),
                 ProjectMemory::key(SlotEntry{u"m"_qs, u"/a/b/"_qs}));
        QCOMPARE(ProjectMemory::key(SlotEntry{u"n"_qs, u" \n"_qs, u" https://x.dev "_qs}), u"url:https://x.dev"_qs);
        QCOMPARE(ProjectMemory::key(SlotEntry{u" name "_qs, QString(), u"  "_qs}), u"name:name"_qs);
        QCOMPARE(ProjectMemory::key(SlotEntry{u" "_qs, u"\t"_qs, u""_qs}), std::nullopt);

        namespace PM = ProjectMemory;
        // Remembering without a colour stores "standard"; blank fields are left out.
        ProjectMemoryMap memory = PM::remembering(SlotEntry{u" Web "_qs, u"/w"_qs, u"  "_qs}, ProjectMemoryMap{});
        QCOMPARE(memory, (ProjectMemoryMap{{u"path:/w"_qs, {u"Web"_qs, {}, u"standard"_qs, {}}}}));
        // The memo's name wins; a colourless entry gets the memo's colour; the path stays as spelled.
        QCOMPARE(PM::restoring(SlotEntry{u"w"_qs, u"/w/"_qs}, memory),
                 (SlotEntry{.name = u"Web"_qs, .path = u"/w/"_qs, .color = u"standard"_qs}));
        // Remembering again under the same key replaces the whole memo.
        const ServerEntry server{u"h:1"_qs, u"safari"_qs};
        memory = PM::remembering(SlotEntry{u"A"_qs, u"/w"_qs, u"http://a"_qs, {}, server, u"rose"_qs}, memory);
        memory = PM::remembering(SlotEntry{.name = u"B"_qs, .path = u"/w"_qs, .color = u"sand"_qs}, memory);
        QCOMPARE(memory, (ProjectMemoryMap{{u"path:/w"_qs, {u"B"_qs, {}, u"sand"_qs, {}}}}));
        // The entry's own non-blank url, colour and server are kept; blank ones are filled in.
        memory = PM::remembering(SlotEntry{u"A"_qs, u"/w"_qs, u"http://memo"_qs, {}, server, u"rose"_qs}, memory);
        const ServerEntry own{u"o:2"_qs, u"chrome"_qs};
        QCOMPARE(PM::restoring(SlotEntry{u"x"_qs, u"/w"_qs, u"http://own"_qs, {}, own, u"mistBlue"_qs}, memory),
                 (SlotEntry{u"A"_qs, u"/w"_qs, u"http://own"_qs, {}, own, u"mistBlue"_qs}));
        const SlotEntry blank{.name = u"x"_qs, .path = u"/w"_qs, .url = u"   "_qs, .color = u" "_qs};
        QCOMPARE(PM::restoring(blank, memory),
                 (SlotEntry{u"A"_qs, u"/w"_qs, u"http://memo"_qs, {}, server, u"rose"_qs}));
        // Nothing to key on, or no memo: unchanged.
        const SlotEntry stranger = SlotEntry{u"s"_qs, u"/elsewhere"_qs};
        QCOMPARE(PM::restoring(stranger, memory), stranger);
        QCOMPARE(PM::remembering(SlotEntry{QString(), QString()}, memory), memory);
    }

    // "<home>" stands for the temporary folder, which is also $HOME.
    void applicationShortcuts()
    {
        const auto entry = [this](const QString& target, const QString& name = {}) {
            const auto result = AppShortcut::entry(QString(target).replace(u"<home>"_qs, home.path()), name);
            return result ? QString(result->name + u'|' + result->target).replace(home.path(), u"<home>"_qs)
                          : u"none"_qs;
        };
        QCOMPARE(entry(u"<home>/Foo.APP/"_qs), u"Foo|<home>/Foo.APP"_qs);
        QCOMPARE(entry(u"~//Tools/./..//Bar.app/"_qs), u"Bar|<home>/Bar.app"_qs);
        QCOMPARE(entry(u"<home>/x.app"_qs), u"none"_qs); // a file named like a bundle
        QCOMPARE(entry(u"<home>/Missing.app"_qs, u"M"_qs), u"none"_qs);
        QCOMPARE(entry(u"<home>/.app"_qs), u"none"_qs);
        QCOMPARE(entry(u"<home>/Bar.app.bak"_qs), u"none"_qs);
        QCOMPARE(entry(u" \t "_qs, u"Name"_qs), u"none"_qs);

        const QList<RunningAppInfo> list{
            info(u"Editor"_qs, u"/a/Editor.app"_qs, u"com.editor"_qs),
            info(u"Agent"_qs, u"/a/Agent.app"_qs, u"com.agent"_qs, false),
            info(u"Pathless"_qs, std::nullopt, u"com.pathless"_qs),
            info(u"Self"_qs, u"/a/Self.app"_qs, u"com.self"_qs),
            info(u"Anon"_qs, u"/a/Anon.app"_qs),
            info(u"Aardvark"_qs, u"/a/Editor.app"_qs, u"com.other"_qs), // same path: the first one wins
            info(u"Beta helper"_qs, u"/a/Beta.app"_qs, u"com.beta.helper"_qs, false),
            info(u"Beta"_qs, u"/a/Beta.app"_qs, u"com.beta"_qs), // a dropped helper does not hide it
            info(u"Editor"_qs, u"/b/Editor.app"_qs, u"com.editor2"_qs),
        };
        const auto kept = AppShortcut::candidates(list, u"com.self"_qs);
        QCOMPARE(names(kept), (QStringList{u"Anon"_qs, u"Beta"_qs, u"Editor"_qs, u"Editor"_qs}));
        QCOMPARE(kept[2], list[0]); // equal names keep their order
        QCOMPARE(kept[3], list[8]);
        QCOMPARE(names(AppShortcut::candidates(list, std::nullopt)),
                 (QStringList{u"Anon"_qs, u"Beta"_qs, u"Editor"_qs, u"Editor"_qs, u"Self"_qs}));
        QCOMPARE(names(AppShortcut::candidates(list, u"com.none"_qs)), names(AppShortcut::candidates(list, {})));

        // The running applications, by name without regard to case, digits by value.
        FakeWorkspace workspace;
        workspace.applications = {
            {u"Terminal"_qs, u"/usr/share/Terminal.app"_qs, u"org.term"_qs, true},
            {std::nullopt, u"/opt/My.Tool.app/"_qs, u"org.tool"_qs, true},
            {std::nullopt, std::nullopt, u"org.ghost"_qs, true},
            {u"Panedeck"_qs, u"/opt/Panedeck.app"_qs, u"dev.panedeck"_qs, true},
            {u"daemon"_qs, u"/usr/lib/daemon"_qs, std::nullopt, false},
            {u"App 10"_qs, u"/opt/a10"_qs, std::nullopt, true},
            {u"App 2"_qs, u"/opt/a2"_qs, std::nullopt, true},
            {u"app 1"_qs, u"/opt/a1"_qs, std::nullopt, true},
        };
        FakeBundle bundle;
        bundle.identifier = u"dev.panedeck"_qs;
        const QList<RunningAppInfo> expected{info(u"app 1"_qs, u"/opt/a1"_qs), info(u"App 2"_qs, u"/opt/a2"_qs),
                                             info(u"App 10"_qs, u"/opt/a10"_qs),
                                             info(u"My.Tool"_qs, u"/opt/My.Tool.app/"_qs, u"org.tool"_qs),
                                             info(u"Terminal"_qs, u"/usr/share/Terminal.app"_qs, u"org.term"_qs)};
        QVERIFY(AppShortcut::runningCandidates(workspace, bundle) == expected);

        bundle.identifier.reset();
        QVERIFY(names(AppShortcut::runningCandidates(workspace, bundle)).contains(u"Panedeck"_qs));
    }

    void payloads()
    {
        const QUuid id(u"{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"_qs);
        QCOMPARE(DragPayload::window(id).string(), u"window:6BA7B810-9DAD-11D1-80B4-00C04FD430C8"_qs);
        QCOMPARE(DragPayload::slot(7).string(), u"slot:7"_qs);

        QList<DragPayload> payloads{
            DragPayload::window(QUuid()),
            DragPayload::window(QUuid::fromString(u"ffffffff-ffff-ffff-ffff-ffffffffffff"_qs))};
        for (int slot = 1; slot <= 9; ++slot)
            payloads.append(DragPayload::slot(slot));
        for (const DragPayload& payload : payloads)
            QCOMPARE(describe(DragPayload::parse(payload.string())), payload.string());

        const QString upper = u"6BA7B810-9DAD-11D1-80B4-00C04FD430C8"_qs, absent = u"absent"_qs;
        const QList<std::pair<QString, QString>> rows{
            {u"slot:1"_qs, u"slot:1"_qs}, {u"slot:+3"_qs, u"slot:3"_qs}, {u"slot:09"_qs, u"slot:9"_qs},
            {u"slot:0"_qs, absent}, {u"slot:10"_qs, absent}, {u"slot:-1"_qs, absent}, {u"slot:x"_qs, absent},
            {u"slot: 3"_qs, absent}, {u"slot:3 "_qs, absent}, {u"slot:\u0663"_qs, absent}, // an Arabic-Indic digit
            {u"window:"_qs + upper.toLower(), u"window:"_qs + upper}, {u"Window:"_qs + upper, absent},
            {u"window:{"_qs + upper + u'}', absent}, {u"window:"_qs + upper.chopped(1), absent},
            {u"window:6BA7B810-9DAD-11D1-80B4-00C04FD430CG"_qs, absent}, {u"window:slot:3"_qs, absent},
            {QString(), absent}};
        QStringList parsed, expected; // "text -> payload"
        for (const auto& [text, payload] : rows) {
            parsed.append(text + u" -> "_qs + describe(DragPayload::parse(text)));
            expected.append(text + u" -> "_qs + payload);
        }
        QCOMPARE(parsed, expected);
    }

    void domains()
    {
        QCOMPARE(URLUtil::domain(u"https://WWW.Example.COM/x"_qs), u"example.com"_qs);
        QCOMPARE(URLUtil::domain(u"https://www.www.a.com"_qs), u"www.a.com"_qs); // one www only
        QCOMPARE(URLUtil::domain(u"https://www."_qs), u""_qs);
        for (const char* address : {"", "example.com", "http://exa mple.com/"})
            QVERIFY2(!URLUtil::domain(QString::fromUtf8(address)), address);
        // The quick scan of common addresses is checked against the full parser by the texts fuzzer.
    }

    void unassignedFolder()
    {
        using enum WindowKind;
        const auto folder = [](WindowKind kind, Expected projectName, Expected folderPath) {
            const QStringList open{u"/w/p"_qs, u"/a/twin"_qs, u"/b/twin"_qs, u"/w/Caf\u00e9"_qs};
            return UnassignedFolder::path(AppWindow(kind, u"title"_qs, projectName, folderPath), open);
        };
        QCOMPARE(folder(vscode, u"p"_qs, none), u"/w/p"_qs);
        QCOMPARE(folder(vscode, u"twin"_qs, none), none); // ambiguous
        QCOMPARE(folder(vscode, none, u"/w/p"_qs), none); // editors go by their project's name only
        QCOMPARE(folder(terminal, u"p"_qs, u"  /home/u/p "_qs), u"/home/u/p"_qs);
        QCOMPARE(folder(terminal, none, u"   "_qs), none);
        QCOMPARE(folder(safari, u"p"_qs, u"https://example.com"_qs), none);
    }
};

QTEST_GUILESS_MAIN(LayoutTest)
#include "tst_layout.moc"
