#include "FakePlatform.h"
#include "TestFiles.h"
#include "core/shell/AppSupportDirectory.h"
#include "core/shell/AppVersion.h"
#include "core/shell/SingleInstance.h"
#include "core/shell/UserGuide.h"
#include "core/shell/XSettings.h"
#include "core/text/BoundedFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <latch>
#include <sys/stat.h>
#include <thread>

using Expected = std::optional<QString>;
Q_DECLARE_METATYPE(Expected)

namespace {

using TestFiles::write;

// Every entry below `root` by relative path, with file contents.
QMap<QString, QByteArray> tree(const QString& root)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        const bool isFile = it.fileInfo().isFile() && file.open(QIODevice::ReadOnly);
        entries.insert(QDir(root).relativeFilePath(path), isFile ? file.readAll() : QByteArray("<folder>"));
    }
    return entries;
}

// An _XSETTINGS_SETTINGS property as a settings manager writes it, in the given byte order.
struct Property {
    bool big;
    QByteArray bytes;
    Property(char order, quint32 count) : big(order == 1 || order == 'B')
    {
        bytes.append(order).append(3, '\0');
        card(4, 9).card(4, count);
    }
    Property& card(int size, quint64 value)
    {
        for (int i = 0; i < size; ++i)
            bytes.append(char(value >> 8 * (big ? size - 1 - i : i)));
        return *this;
    }
    Property& text(int lengthSize, const QByteArray& text)
    {
        card(lengthSize, quint64(text.size())).bytes.append(text).append((4 - text.size() % 4) % 4, '\0');
        return *this;
    }
    Property& setting(quint8 type, const char* name)
    {
        return card(1, type).card(1, 0).text(2, name).card(4, 1);
    }
    Property& integer(const char* name, quint32 value) { return setting(0, name).card(4, value); }
};

} // namespace

