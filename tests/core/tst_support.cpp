#include "FakeDesktop.h"
#include "FakePlatform.h"
#include "FakeProcesses.h"
#include "TestFiles.h"
#include "core/shell/AppSupportDirectory.h"
#include "core/shell/AppVersion.h"
#include "core/shell/CommandLine.h"
#include "core/shell/SingleInstance.h"
#include "core/shell/UserGuide.h"
#include "core/shell/XSettings.h"
#include "core/text/BoundedFile.h"
#include "core/windows/WindowDiscovery.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <latch>
#include <sys/stat.h>
#include <thread>

using Expected = std::optional<QString>;

namespace {
using TestFiles::write;

// Every entry below `root` by relative path, with file contents.
QMap<QString, QByteArray> tree(const QString& root)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
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

const QString usage = u"usage: panedeck [command]\n"
                      u"  (none)                  run the resident application (the panel)\n"
                      u"  toggle                  show the running copy's panel, or hide it\n"
                      u"  list-windows            list the editor windows\n"
                      u"  raise <projectName>     bring a project's editor window forward\n"
                      u"  open-finder <folder>    show a folder in the file manager\n"
                      u"  list-terminals          list the terminal windows\n"
                      u"  list-safari             list the browser windows\n"
                      u"  --help                  show this text\n"
                      u"  --version               show the version\n"_qs;
} // namespace

// The sub-command dispatcher: words, messages, statuses and what is raised; bounded file reads; the
// desktop's animation setting; the version text; the support folder and its one-time move from the
// earlier name; which running copy stays; and the guide.
class SupportTest : public QObject {
    Q_OBJECT

    FakeDesktop desktop;
    FakeSleeper sleeper;
    FakeProcesses processes;
    NoAppleScript appleScript;
    FakeWorkspace workspace;

    struct Outcome {
        int status;
        QString output;
        QString errors;
    };
    Outcome run(QStringList args)
    {
        args.prepend(u"/usr/bin/panedeck"_qs);
        QString text, errorText;
        QTextStream out(&text), err(&errorText);
        DesktopServices services{desktop, processes, appleScript, workspace, sleeper};
        const int status = CommandLine::run(args, services, out, err, u"0.1.0 (7) · 2026-12-07"_qs);
        return {status, text, errorText};
    }
    void addEditor(qint32 pid, const QStringList& titles)
    {
        QList<int> ids;
        for (const QString& title : titles)
            ids.append(desktop.addWindow({.title = title}));
        desktop.addApplication(WindowDiscovery::vscodeBundleID, pid, ids);
    }

private Q_SLOTS:
    void init()
    {
        desktop = FakeDesktop();
        processes = FakeProcesses();
        workspace = FakeWorkspace();
    }

    // Only no word at all runs the resident application. Beside an editor with a project "proj" and a
    // window whose title names none, nothing is raised; an unknown word also prints the usage on standard
    // error and touches no window.
    void answers()
    {
        QVERIFY(CommandLine::isResident({u"panedeck"_qs}));
        QVERIFY(CommandLine::isResident({}));
        QVERIFY(!CommandLine::isResident({u"panedeck"_qs, QString()}));
        const QList<std::tuple<QStringList, QString, int>> rows{
            {{QString()}, u"unknown command: \n"_qs, 1},
            {{u"help"_qs, u"x"_qs}, u"unknown command: help\n"_qs, 1},
            {{u"List-Windows"_qs}, u"unknown command: List-Windows\n"_qs, 1}, // the case differs
            {{u"list-tabs"_qs}, u"unknown command: list-tabs\n"_qs, 1},       // a later sub-command
            {{u"--help"_qs}, usage, 0},
            {{u"--version"_qs}, u"Panedeck 0.1.0 (7) · 2026-12-07\n"_qs, 0},
            {{u"raise"_qs, u"PROJ"_qs}, u"not found: PROJ\n"_qs, 0},
            {{u"raise"_qs}, u"usage: raise <projectName>\n"_qs, 1},
            {{u"raise"_qs, QString()}, u"not found: \n"_qs, 0},
            {{u"raise"_qs, u"Visual Studio Code"_qs}, u"not found: Visual Studio Code\n"_qs, 0},
            {{u"open-finder"_qs}, u"usage: open-finder <folderPath>\n"_qs, 1}};
        for (const auto& [args, output, status] : rows) {
            init();
            addEditor(3, {u"a — proj — Visual Studio Code"_qs, u"Visual Studio Code"_qs});
            const Outcome outcome = run(args);
            QCOMPARE(outcome.output, output);
            QCOMPARE(outcome.status, status);
            QCOMPARE(outcome.errors, output.startsWith(u"unknown"_qs) ? usage : QString());
            QVERIFY(desktop.callsMatching(u"perform"_qs).isEmpty());
            if (!output.startsWith(u"not found"_qs))
                QCOMPARE(desktop.calls, QStringList());
        }
    }

