#include "core/layout/ProjectMemory.h"
#include "core/text/Paths.h"

#include <QDir>
#include <QTest>

// Which project a memo belongs to, what is remembered, and what comes back.
class ProjectMemoryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pathSpellings_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("normalized");
        const QString home = QDir::homePath();
        QTest::newRow("plain") << u"/a/b"_qs << u"/a/b"_qs;
        QTest::newRow("trailing slashes") << u"/a/b//"_qs << u"/a/b"_qs;
        QTest::newRow("repeated slashes") << u"//a///b"_qs << u"/a/b"_qs;
        QTest::newRow("dot components") << u"/a/./b/."_qs << u"/a/b"_qs;
        QTest::newRow("dot-dot") << u"/a/x/../b"_qs << u"/a/b"_qs;
        QTest::newRow("dot-dot above root") << u"/../../a"_qs << u"/a"_qs;
        QTest::newRow("tilde") << u"~/src/"_qs << home + u"/src"_qs;
        QTest::newRow("tilde alone") << u"~"_qs << home;
        QTest::newRow("tilde inside stays") << u"/a/~/b"_qs << u"/a/~/b"_qs;
        QTest::newRow("root") << u"/"_qs << u"/"_qs;
        QTest::newRow("relative keeps dot-dot") << u"a/../b/"_qs << u"a/../b"_qs;
        QTest::newRow("non-ASCII kept as written")
            << u"/プロジェクト/cafe\u0301/"_qs << u"/プロジェクト/cafe\u0301"_qs;
    }
    void pathSpellings()
    {
        QFETCH(QString, path);
        QFETCH(QString, normalized);
        QCOMPARE(Paths::normalized(path), normalized);
    }

    void keys()
    {
        QCOMPARE(ProjectMemory::key(SlotEntry{u"n"_qs, u"  /a/./b/ "_qs}), u"path:/a/b"_qs);
        QCOMPARE(ProjectMemory::key(SlotEntry{u"n"_qs, u"/a/b"_qs}),
                 ProjectMemory::key(SlotEntry{u"m"_qs, u"/a/b/"_qs}));
        QCOMPARE(ProjectMemory::key(SlotEntry{u"n"_qs, u" \n"_qs, u" https://x.dev "_qs}),
                 u"url:https://x.dev"_qs);
        QCOMPARE(ProjectMemory::key(SlotEntry{u" name "_qs, QString(), u"  "_qs}), u"name:name"_qs);
        QCOMPARE(ProjectMemory::key(SlotEntry{u" "_qs, u"\t"_qs, u""_qs}), std::nullopt);
    }

    void rememberingAndRestoring()
    {
        // Remembering without a colour stores "standard"; blank fields are left out.
        ProjectMemoryMap memory =
            ProjectMemory::remembering(SlotEntry{u" Web "_qs, u"/w"_qs, u"  "_qs}, ProjectMemoryMap{});
        QCOMPARE(memory.value(u"path:/w"_qs),
                 (ProjectMemo{u"Web"_qs, std::nullopt, u"standard"_qs, std::nullopt}));

        // The memo's name wins; a colourless entry gets the memo's colour.
        SlotEntry back = ProjectMemory::restoring(SlotEntry{u"w"_qs, u"/w/"_qs}, memory);
        QCOMPARE(back.name, u"Web"_qs);
        QCOMPARE(back.color, u"standard"_qs);
        QCOMPARE(back.path, u"/w/"_qs); // the path stays as the entry spelled it

        // Remembering again under the same key replaces the whole memo.
        const ServerEntry server{u"h:1"_qs, u"safari"_qs};
        memory = ProjectMemory::remembering(
            SlotEntry{u"A"_qs, u"/w"_qs, u"http://a"_qs, {}, server, u"rose"_qs}, memory);
        memory = ProjectMemory::remembering(SlotEntry{.name = u"B"_qs, .path = u"/w"_qs, .color = u"sand"_qs},
                                            memory);
        QCOMPARE(memory.size(), 1);
        QCOMPARE(memory.value(u"path:/w"_qs), (ProjectMemo{u"B"_qs, std::nullopt, u"sand"_qs, std::nullopt}));

        // The entry's own non-blank url, colour and server are kept; blank ones are filled in.
        memory = ProjectMemory::remembering(
            SlotEntry{u"A"_qs, u"/w"_qs, u"http://memo"_qs, {}, server, u"rose"_qs}, memory);
        const SlotEntry mine{
            u"x"_qs, u"/w"_qs, u"http://own"_qs, {}, ServerEntry{u"o:2"_qs, u"chrome"_qs}, u"mistBlue"_qs};
        const SlotEntry own = ProjectMemory::restoring(mine, memory);
        QCOMPARE(own.url, u"http://own"_qs);
        QCOMPARE(own.color, u"mistBlue"_qs);
        QCOMPARE(own.server->address, u"o:2"_qs);
        const SlotEntry filled = ProjectMemory::restoring(
            SlotEntry{.name = u"x"_qs, .path = u"/w"_qs, .url = u"   "_qs, .color = u" "_qs}, memory);
        QCOMPARE(filled.url, u"http://memo"_qs);
        QCOMPARE(filled.color, u"rose"_qs);
        QCOMPARE(filled.server, server);

        // Nothing to key on, or no memo: unchanged.
        const SlotEntry stranger = SlotEntry{u"s"_qs, u"/elsewhere"_qs};
        QCOMPARE(ProjectMemory::restoring(stranger, memory), stranger);
        QCOMPARE(ProjectMemory::remembering(SlotEntry{QString(), QString()}, memory), memory);
    }
};

QTEST_GUILESS_MAIN(ProjectMemoryTest)
#include "tst_projectmemory.moc"