// The version text, the support folder and its one-time move from the earlier name, and the guide.
class SupportTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Whatever stands where a file is expected, the read ends at once: a regular file of valid UTF-8
    // up to the cap, or nothing.
    void boundedReads()
    {
        QTemporaryDir dir;
        const auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
        write(at("plain"), "caf\xc3\xa9");
        write(at("full"), QByteArray(100, 'x'));
        write(at("over"), QByteArray(101, 'x'));
        write(at("latin1"), "caf\xe9");
        write(at("empty"), "");
        QCOMPARE(::mkfifo(QFile::encodeName(at("pipe")).constData(), 0600), 0);
        QVERIFY(QFile::link(u"/dev/zero"_qs, at("zeros")));
        QVERIFY(QDir().mkdir(at("folder")));
        QCOMPARE(BoundedFile::read(at("plain"), 100), QByteArray("caf\xc3\xa9"));
        QCOMPARE(BoundedFile::read(at("full"), 100), QByteArray(100, 'x'));
        QCOMPARE(BoundedFile::read(at("empty"), 100), QByteArray(""));
        for (const char* unreadable : {"over", "latin1", "pipe", "zeros", "folder", "missing"})
            QVERIFY2(!BoundedFile::read(at(unreadable), 100), unreadable);
    }

    void xsettings_data()
    {
        QTest::addColumn<QByteArray>("property");
        QTest::addColumn<bool>("reduced");
        const char *gtk = "Gtk/EnableAnimations", *net = "Net/EnableAnimations";
        QTest::newRow("LSBFirst, Gtk off") << Property(0, 1).integer(gtk, 0).bytes << true;
        QTest::newRow("MSBFirst, Net off") << Property(1, 1).integer(net, 0).bytes << true;
        QTest::newRow("'l', on") << Property('l', 1).integer(gtk, 1).bytes << false;
        QTest::newRow("'B', one off") << Property('B', 2).integer(net, 1).integer(gtk, 0).bytes << true;
        const Property theme = Property(0, 3).setting(1, "Net/ThemeName").text(4, "Adwaita");
        QTest::newRow("after a string and a colour")
            << Property(theme).setting(2, "Gtk/Colour").card(8, ~0ull).integer(gtk, 0).bytes << true;
        QTest::newRow("another name") << Property(0, 1).integer("Gtk/EnableAnimationsX", 0).bytes << false;
        QTest::newRow("cut short") << Property(0, 1).integer(gtk, 0).bytes.chopped(1) << false;
        QTest::newRow("fewer than announced") << Property(0, 2).integer(gtk, 0).bytes << false;
        QTest::newRow("string past the end")
            << Property(0, 2).setting(1, "Net/ThemeName").card(4, 0xffffffff).integer(gtk, 0).bytes << false;
        QTest::newRow("unknown type") << Property(0, 1).setting(3, gtk).card(4, 0).bytes << false;
        QTest::newRow("unknown byte order") << Property('b', 1).integer(gtk, 0).bytes << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void xsettings()
    {
        QFETCH(QByteArray, property);
        QFETCH(bool, reduced);
        QCOMPARE(XSettings::reducedMotion(property), reduced);
    }
    void xsettingsSelection()
    {
        QCOMPARE(XSettings::selection(":0"), QByteArray("_XSETTINGS_S0"));
        QCOMPARE(XSettings::selection("tcp/[::1]:10.2"), QByteArray("_XSETTINGS_S2"));
        QCOMPARE(XSettings::selection(":1.x"), QByteArray("_XSETTINGS_S0"));
    }

    void displayString_data()
    {
        QTest::addColumn<Expected>("shortVersion");
        QTest::addColumn<Expected>("build");
        QTest::addColumn<Expected>("date");
        QTest::addColumn<QString>("expected");
        const Expected none;
        const auto E = [](const char16_t* s) { return Expected(QString::fromUtf16(s)); };
        QTest::newRow("nothing") << none << E(u"5") << E(u"2025-06-01") << u"開発ビルド"_qs;
        QTest::newRow("blank version") << E(u" \t ") << none << none << u"開発ビルド"_qs;
        QTest::newRow("trimmed, empty date") << E(u" 2.0 ") << none << E(u"") << u"v2.0"_qs;
        QTest::newRow("build, no date") << E(u"2.0") << E(u" 5 ") << none << u"v2.0 (5)"_qs;
        QTest::newRow("everything") << E(u"1.4.0") << E(u"37") << E(u"2025-06-01")
                                    << u"v1.4.0 (37) · 2025-06-01"_qs;
        QTest::newRow("line breaks are not trimmed") << E(u"2.0\n") << E(u"\n") << none << u"v2.0\n (\n)"_qs;
    }
    void displayString()
    {
        QFETCH(Expected, shortVersion);
        QFETCH(Expected, build);
        QFETCH(Expected, date);
        QFETCH(QString, expected);
        QCOMPARE(AppVersion::displayString(shortVersion, build, date), expected);
    }

    void currentUsesTextValuesOnly()
    {
        FakeBundle bundle;
        bundle.info = {{u"CFBundleShortVersionString"_qs, u"1.4.0"_qs},
                       {u"CFBundleVersion"_qs, 37},
                       {u"KivBuildDate"_qs, u"2025-06-01"_qs}};
        QCOMPARE(AppVersion::current(bundle), u"v1.4.0 · 2025-06-01"_qs);
        bundle.info.insert(u"CFBundleShortVersionString"_qs, 1.4);
        QCOMPARE(AppVersion::current(bundle), u"開発ビルド"_qs);
    }

    void resolve()
    {
        QTemporaryDir base;
        const QString support = base.filePath(u"Panedeck"_qs);
        QCOMPARE(AppSupportDirectory::resolve(base.path()), support); // neither folder: nothing created
        QVERIFY(tree(base.path()).isEmpty());

        const QString earlier = base.filePath(u"Quaypane"_qs);
        write(earlier + u"/layout.json"_qs, "{}");
        write(earlier + u"/.hidden"_qs, "h");
        write(earlier + u"/agent-state/deep/s.state"_qs, QByteArray("\0\1\xff", 3));
        const auto before = tree(earlier);
        QCOMPARE(AppSupportDirectory::resolve(base.path()), support);
        QCOMPARE(tree(support), before);
        QCOMPARE(tree(earlier), before); // left in place

        write(earlier + u"/new.txt"_qs, "later"); // both exist: nothing is copied again
        AppSupportDirectory::resolve(base.path());
        QVERIFY(!QFile::exists(support + u"/new.txt"_qs));
    }

    void defaultPathOnceUnderConcurrentFirstUse()
    {
        // The only use of defaultPath() in this program, so this really is the first one.
        QTemporaryDir data;
        for (int i = 0; i < 40; ++i)
            write(data.filePath(u"Quaypane/agent-state/%1.state"_qs.arg(i)), QByteArray::number(i));
        const auto before = tree(data.filePath(u"Quaypane"_qs));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));

        constexpr int threads = 8;
        std::latch start(threads);
        QString results[threads];
        std::vector<std::thread> workers;
        for (int i = 0; i < threads; ++i) {
            workers.emplace_back([&, i] {
                start.arrive_and_wait();
                results[i] = AppSupportDirectory::defaultPath();
            });
        }
        for (std::thread& worker : workers)
            worker.join();
        for (const QString& result : results)
            QCOMPARE(result, data.filePath(u"Panedeck"_qs));
        QCOMPARE(tree(data.filePath(u"Panedeck"_qs)), before);
    }

    void olderCopyStays()
    {
        const QDateTime t(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
        const auto quits = [](RunningInstance own, QList<RunningInstance> others) {
            return SingleInstance::shouldTerminate(own, others);
        };
        QVERIFY(!quits({500, t}, {}));
        QVERIFY(quits({500, t}, {{600, t.addSecs(-1)}}));
        QVERIFY(!quits({600, t.addSecs(-1)}, {{500, t}}));
        QVERIFY(quits({500, t}, {{400, t}})); // same launch: the lower process id stays
        QVERIFY(!quits({400, t}, {{500, t}}));
        QVERIFY(!quits({400, t}, {{400, t}})); // a full tie never quits
        QVERIFY(quits({500, std::nullopt}, {{400, std::nullopt}}));
        QVERIFY(quits({500, t}, {{600, t.addSecs(5)}, {700, t.addSecs(9)}, {800, t.addSecs(-9)}}));
        // One date unknown: exactly one of the two yields, by process id (never both).
        QVERIFY(quits({500, t}, {{400, std::nullopt}}));
        QVERIFY(!quits({400, std::nullopt}, {{500, t}}));
        QVERIFY(!quits({400, t}, {{500, std::nullopt}}));
        QVERIFY(quits({500, std::nullopt}, {{400, t}}));
    }

    void gatheringRunningCopies()
    {
        const QDateTime t(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
        FakeBundle bundle;
        FakeWorkspace workspace;
        workspace.processes[u"app.panedeck.Panedeck"_qs] = {{300, t.addSecs(-60)}, {42, t}};
        QVERIFY(!SingleInstance::shouldTerminateForRunningApplications(bundle, workspace, 42)); // no identity
        bundle.identifier = u"app.panedeck.Panedeck"_qs;
        QVERIFY(SingleInstance::shouldTerminateForRunningApplications(bundle, workspace, 42));
        QVERIFY(!SingleInstance::shouldTerminateForRunningApplications(bundle, workspace, 300));
    }

    void guide()
    {
        QTemporaryDir dir;
        const QString start = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        FakeBundle bundle;
        FakeWorkspace workspace;

        QTest::ignoreMessage(QtInfoMsg, "User guide not found: Panedeck-Guide.html");
        QVERIFY(!UserGuide::open(bundle, workspace));
        QVERIFY(workspace.opened.isEmpty());

        write(dir.filePath(u"docs/Panedeck-Guide.html"_qs), "<html></html>");
        const QString beside = QDir::currentPath() + u"/docs/Panedeck-Guide.html"_qs;
        QCOMPARE(UserGuide::guideURL(bundle, QDir::currentPath()), beside);
        workspace.openResult = false;
        QVERIFY(!UserGuide::open(bundle, workspace)); // the workspace's answer is passed on
        QCOMPARE(workspace.opened, QStringList{beside});

        bundle.guide = u"/bundle/Resources/Panedeck-Guide.html"_qs; // the bundled copy wins
        QCOMPARE(UserGuide::guideURL(bundle, dir.path()), bundle.guide);
        QVERIFY(QDir::setCurrent(start));
    }
};

QTEST_GUILESS_MAIN(SupportTest)
#include "tst_support.moc"
