#include "FakePlatform.h"
#include "TestFiles.h"
#include "core/layout/AppShortcut.h"
#include "core/layout/DragPayload.h"
#include "core/layout/URLUtil.h"
#include "core/layout/UnassignedFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Expected = std::optional<QString>;
Q_DECLARE_METATYPE(Expected)
Q_DECLARE_METATYPE(WindowKind)

namespace {

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

} // namespace

// Application shortcuts, drag payloads, web address domains and the folder of an unassigned window.
class ShortcutsTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;

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

    void entry_data()
    {
        // "<home>" stands for the temporary folder, which is also $HOME.
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Expected>("expectedName");
        QTest::addColumn<Expected>("expectedTarget");
        const Expected none;
        const auto E = [](const char* s) { return Expected(QString::fromUtf8(s)); };

        QTest::newRow("bundle with trailing slash")
            << u"<home>/Foo.APP/"_qs << QString() << E("Foo") << E("<home>/Foo.APP");
        QTest::newRow("tilde, dots and repeated slashes")
            << u"~//Tools/./..//Bar.app/"_qs << QString() << E("Bar") << E("<home>/Bar.app");
        QTest::newRow("file named like a bundle") << u"<home>/x.app"_qs << QString() << none << none;
        QTest::newRow("missing bundle") << u"<home>/Missing.app"_qs << u"M"_qs << none << none;
        QTest::newRow("extension only") << u"<home>/.app"_qs << QString() << none << none;
        QTest::newRow("other extension") << u"<home>/Bar.app.bak"_qs << QString() << none << none;
        QTest::newRow("blank target") << u" \t "_qs << u"Name"_qs << none << none;
    }

    void entry()
    {
        QFETCH(QString, target);
        QFETCH(QString, name);
        QFETCH(Expected, expectedName);
        QFETCH(Expected, expectedTarget);
        const auto result = AppShortcut::entry(target.replace(u"<home>"_qs, home.path()), name);
        QCOMPARE(result.has_value(), expectedName.has_value());
        if (result) {
            QCOMPARE(result->name, *expectedName);
            QCOMPARE(result->target, expectedTarget->replace(u"<home>"_qs, home.path()));
        }
    }

    void candidateFilter()
    {
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
        QCOMPARE(names(AppShortcut::candidates(list, u"com.none"_qs)),
                 names(AppShortcut::candidates(list, {})));
        // Digits go by value.
        QCOMPARE(names(AppShortcut::candidates({info(u"App 10"_qs, u"/10"_qs), info(u"App 2"_qs, u"/2"_qs),
                                                info(u"app 1"_qs, u"/1"_qs)},
                                               std::nullopt)),
                 (QStringList{u"app 1"_qs, u"App 2"_qs, u"App 10"_qs}));
    }

    void runningCandidates()
    {
        FakeWorkspace workspace;
        workspace.applications = {
            {u"Terminal"_qs, u"/usr/share/Terminal.app"_qs, u"org.term"_qs, true},
            {std::nullopt, u"/opt/My.Tool.app/"_qs, u"org.tool"_qs, true},
            {std::nullopt, std::nullopt, u"org.ghost"_qs, true},
            {u"Panedeck"_qs, u"/opt/Panedeck.app"_qs, u"dev.panedeck"_qs, true},
            {u"daemon"_qs, u"/usr/lib/daemon"_qs, std::nullopt, false},
            {u"App 10"_qs, u"/opt/a10"_qs, std::nullopt, true},
            {u"App 2"_qs, u"/opt/a2"_qs, std::nullopt, true},
        };
        FakeBundle bundle;
        bundle.identifier = u"dev.panedeck"_qs;
        const QList<RunningAppInfo> expected{
            info(u"App 2"_qs, u"/opt/a2"_qs),
            info(u"App 10"_qs, u"/opt/a10"_qs),
            info(u"My.Tool"_qs, u"/opt/My.Tool.app/"_qs, u"org.tool"_qs),
            info(u"Terminal"_qs, u"/usr/share/Terminal.app"_qs, u"org.term"_qs),
        };
        const auto result = AppShortcut::runningCandidates(workspace, bundle);
        QCOMPARE(names(result), names(expected));
        QVERIFY(result == expected);

        bundle.identifier.reset();
        QVERIFY(names(AppShortcut::runningCandidates(workspace, bundle)).contains(u"Panedeck"_qs));
    }

    void payloadString()
    {
        const QUuid id(u"{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"_qs);
        QCOMPARE(DragPayload::window(id).string(), u"window:6BA7B810-9DAD-11D1-80B4-00C04FD430C8"_qs);
        QCOMPARE(DragPayload::slot(7).string(), u"slot:7"_qs);

        QList<DragPayload> payloads{
            DragPayload::window(QUuid()),
            DragPayload::window(QUuid::fromString(u"ffffffff-ffff-ffff-ffff-ffffffffffff"_qs))};
        for (int slot = 1; slot <= 9; ++slot)
            payloads.append(DragPayload::slot(slot));
        for (int i = 0; i < 20; ++i)
            payloads.append(DragPayload::window(QUuid::createUuid()));
        for (const DragPayload& payload : payloads)
            QCOMPARE(describe(DragPayload::parse(payload.string())), payload.string());
    }

    void payloadParse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // the parsed payload's string, or "absent"
        const QString upper = u"6BA7B810-9DAD-11D1-80B4-00C04FD430C8"_qs;
        const QString absent = u"absent"_qs;

        QTest::newRow("slot 1") << u"slot:1"_qs << u"slot:1"_qs;
        QTest::newRow("plus sign") << u"slot:+3"_qs << u"slot:3"_qs;
        QTest::newRow("leading zero") << u"slot:09"_qs << u"slot:9"_qs;
        QTest::newRow("slot 0") << u"slot:0"_qs << absent;
        QTest::newRow("slot 10") << u"slot:10"_qs << absent;
        QTest::newRow("negative") << u"slot:-1"_qs << absent;
        QTest::newRow("letter") << u"slot:x"_qs << absent;
        QTest::newRow("leading space") << u"slot: 3"_qs << absent;
        QTest::newRow("trailing space") << u"slot:3 "_qs << absent;
        QTest::newRow("arabic-indic digit") << u"slot:\u0663"_qs << absent;
        QTest::newRow("window lower case") << u"window:"_qs + upper.toLower() << u"window:"_qs + upper;
        QTest::newRow("capital window") << u"Window:"_qs + upper << absent;
        QTest::newRow("window braces") << u"window:{"_qs + upper + u'}' << absent;
        QTest::newRow("window short") << u"window:"_qs + upper.chopped(1) << absent;
        QTest::newRow("window non-hex") << u"window:6BA7B810-9DAD-11D1-80B4-00C04FD430CG"_qs << absent;
        QTest::newRow("window with slot") << u"window:slot:3"_qs << absent;
        QTest::newRow("empty") << QString() << absent;
    }

    void payloadParse()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(describe(DragPayload::parse(text)), expected);
    }

    void domain_data()
    {
        QTest::addColumn<Expected>("address");
        QTest::addColumn<Expected>("expected");
        const Expected none;
        const auto E = [](const char* s) { return Expected(QString::fromUtf8(s)); };

        QTest::newRow("case and www") << E("https://WWW.Example.COM/x") << E("example.com");
        QTest::newRow("one www only") << E("https://www.www.a.com") << E("www.a.com");
        QTest::newRow("nothing after www") << E("https://www.") << E("");
        QTest::newRow("empty") << E("") << none;
        QTest::newRow("no scheme") << E("example.com") << none;
        QTest::newRow("space in host") << E("http://exa mple.com/") << none;
    }

    void domain()
    {
        QFETCH(Expected, address);
        QFETCH(Expected, expected);
        QCOMPARE(URLUtil::domain(address), expected);
    }

    // The quick scan of common addresses answers as the full parser would, or leaves it to it.
    void domainQuickScanAgreesWithTheParser()
    {
        const QStringList labels{u"a"_qs,   u"Ex"_qs,  u"a-b"_qs,          u"a-"_qs,   u"-a"_qs,
                                 u"127"_qs, u"1"_qs,   u"1a"_qs,           u"0x23"_qs, u"www"_qs,
                                 u""_qs,    u"a_b"_qs, u"xn--bcher-kva"_qs};
        QStringList hosts =
            labels + QStringList{u"a..b"_qs, u"a.b.c"_qs, QString(63, u'a'), QString(64, u'a')};
        for (const QString& first : labels)
            for (const QString& second : labels)
                hosts.append(first + u'.' + second);
        const QStringList schemes{u"http://"_qs, u"HTTPS://"_qs, u"a+b://"_qs};
        const QStringList ports{u""_qs,       u":"_qs,      u":0"_qs,      u":65535"_qs,
                                u":65536"_qs, u":99999"_qs, u":123456"_qs, u":8a"_qs};
        const QStringList rests{u""_qs, u"/"_qs, u"/x?y#z"_qs, u"?q"_qs, u"#f"_qs, u"/%41"_qs, u"/%zz"_qs};
        for (const QString& scheme : schemes)
            for (const QString& host : hosts)
                for (const QString& port : ports)
                    for (const QString& rest : rests) {
                        const QString address = scheme + host + port + rest;
                        QVERIFY2(URLUtil::domain(address) == URLUtil::parsedDomain(address),
                                 qPrintable(address));
                    }
    }

    void unassignedFolder_data()
    {
        QTest::addColumn<WindowKind>("kind");
        QTest::addColumn<Expected>("projectName");
        QTest::addColumn<Expected>("folderPath");
        QTest::addColumn<Expected>("expected");
        const Expected none;
        const auto E = [](const char* s) { return Expected(QString::fromUtf8(s)); };
        using enum WindowKind;

        QTest::newRow("editor") << vscode << E("p") << none << E("/w/p");
        QTest::newRow("editor, ambiguous") << vscode << E("twin") << none << none;
        QTest::newRow("editor without name") << vscode << none << E("/w/p") << none;
        QTest::newRow("terminal") << terminal << E("p") << E("  /home/u/p ") << E("/home/u/p");
        QTest::newRow("terminal, only spaces") << terminal << none << E("   ") << none;
        QTest::newRow("browser") << safari << E("p") << E("https://example.com") << none;
    }

    void unassignedFolder()
    {
        QFETCH(WindowKind, kind);
        QFETCH(Expected, projectName);
        QFETCH(Expected, folderPath);
        QFETCH(Expected, expected);
        const QStringList open{u"/w/p"_qs, u"/a/twin"_qs, u"/b/twin"_qs, u"/w/Caf\u00e9"_qs};
        QCOMPARE(UnassignedFolder::path(AppWindow(kind, u"title"_qs, projectName, folderPath), open),
                 expected);
    }
};

QTEST_GUILESS_MAIN(ShortcutsTest)
#include "tst_shortcuts.moc"
