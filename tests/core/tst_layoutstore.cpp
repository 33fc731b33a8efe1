#include "TestFiles.h"
#include "core/layout/LayoutJson.h"
#include "core/layout/LayoutStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

using TestFiles::write;
const auto contents = TestFiles::read;

} // namespace

// Every change is on disk at once; no-ops write nothing; an unreadable file is never lost.
class LayoutStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString file;

    Layout onDisk() { return LayoutJson::decode(contents(file)).value_or(Layout{}); }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        file = dir->filePath(u"support/nested/layout.json"_qs);
    }

    void firstChangeCreatesFolderAndFile()
    {
        LayoutStore store(file);
        QCOMPARE(store.layout(), Layout::empty());
        QVERIFY(!QFile::exists(file));
        store.setLastTileCount(4);
        QCOMPARE(onDisk().lastTileCount, 4);
        QCOMPARE(LayoutStore(file).layout(), store.layout()); // a later run reads it back
    }

    void noOpsWriteNothing()
    {
        LayoutStore store(file);
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
        store.removeEntry(5); // removing from an empty slot still writes
        QVERIFY(QFile::exists(file));
    }

    void settings()
    {
        LayoutStore store(file);
        store.setPanelTheme(u"rose"_qs);
        store.setAgentStatusEnabled(true);
        store.setClaudeUsageEnabled(false);
        store.setTriggerSettings(false, u"space"_qs, 4);
        Layout saved = onDisk();
        QCOMPARE(saved.panelTheme, u"rose"_qs);
        QCOMPARE(saved.agentStatusEnabled, true);
        QCOMPARE(saved.claudeUsageEnabled, false);
        QCOMPARE(saved.hotkeyEnabled, false);
        QCOMPARE(saved.doubleTapKey, u"space"_qs);
        QCOMPARE(saved.tapCount, 2);
        QCOMPARE(saved.doubleTapShift, std::nullopt); // the older switch is never touched
        store.setTriggerSettings(true, u"shift"_qs, 3);
        QCOMPARE(onDisk().tapCount, 3);

        QList<ShortcutEntry> seven;
        for (int i = 0; i < 12; ++i)
            seven.append({QString::number(i), u"/f"_qs + QString::number(i)});
        store.setShortcuts(seven.mid(0, 7), {}, seven);
        saved = onDisk();
        QCOMPARE(saved.folderShortcuts->size(), 5);
        QCOMPARE(saved.folderShortcuts->last().name, u"4"_qs);
        QCOMPARE(saved.urlShortcuts, QList<ShortcutEntry>{}); // stored empty, not absent
        QVERIFY(contents(file).contains("\"urlShortcuts\" : []"));
        QCOMPARE(saved.appShortcuts->size(), 10);
    }

    void slotEdits()
    {
        LayoutStore store(file);
        SlotEntry terminal = SlotEntry{.name = u"shell"_qs, .path = u"/tmp"_qs, .color = u"sage"_qs};
        terminal.kind = u"terminal"_qs;
        terminal.matchKey = u"zsh"_qs;
        terminal.url = u"http://old"_qs;
        store.assign(terminal, 2);

        store.applySettings(2, u"Shell"_qs, u"/var"_qs, std::nullopt, u"rose"_qs,
                            ServerEntry{u"h:2"_qs, u"chrome"_qs});
        SlotEntry saved = *onDisk().entry(2);
        QCOMPARE(saved.name, u"Shell"_qs);
        QCOMPARE(saved.path, u"/var"_qs);
        QCOMPARE(saved.url, std::nullopt); // an absent argument clears the field
        QCOMPARE(saved.kind, u"terminal"_qs);
        QCOMPARE(saved.matchKey, u"zsh"_qs);

        store.updateEntry(2, u"S"_qs, u"http://new"_qs, std::nullopt);
        QCOMPARE(onDisk().entry(2)->path, u"/var"_qs); // no path given: kept
        store.updateEntry(2, u"S"_qs, std::nullopt, u"/opt"_qs);
        QCOMPARE(onDisk().entry(2)->path, u"/opt"_qs);
        QCOMPARE(onDisk().entry(2)->url, std::nullopt);

        store.setServer(std::nullopt, 2);
        store.setColor(std::nullopt, 2);
        saved = *onDisk().entry(2);
        QCOMPARE(saved.server, std::nullopt);
        QCOMPARE(saved.color, std::nullopt);
    }

    void movingSwapsOrMoves()
    {
        LayoutStore store(file);
        store.assign(SlotEntry{u"A"_qs, u"/a"_qs}, 1);
        store.assign(SlotEntry{u"B"_qs, u"/b"_qs}, 2);
        store.moveEntry(1, 2);
        QCOMPARE(onDisk().entry(1)->name, u"B"_qs);
        QCOMPARE(onDisk().entry(2)->name, u"A"_qs);
        store.moveEntry(1, 5);
        QCOMPARE(onDisk().entry(1), std::nullopt);
        QCOMPARE(onDisk().entry(5)->name, u"B"_qs);
        QVERIFY(!onDisk().slots.contains(u"1"_qs));
    }

    void projectsComeBackWithTheirSettings()
    {
        LayoutStore store(file);
        SlotEntry api = SlotEntry{.name = u"API"_qs, .path = u"/src/api"_qs, .color = u"rose"_qs};
        api.server = ServerEntry{u"localhost:8080"_qs, u"safari"_qs};
        store.assign(api, 3);

        // Dropping another project on slot 3 remembers the displaced one, and the newcomer, having no
        // colour, takes the displaced colour.
        store.assign(SlotEntry{u"web"_qs, u"/src/web"_qs}, 3);
        Layout saved = onDisk();
        QCOMPARE(saved.entry(3)->name, u"web"_qs);
        QCOMPARE(saved.entry(3)->color, u"rose"_qs);
        QCOMPARE(saved.projectMemory->value(u"path:/src/api"_qs).server->address, u"localhost:8080"_qs);

        // Removing keeps a memo too, and the project returns with its name, colour and server.
        store.removeEntry(3);
        QCOMPARE(onDisk().projectMemory->value(u"path:/src/web"_qs).color, u"rose"_qs);
        store.assign(SlotEntry{u"api"_qs, u"/src/api/"_qs}, 7);
        const SlotEntry back = *onDisk().entry(7);
        QCOMPARE(back.name, u"API"_qs);
        QCOMPARE(back.color, u"rose"_qs);
        QCOMPARE(back.server->address, u"localhost:8080"_qs);
        // Renamed, then dropped onto its own slot: the displaced self is remembered first and comes back.
        store.updateEntry(7, u"Renamed"_qs, std::nullopt, std::nullopt);
        store.assign(SlotEntry{u"api"_qs, u"/src/api"_qs}, 7);
        QCOMPARE(onDisk().entry(7)->name, u"Renamed"_qs);
    }

    void unreadableFileIsKeptBeforeTheFirstSave()
    {
        QDir().mkpath(QFileInfo(file).path());
        const QByteArray handEdited =
            R"({"slots": {"1": {"name": "mine", "path": "/m"}}, "hotkey": {"keyCode": 9,}})";
        write(file, handEdited);

        LayoutStore store(file);
        QCOMPARE(store.layout(), Layout::empty());
        QCOMPARE(contents(file), handEdited); // reading alone changes nothing
        QTest::ignoreMessage(
            QtInfoMsg,
            QRegularExpression(
                u"^LayoutStore: kept the unreadable layout file as .*/layout\\.json\\.unreadable-\\d{8}T\\d{6}Z$"_qs));
        store.setLastTileCount(2);
        const QStringList kept = QDir(QFileInfo(file).path()).entryList({u"layout.json.unreadable-*"_qs});
        QCOMPARE(kept.size(), 1);
        const QString keptPath = QFileInfo(file).path() + u'/' + kept.first();
        QCOMPARE(contents(keptPath), handEdited);
        QCOMPARE(onDisk().lastTileCount, 2);

        // The next save does not keep anything again, and a readable file is never kept.
        store.setLastTileCount(3);
        LayoutStore(file).setLastTileCount(4);
        QCOMPARE(QDir(QFileInfo(file).path()).entryList({u"layout.json.unreadable-*"_qs}).size(), 1);

        // A later run that finds another broken file keeps it beside the first, which stays as it was.
        write(file, "not json");
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^LayoutStore: kept the unreadable"_qs));
        LayoutStore(file).setLastTileCount(5);
        const QStringList both = QDir(QFileInfo(file).path()).entryList({u"layout.json.unreadable-*"_qs});
        QCOMPARE(both.size(), 2);
        QCOMPARE(contents(keptPath), handEdited);
        QCOMPARE(onDisk().lastTileCount, 5);
    }

    // A pipe or a device in the file's place is unreadable: start-up goes on at once with the empty
    // layout, and the first save keeps it aside like any unreadable file.
    void specialFilesAreUnreadable()
    {
        QDir().mkpath(QFileInfo(file).path());
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        LayoutStore store(file);
        QCOMPARE(store.layout(), Layout::empty());
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^LayoutStore: kept the unreadable"_qs));
        store.setLastTileCount(2);
        QCOMPARE(onDisk().lastTileCount, 2);

        QVERIFY(QFile::remove(file) && QFile::link(u"/dev/zero"_qs, file));
        QCOMPARE(LayoutStore(file).layout(), Layout::empty());
    }

    // Temporary files of saves killed half-way are swept at start once they are a minute old; no
    // other name, and nothing but a regular file, is ever touched.
    void leftoverSavesAreSwept_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("swept");
        const QString ours = u".layout.json.panedeck-save-a1b2c3d4e5f6"_qs;
        QTest::newRow("ours") << ours << u"file"_qs << true;
        QTest::newRow("ours, recent") << ours << u"recent file"_qs << false;
        QTest::newRow("ours, a folder") << ours << u"folder"_qs << false;
        QTest::newRow("ours, a link") << ours << u"link"_qs << false;
        QTest::newRow("capitals") << u".layout.json.panedeck-save-A1B2C3D4E5F6"_qs << u"file"_qs << false;
        QTest::newRow("short tail") << u".layout.json.panedeck-save-a1b2c3"_qs << u"file"_qs << false;
        QTest::newRow("suffix") << ours + u".bak"_qs << u"file"_qs << false;
        QTest::newRow("not hidden") << u"layout.json.panedeck-save-a1b2c3d4e5f6"_qs << u"file"_qs << false;
        QTest::newRow("other file's") << u".other.json.panedeck-save-a1b2c3d4e5f6"_qs << u"file"_qs << false;
        QTest::newRow("backup") << u"layout.json.backup"_qs << u"file"_qs << false;
        QTest::newRow("old123") << u"layout.json.old123"_qs << u"file"_qs << false;
        QTest::newRow("BACKUP") << u"layout.json.BACKUP"_qs << u"file"_qs << false;
        QTest::newRow("six letters") << u"layout.json.a1B2c3"_qs << u"file"_qs << false;
        QTest::newRow("kept") << u"layout.json.unreadable-20240101T000000Z"_qs << u"file"_qs << false;
    }
    void leftoverSavesAreSwept()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(bool, swept);
        const QString folder = QFileInfo(file).path(), path = folder + u'/' + name;
        QDir().mkpath(folder);
        write(folder + u"/target"_qs, "{");
        if (kind == u"folder"_qs)
            QVERIFY(QDir().mkdir(path));
        else if (kind == u"link"_qs)
            QVERIFY(QFile::link(folder + u"/target"_qs, path));
        else
            write(path, "{");
        const timespec old[2] = {{::time(nullptr) - 61, 0}, {::time(nullptr) - 61, 0}};
        for (const QString& aged : {path, folder + u"/target"_qs})
            QVERIFY(kind == u"recent file"_qs || ::utimensat(AT_FDCWD, QFile::encodeName(aged).constData(),
                                                             old, AT_SYMLINK_NOFOLLOW) == 0);
        LayoutStore store(file);
        QCOMPARE(!QFileInfo(path).exists() && !QFileInfo(path).isSymLink(), swept);
        QVERIFY(QFile::exists(folder + u"/target"_qs));
    }

    // A save the disk cannot take whole leaves the file as it was, nothing beside it, and names the
    // cause. Files may grow no larger than `limit` bytes here, as on a full disk.
    void failedWriteNamesItsCause_data()
    {
        QTest::addColumn<int>("limit");
        QTest::newRow("nothing written") << 0;
        QTest::newRow("cut short") << 100;
    }
    void failedWriteNamesItsCause()
    {
        QFETCH(int, limit);
        LayoutStore store(file);
        store.setPanelTheme(u"sand"_qs);
        const QByteArray before = contents(file);
        ::signal(SIGXFSZ, SIG_IGN);
        struct Restore {
            rlimit saved{};
            ~Restore() { ::setrlimit(RLIMIT_FSIZE, &saved); }
        } restore;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &restore.saved), 0);
        rlimit small = restore.saved;
        small.rlim_cur = rlim_t(limit);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QTest::ignoreMessage(
            QtInfoMsg, QRegularExpression(
                           u"^LayoutStore save failed: cannot write .*/layout\\.json: File too large$"_qs));
        store.setPanelTheme(QString(1000, u'x'));
        QCOMPARE(contents(file), before);
        QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"layout.json"_qs});
    }

    void failedSaveKeepsTheChangeInMemory()
    {
        // The folder cannot be created: a plain file stands where it should be.
        write(dir->filePath(u"support"_qs), "in the way");
        LayoutStore store(file);
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression(u"^LayoutStore save failed: "_qs));
        store.setPanelTheme(u"sand"_qs);
        QCOMPARE(store.layout().panelTheme, u"sand"_qs);
        QVERIFY(!QFile::exists(file));
    }
};

QTEST_GUILESS_MAIN(LayoutStoreTest)
#include "tst_layoutstore.moc"
