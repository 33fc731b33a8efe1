#include "core/windows/WorkspaceHistory.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using Expected = std::optional<QString>;
Q_DECLARE_METATYPE(Expected)

// The editor's storage.json as it really looks, as older and newer editors wrote it, and as a
// half-written or foreign file looks.
class WorkspaceHistoryTest : public QObject {
    Q_OBJECT

    // JSON written with single quotes, which keeps the rows readable.
    static QByteArray json(const char* text) { return QByteArray(text).replace('\'', '"'); }
    static QByteArray storage(const char* opened, const char* last = "null")
    {
        return json("{'theme':'dark','windowsState':{'openedWindows':") + json(opened) +
               json(",'lastActiveWindow':") + json(last) + "}}";
    }

private Q_SLOTS:
    void openFolderPaths_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("expected");
        const QStringList none;

        QTest::newRow("missing file") << QByteArray() << none;
        QTest::newRow("not JSON") << QByteArray("storage.json") << none;
        QTest::newRow("top-level array") << json("[{'windowsState':{}}]") << none;
        QTest::newRow("openedWindows is an object") << storage("{'folder':'file:///a'}") << none;
        QTest::newRow("opened, then last active")
            << storage("[{'folder':'file:///w/a'},{'folder':'file:///w/b'}]", "{'folder':'file:///w/c'}")
            << QStringList{u"/w/a"_qs, u"/w/b"_qs, u"/w/c"_qs};
        QTest::newRow("same folder twice and last active on it")
            << storage("[{'folder':'file:///w/a'},{'folder':'file:///w/a'}]", "{'folder':'file:///w/a'}")
            << QStringList{u"/w/a"_qs};
        QTest::newRow("a number in the array skips the array")
            << storage("[{'folder':'file:///w/a'},3]", "{'folder':'file:///w/c'}") << QStringList{u"/w/c"_qs};
        QTest::newRow("windows without a folder text")
            << storage("[{'folder':5},{'workspace':{'id':'x'}},{},{'folder':null},{'folder':'file:///w/b'}]")
            << QStringList{u"/w/b"_qs};
        QTest::newRow("remote windows")
            << storage("[{'folder':'vscode-remote://ssh-remote+box/home/x'},{'folder':'file:///w/a'}]",
                       "{'folder':'vscode-remote://ssh-remote+box/home/y'}")
            << QStringList{u"/w/a"_qs};
        QTest::newRow("percent-escaped space")
            << storage("[{'folder':'file:///home/u/My%20Project'}]") << QStringList{u"/home/u/My Project"_qs};
        QTest::newRow("trailing slashes")
            << storage("[{'folder':'file:///home/u/p/'}]", "{'folder':'file:///home/u/p//'}")
            << QStringList{u"/home/u/p"_qs};
        QTest::newRow("composed and decomposed spellings are one folder")
            << storage("[{'folder':'file:///home/u/Caf%C3%A9'},{'folder':'file:///home/u/Cafe%CC%81'}]")
            << QStringList{u"/home/u/Caf\u00e9"_qs};
    }

    void openFolderPaths()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, expected);
        QCOMPARE(WorkspaceHistory::openFolderPaths(json), expected);
    }

    void hostileInput()
    {
        // A file cut off anywhere while the editor writes it.
        const QByteArray full =
            storage("[{'folder':'file:///w/a'},{'folder':'file:///w/b'}]", "{'folder':'file:///w/c'}");
        for (qsizetype n = 0; n < full.size(); ++n)
            QVERIFY(WorkspaceHistory::openFolderPaths(full.left(n)).isEmpty());

        QRandomGenerator random(42);
        for (int round = 0; round < 50; ++round) {
            QByteArray bytes(random.bounded(1, 200), Qt::Uninitialized);
            for (char& c : bytes)
                c = char(random.bounded(256));
            QVERIFY(WorkspaceHistory::openFolderPaths(bytes).isEmpty());
        }

        QByteArray many = "[";
        for (int i = 0; i < 5000; ++i)
            many += "{'folder':'file:///w/a'},";
        many += "{'folder':'file:///w/b'}]";
        QCOMPARE(WorkspaceHistory::openFolderPaths(storage(many.constData())),
                 (QStringList{u"/w/a"_qs, u"/w/b"_qs}));
    }

    void resolvePath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<Expected>("expected");
        const Expected none;

        QTest::newRow("one match") << u"p"_qs << QStringList{u"/w/q"_qs, u"/w/p"_qs} << Expected(u"/w/p"_qs);
        QTest::newRow("two with the same name") << u"p"_qs << QStringList{u"/a/p"_qs, u"/b/p"_qs} << none;
        QTest::newRow("one of them closed") << u"p"_qs << QStringList{u"/b/p"_qs} << Expected(u"/b/p"_qs);
        QTest::newRow("decomposed name, composed path")
            << u"Cafe\u0301"_qs << QStringList{u"/w/Caf\u00e9"_qs} << Expected(u"/w/Caf\u00e9"_qs);
        QTest::newRow("whole last component only")
            << u"p"_qs << QStringList{u"/w/xp"_qs, u"/w/p/x"_qs, u"/w/p x"_qs} << none;
    }

    void resolvePath()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, paths);
        QFETCH(Expected, expected);
        QCOMPARE(WorkspaceHistory::resolvePath(name, paths), expected);
    }

    void defaultStorageURL()
    {
        QTemporaryDir config;
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        QCOMPARE(WorkspaceHistory::defaultStorageURL(),
                 config.path() + u"/Code/User/globalStorage/storage.json"_qs);
    }
};

QTEST_GUILESS_MAIN(WorkspaceHistoryTest)
#include "tst_workspacehistory.moc"
