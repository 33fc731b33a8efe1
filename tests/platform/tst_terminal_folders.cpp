#include "TestFiles.h"
#include "platform/linux/TerminalFolders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 ptyA = (136u << 8) | 3;  // /dev/pts/3
constexpr quint32 ptyB = (137u << 8) | 1;  // /dev/pts/257
constexpr quint32 console = (4u << 8) | 1; // /dev/tty1

// One process of a fake /proc tree: its terminal, its working folder and its children; the name in its stat
// line holding blanks and parentheses as real ones may.
struct Process {
    qint64 pid;
    quint32 terminal;
    QString folder; // empty: no cwd link (unreadable)
    QList<qint64> children;
};

using TestFiles::write;

void build(const QString& root, const QList<Process>& processes)
{
    for (const Process& p : processes) {
        const QString dir = root + u'/' + QString::number(p.pid);
        write(dir + u"/stat"_s, QByteArray::number(p.pid) + " (a (b) c) S 1 1 1 " +
                                    QByteArray::number(p.terminal) + " 0 4194560 1 0 0 0 0 0 20 0 1 0\n");
        QByteArray children;
        for (const qint64 child : p.children)
            children += QByteArray::number(child) + ' ';
        write(dir + u"/task/"_s + QString::number(p.pid) + u"/children"_s, children);
        if (!p.folder.isEmpty()) {
            QDir().mkpath(root + u"/folders"_s + p.folder);
            QVERIFY(QFile::link(root + u"/folders"_s + p.folder, dir + u"/cwd"_s));
        }
    }
}

} // namespace

// Where a terminal window's shell works, from a fake /proc tree, and from window titles.
class TerminalFoldersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sessions_data()
    {
        QTest::addColumn<QList<Process>>("processes");
        QTest::addColumn<QString>("folder"); // below the tree's folders; empty: absent
        const Process emulator{100, 0, u"/home"_s, {101}};
        QTest::newRow("a job in a subfolder: the shell counts")
            << QList<Process>{emulator, {101, ptyA, u"/w/a"_s, {105}}, {105, ptyA, u"/w/a/sub"_s, {}}}
            << u"/w/a"_s;
        QTest::newRow("ids that wrapped: the smallest id on the terminal")
            << QList<Process>{{100, 0, u"/home"_s, {500}},
                              {500, ptyA, u"/w/late"_s, {120}},
                              {120, ptyA, u"/w/early"_s, {}}}
            << u"/w/early"_s;
        QTest::newRow("a descendant on another terminal is not the session's")
            << QList<Process>{emulator, {101, ptyA, u"/w/a"_s, {90}}, {90, ptyB, u"/w/x"_s, {}}} << u"/w/a"_s;
        QTest::newRow("a helper without a terminal is no session")
            << QList<Process>{{100, 0, u"/home"_s, {101, 102}},
                              {101, 0, u"/w/helper"_s, {}},
                              {102, ptyA, u"/w/a"_s, {}}}
            << u"/w/a"_s;
        QTest::newRow("two sessions in one process") << QList<Process>{{100, 0, u"/home"_s, {101, 102}},
                                                                       {101, ptyA, u"/w/a"_s, {}},
                                                                       {102, ptyB, u"/w/b"_s, {}}}
                                                     << QString();
        QTest::newRow("a console is no pseudo-terminal")
            << QList<Process>{emulator, {101, console, u"/w/a"_s, {}}} << QString();
        QTest::newRow("the shell vanished") << QList<Process>{emulator} << QString();
        QTest::newRow("its folder unreadable")
            << QList<Process>{emulator, {101, ptyA, QString(), {}}} << QString();
        QTest::newRow("no children") << QList<Process>{{100, 0, u"/home"_s, {}}} << QString();
    }
    void sessions()
    {
        QFETCH(QList<Process>, processes);
        QFETCH(QString, folder);
        QTemporaryDir root;
        build(root.path(), processes);
        const auto found = TerminalFolders::ofSession(root.path(), 100);
        QCOMPARE(found,
                 folder.isEmpty() ? std::nullopt : std::optional(root.path() + u"/folders"_s + folder));
    }

    void titles_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("folder"); // empty: absent
        QTest::newRow("user@host: ~/path") << u"me@box: ~/src/app"_s << u"/home/me/src/app"_s;
        QTest::newRow("user@host:/path") << u"me@box:/etc/nginx/"_s << u"/etc/nginx"_s;
        QTest::newRow("~/path") << u"~/src/a b"_s << u"/home/me/src/a b"_s;
        QTest::newRow("~ alone") << u"~"_s << u"/home/me"_s;
        QTest::newRow("absolute, Unicode") << u"/srv/日本語/../プロジェクト"_s << u"/srv/プロジェクト"_s;
        QTest::newRow("another user's home") << u"~root/x"_s << QString();
        QTest::newRow("a program") << u"vim notes.txt"_s << QString();
        QTest::newRow("a relative folder") << u"me@box: build"_s << QString();
        QTest::newRow("empty") << QString() << QString();
    }
    void titles()
    {
        QFETCH(QString, title);
        QFETCH(QString, folder);
        QCOMPARE(TerminalFolders::fromTitle(title, u"/home/me"_s),
                 folder.isEmpty() ? std::nullopt : std::optional(folder));
    }

    void sessionFirstTitleForSharedProcesses()
    {
        QTemporaryDir root;
        build(root.path(), {{100, 0, u"/home"_s, {101}}, {101, ptyA, u"/w/a"_s, {}}});
        const QString session = root.path() + u"/folders/w/a"_s;
        const QString home = root.path() + u"/folders"_s; // with the folder w/a and the file w/a/file
        QVERIFY(write(session + u"/file"_s, {}));
        QCOMPARE(TerminalFolders::of(root.path(), 100, 1, u"me@box: ~/t"_s, home), session);
        // One process with two windows: only the titles tell them apart, and only a folder that
        // exists is one.
        QCOMPARE(TerminalFolders::of(root.path(), 100, 2, u"me@box: ~/w"_s, home), home + u"/w"_s);
        for (const QString& title : {u"htop"_s, u"me@box: ~/gone"_s, u"~/w/a/file"_s, u"~/w/a/file - vim"_s})
            QCOMPARE(TerminalFolders::of(root.path(), 100, 2, title, home), std::nullopt);
        QCOMPARE(TerminalFolders::of(root.path(), 999, 1, u"/x-not-there"_s, home), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TerminalFoldersTest)
#include "tst_terminal_folders.moc"