    void listWindows()
    {
        addEditor(3, {u"a.cpp — alpha — Visual Studio Code"_qs, u"Visual Studio Code"_qs});
        addEditor(4, {u"● beta [SSH: h] — Visual Studio Code"_qs});
        // One line per window, whatever a title holds.
        addEditor(5, {u"x\n[forged] y\r\t\u0085\u2028 — z\u2029z — Visual Studio Code"_qs});
        Outcome outcome = run({u"list-windows"_qs, u"ignored"_qs});
        QCOMPARE(outcome.status, 0);
        QCOMPARE(outcome.output, u"[alpha] a.cpp — alpha — Visual Studio Code\n"
                                 u"[?] Visual Studio Code\n"
                                 u"[beta] ● beta [SSH: h] — Visual Studio Code\n"
                                 u"[z z] x [forged] y     — z z — Visual Studio Code\n"_qs);
        QCOMPARE(desktop.trustPrompts, QList<bool>{true});

        // Without access: a message and status 1.
        addEditor(6, {u"a — proj — Visual Studio Code"_qs});
        desktop.trusted = false;
        desktop.calls.clear();
        outcome = run({u"list-windows"_qs});
        QCOMPARE(outcome.status, 1);
        QCOMPARE(outcome.output, u"アクセシビリティ権限がありません。システム設定で許可してください。\n"_qs);
        QVERIFY(desktop.callsMatching(u"running"_qs).isEmpty());
        // raise asks for nothing: every read fails, so the listing is simply empty.
        outcome = run({u"raise"_qs, u"proj"_qs});
        QCOMPARE(outcome.output, u"not found: proj\n"_qs);
        QCOMPARE(outcome.status, 0);
    }

    void raiseFirstExactMatch()
    {
        addEditor(3, {u"x — other — Visual Studio Code"_qs, u"a — proj — Visual Studio Code"_qs});
        addEditor(4, {u"b — proj — Visual Studio Code"_qs, u"Caf\u00e9 — Visual Studio Code"_qs});
        const Outcome outcome = run({u"raise"_qs, u"proj"_qs, u"extra"_qs});
        QCOMPARE(outcome.output, u"raised: a — proj — Visual Studio Code\n"_qs);
        QCOMPARE(outcome.status, 0);
        QCOMPARE(desktop.callsMatching(u"perform"_qs), QStringList{u"perform w2 AXRaise"_qs});
        QCOMPARE(desktop.callsMatching(u"activate"_qs), QStringList{u"activate 3"_qs});
        QVERIFY(desktop.trustPrompts.isEmpty()); // raise never asks for access
        // Canonically equivalent spellings are one name.
        QCOMPARE(run({u"raise"_qs, u"Cafe\u0301"_qs}).output, u"raised: Caf\u00e9 — Visual Studio Code\n"_qs);
    }

    void finderAndOtherWindows()
    {
        workspace.openResult = false; // the answer is not used
        Outcome outcome = run({u"open-finder"_qs, u"/no/such/./folder/"_qs, u"extra"_qs});
        QCOMPARE(outcome.output, QString());
        QCOMPARE(outcome.status, 0);
        QCOMPARE(workspace.opened, QStringList{u"/no/such/folder"_qs});
        // Neither application running: nothing is run or printed.
        QCOMPARE(run({u"list-terminals"_qs}).output, QString());
        QCOMPARE(run({u"list-safari"_qs}).status, 0);
        QVERIFY(processes.calls.isEmpty());

        desktop.addApplication(u"com.apple.Safari"_qs, 9, {});
        processes.output = [](const QString&, const QStringList&) {
            return std::optional<QString>(u"1\tDocs\thttps://a.dev\n2\tNew Tab\t\n"_qs);
        };
        outcome = run({u"list-safari"_qs});
        QCOMPARE(outcome.output, u"[https://a.dev] Docs\n[?] New Tab\n"_qs);
        QCOMPARE(outcome.status, 0);
        QVERIFY(desktop.trustPrompts.isEmpty());
    }

    // Whatever stands where a file is expected, the read ends at once: a regular file of valid UTF-8
    // up to the cap, or nothing.
    void filesAndTheSupportFolder()
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

        // The support folder: copied once from its earlier name, never over an existing one.
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

        // The only use of defaultPath() in this program, so this really is the first one.
        QTemporaryDir data;
        for (int i = 0; i < 40; ++i)
            write(data.filePath(u"Quaypane/agent-state/%1.state"_qs.arg(i)), QByteArray::number(i));
        const auto many = tree(data.filePath(u"Quaypane"_qs));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));

        QString results[8];
        std::latch start(8);
        {
            std::vector<std::jthread> workers; // joined as they go
            for (QString& result : results)
                workers.emplace_back([&] {
                    start.arrive_and_wait();
                    result = AppSupportDirectory::defaultPath();
                });
        }
        for (const QString& result : results)
            QCOMPARE(result, data.filePath(u"Panedeck"_qs));
        QCOMPARE(tree(data.filePath(u"Panedeck"_qs)), many);
    }

    void xsettings()
    {
        const char *gtk = "Gtk/EnableAnimations", *net = "Net/EnableAnimations";
        const auto reduced = [](const Property& property) { return XSettings::reducedMotion(property.bytes); };
        QVERIFY(reduced(Property(0, 1).integer(gtk, 0))); // LSBFirst
        QVERIFY(reduced(Property(1, 1).integer(net, 0))); // MSBFirst
        QVERIFY(!reduced(Property('l', 1).integer(gtk, 1)));
        QVERIFY(reduced(Property('B', 2).integer(net, 1).integer(gtk, 0))); // one of them off
        const Property theme = Property(0, 3).setting(1, "Net/ThemeName").text(4, "Adwaita");
        QVERIFY(reduced(Property(theme).setting(2, "Gtk/Colour").card(8, ~0ull).integer(gtk, 0)));
        QVERIFY(!reduced(Property(0, 1).integer("Gtk/EnableAnimationsX", 0)));
        QVERIFY(!XSettings::reducedMotion(Property(0, 1).integer(gtk, 0).bytes.chopped(1))); // cut short
        QVERIFY(!reduced(Property(0, 2).integer(gtk, 0))); // fewer than announced
        QVERIFY(!reduced(Property(0, 2).setting(1, "Net/ThemeName").card(4, 0xffffffff).integer(gtk, 0)));
        QVERIFY(!reduced(Property(0, 1).setting(3, gtk).card(4, 0))); // an unknown type
        QVERIFY(!reduced(Property('b', 1).integer(gtk, 0)));          // an unknown byte order
        QVERIFY(!XSettings::reducedMotion(QByteArray()));

        QCOMPARE(XSettings::selection(":0"), QByteArray("_XSETTINGS_S0"));
        QCOMPARE(XSettings::selection("tcp/[::1]:10.2"), QByteArray("_XSETTINGS_S2"));
        QCOMPARE(XSettings::selection(":1.x"), QByteArray("_XSETTINGS_S0"));
    }

    void versionText()
    {
        const Expected none;
        const auto display = AppVersion::displayString;
        QCOMPARE(display(none, u"5"_qs, u"2025-06-01"_qs), u"開発ビルド"_qs);
        QCOMPARE(display(u" \t "_qs, none, none), u"開発ビルド"_qs);
        QCOMPARE(display(u" 2.0 "_qs, none, u""_qs), u"v2.0"_qs);
        QCOMPARE(display(u"2.0"_qs, u" 5 "_qs, none), u"v2.0 (5)"_qs);
        QCOMPARE(display(u"1.4.0"_qs, u"37"_qs, u"2025-06-01"_qs), u"v1.4.0 (37) · 2025-06-01"_qs);
        QCOMPARE(display(u"2.0\n"_qs, u"\n"_qs, none), u"v2.0\n (\n)"_qs); // line breaks are not trimmed

        FakeBundle bundle;
        bundle.info = {{u"CFBundleShortVersionString"_qs, u"1.4.0"_qs},
                       {u"CFBundleVersion"_qs, 37},
                       {u"KivBuildDate"_qs, u"2025-06-01"_qs}};
        QCOMPARE(AppVersion::current(bundle), u"v1.4.0 · 2025-06-01"_qs);
        bundle.info.insert(u"CFBundleShortVersionString"_qs, 1.4);
        QCOMPARE(AppVersion::current(bundle), u"開発ビルド"_qs);
    }

    void olderCopyStays()
    {
        const QDateTime t(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
        const auto quits = SingleInstance::shouldTerminate;
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

        FakeBundle bundle;
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
