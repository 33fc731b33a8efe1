#include "core/layout/LayoutJson.h"

#include <QTest>

namespace {

QByteArray minimal(const QByteArray& extra = {})
{
    return R"({"slots": {}, "hotkey": {"keyCode": 9, "modifiers": ["option", "command"]})" + extra + "}";
}

Layout fullLayout()
{
    Layout layout;
    layout.slots.insert(u"1"_qs, SlotEntry{u"Web"_qs, u"/Users/me/src/web"_qs, u"http://localhost:3000/"_qs,
                                           std::nullopt, ServerEntry{u"192.168.1.5:8080"_qs, u"chrome"_qs},
                                           u"sage"_qs, u"web"_qs});
    layout.slots.insert(u"2"_qs, SlotEntry{u"シェル"_qs, u"/tmp"_qs, std::nullopt, u"terminal"_qs,
                                           std::nullopt, std::nullopt, u"zsh — 80×24"_qs});
    layout.slots.insert(u"10"_qs, SlotEntry{u"hidden"_qs, QString(), {}, {}, {}, {}, {}});
    layout.hotkey = {9, {u"option"_qs, u"command"_qs}};
    layout.hotkeyEnabled = false;
    layout.doubleTapShift = true;
    layout.panelTheme = u"lavender"_qs;
    layout.lastTileCount = 4;
    layout.doubleTapKey = u"space"_qs;
    layout.tapCount = 3;
    layout.folderShortcuts = QList<ShortcutEntry>{{u"Docs"_qs, u"/Users/me/Documents"_qs}};
    layout.urlShortcuts = QList<ShortcutEntry>{};
    layout.appShortcuts = QList<ShortcutEntry>{{u"Notes"_qs, u"/Applications/Notes.app"_qs}};
    layout.projectMemory =
        ProjectMemoryMap{{u"path:/Users/me/src/api"_qs, ProjectMemo{u"API"_qs, {}, u"rose"_qs, {}}}};
    layout.agentStatusEnabled = true;
    layout.claudeUsageEnabled = false;
    return layout;
}

} // namespace

// The layout file: what is accepted, what makes the whole document unreadable, and the exact bytes
// written.
class LayoutJsonTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyDocument()
    {
        QCOMPARE(LayoutJson::decode(minimal()), Layout::empty());
        QCOMPARE(LayoutJson::encode(Layout::empty()), QByteArray("{\n"
                                                                 "  \"hotkey\" : {\n"
                                                                 "    \"keyCode\" : 9,\n"
                                                                 "    \"modifiers\" : [\n"
                                                                 "      \"option\",\n"
                                                                 "      \"command\"\n"
                                                                 "    ]\n"
                                                                 "  },\n"
                                                                 "  \"slots\" : {}\n"
                                                                 "}"));
        const Layout empty = Layout::empty();
        QVERIFY(empty.isHotkeyEnabled());
        QCOMPARE(empty.effectiveDoubleTapKey(), DoubleTapKey::shift);
        QCOMPARE(empty.effectiveTapCount(), 2);
        QVERIFY(!empty.isAgentStatusEnabled());
        QVERIFY(!empty.isClaudeUsageEnabled());
    }

    void referenceDocumentBytes()
    {
        const QByteArray expected = R"({
  "agentStatusEnabled" : true,
  "appShortcuts" : [
    {
      "name" : "Notes",
      "target" : "\/Applications\/Notes.app"
    }
  ],
  "claudeUsageEnabled" : false,
  "doubleTapKey" : "space",
  "doubleTapShift" : true,
  "folderShortcuts" : [
    {
      "name" : "Docs",
      "target" : "\/Users\/me\/Documents"
    }
  ],
  "hotkey" : {
    "keyCode" : 9,
    "modifiers" : [
      "option",
      "command"
    ]
  },
  "hotkeyEnabled" : false,
  "lastTileCount" : 4,
  "panelTheme" : "lavender",
  "projectMemory" : {
    "path:\/Users\/me\/src\/api" : {
      "color" : "rose",
      "name" : "API"
    }
  },
  "slots" : {
    "1" : {
      "color" : "sage",
      "matchKey" : "web",
      "name" : "Web",
      "path" : "\/Users\/me\/src\/web",
      "server" : {
        "address" : "192.168.1.5:8080",
        "browser" : "chrome"
      },
      "url" : "http:\/\/localhost:3000\/"
    },
    "10" : {
      "name" : "hidden",
      "path" : ""
    },
    "2" : {
      "kind" : "terminal",
      "matchKey" : "zsh — 80×24",
      "name" : "シェル",
      "path" : "\/tmp"
    }
  },
  "tapCount" : 3,
  "urlShortcuts" : []
})";
        QCOMPARE(LayoutJson::encode(fullLayout()), expected);
        QCOMPARE(LayoutJson::decode(expected), fullLayout());
    }

    // Names come back exactly as written, also as memo keys; only what needs it is escaped.
    void textEscapes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("escapes") << u"q\"b\\s/t\tn\nc\x01 é 🚀"_qs + QChar(0xD800) // a lone surrogate too
                                 << QByteArray("\"q\\\"b\\\\s\\/t\\tn\\nc\\u0001 é 🚀\\ud800\"");
        QTest::newRow("only U+FEFF") << QString(QChar(0xFEFF)) << QByteArray("\"\\ufeff\"");
        QTest::newRow("opening U+FEFF") << u"\uFEFFWeb"_qs << QByteArray("\"\\ufeffWeb\"");
        QTest::newRow("U+FEFF inside") << u"W\uFEFF\uFEFF"_qs << QByteArray("\"W\xEF\xBB\xBF\xEF\xBB\xBF\"");
    }
    void textEscapes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        Layout layout;
        layout.slots.insert(u"1"_qs, SlotEntry{text, QString(), {}, {}, {}, {}, {}});
        layout.projectMemory = ProjectMemoryMap{{text, ProjectMemo{text, {}, {}, {}}}};
        const QByteArray bytes = LayoutJson::encode(layout);
        QVERIFY(bytes.contains("\"name\" : " + written));
        QVERIFY(bytes.contains("\n    " + written + " : {"));
        QCOMPARE(LayoutJson::decode(bytes), layout);
    }

    void accepted_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("check");
        QTest::newRow("null is absent")
            << minimal(R"(, "hotkeyEnabled": null, "tapCount": null)") << u"defaults"_qs;
        QTest::newRow("unknown keys ignored")
            << minimal(R"(, "future": {"x": [1, 2]}, "lastTileCount": 2)") << u"tile2"_qs;
        QTest::newRow("whole number written as 2.0") << minimal(R"(, "lastTileCount": 2.0)") << u"tile2"_qs;
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF") + minimal() << u"defaults"_qs;
        QTest::newRow("largest key code")
            << QByteArray(R"({"slots": {}, "hotkey": {"keyCode": 4294967295, "modifiers": []}})")
            << u"keymax"_qs;
        QTest::newRow("plain and escaped slashes")
            << QByteArray(
                   R"({"slots": {"3": {"name": "a", "path": "/x\/y"}}, "hotkey": {"keyCode": 1, "modifiers": []}})")
            << u"slash"_qs;
    }
    void accepted()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, check);
        const auto layout = LayoutJson::decode(bytes);
        QVERIFY(layout);
        if (check == u"defaults"_qs) {
            QVERIFY(layout->isHotkeyEnabled());
            QCOMPARE(layout->hotkeyEnabled, std::nullopt);
        } else if (check == u"tile2"_qs) {
            QCOMPARE(layout->lastTileCount, 2);
        } else if (check == u"keymax"_qs) {
            QCOMPARE(layout->hotkey.keyCode, 4294967295u);
        } else if (check == u"slash"_qs) {
            QCOMPARE(layout->entry(3)->path, u"/x/y"_qs);
        }
    }

    void rejected_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("malformed") << QByteArray("{\"slots\": {}");
        QTest::newRow("trailing comma") << minimal(",");
        QTest::newRow("top-level array") << QByteArray("[]");
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{", 4);
        QTest::newRow("invalid UTF-8 in a string") << minimal(", \"panelTheme\": \"\xc3\x28\"");
        QTest::newRow("no hotkey") << QByteArray(R"({"slots": {}})");
        QTest::newRow("no slots") << QByteArray(R"({"hotkey": {"keyCode": 9, "modifiers": []}})");
        QTest::newRow("null slots") << QByteArray(
            R"({"slots": null, "hotkey": {"keyCode": 9, "modifiers": []}})");
        QTest::newRow("tapCount as text") << minimal(R"(, "tapCount": "3")");
        QTest::newRow("tapCount fraction") << minimal(R"(, "tapCount": 2.5)");
        QTest::newRow("lastTileCount beyond 64 bits") << minimal(R"(, "lastTileCount": 1e30)");
        QTest::newRow("keyCode negative")
            << QByteArray(R"({"slots": {}, "hotkey": {"keyCode": -1, "modifiers": []}})");
        QTest::newRow("keyCode 2^32")
            << QByteArray(R"({"slots": {}, "hotkey": {"keyCode": 4294967296, "modifiers": []}})");
        QTest::newRow("keyCode text")
            << QByteArray(R"({"slots": {}, "hotkey": {"keyCode": "9", "modifiers": []}})");
        QTest::newRow("modifier not text")
            << QByteArray(R"({"slots": {}, "hotkey": {"keyCode": 9, "modifiers": [1]}})");
        QTest::newRow("modifiers missing") << QByteArray(R"({"slots": {}, "hotkey": {"keyCode": 9}})");
        QTest::newRow("hotkeyEnabled as text") << minimal(R"(, "hotkeyEnabled": "true")");
        QTest::newRow("slot without path")
            << QByteArray(R"({"slots": {"1": {"name": "a"}}, "hotkey": {"keyCode": 9, "modifiers": []}})");
        QTest::newRow("slot path number") << QByteArray(
            R"({"slots": {"1": {"name": "a", "path": 3}}, "hotkey": {"keyCode": 9, "modifiers": []}})");
        QTest::newRow("bad entry under an unused key") << QByteArray(
            R"({"slots": {"42": {"name": 1, "path": ""}}, "hotkey": {"keyCode": 9, "modifiers": []}})");
        QTest::newRow("server without browser") << QByteArray(
            R"({"slots": {"1": {"name": "a", "path": "", "server": {"address": "h:1"}}}, "hotkey": {"keyCode": 9, "modifiers": []}})");
        QTest::newRow("shortcuts not a list") << minimal(R"(, "folderShortcuts": {})");
        QTest::newRow("shortcut without target") << minimal(R"(, "appShortcuts": [{"name": "x"}])");
        QTest::newRow("memo not an object") << minimal(R"(, "projectMemory": {"name:a": "b"})");
        QTest::newRow("memo name number") << minimal(R"(, "projectMemory": {"name:a": {"name": 2}})");
        QTest::newRow("memo server text") << minimal(R"(, "projectMemory": {"name:a": {"server": "x"}})");
    }
    void rejected()
    {
        QFETCH(QByteArray, bytes);
        QString error;
        QCOMPARE(LayoutJson::decode(bytes, &error), std::nullopt);
        QVERIFY(!error.isEmpty());
    }

    void derivedSettings_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<DoubleTapKey>("key");
        QTest::addColumn<int>("taps");
        QTest::newRow("space wins over the older switch")
            << QByteArray(R"(, "doubleTapKey": "space", "doubleTapShift": false)") << DoubleTapKey::space
            << 2;
        QTest::newRow("older switch off")
            << QByteArray(R"(, "doubleTapShift": false)") << DoubleTapKey::none << 2;
        QTest::newRow("older switch on")
            << QByteArray(R"(, "doubleTapShift": true)") << DoubleTapKey::shift << 2;
        QTest::newRow("capitals mean shift")
            << QByteArray(R"(, "doubleTapKey": "Space")") << DoubleTapKey::shift << 2;
        QTest::newRow("none") << QByteArray(R"(, "doubleTapKey": "none", "tapCount": 3)")
                              << DoubleTapKey::none << 3;
        QTest::newRow("unknown key, five taps")
            << QByteArray(R"(, "doubleTapKey": "ctrl", "tapCount": 5)") << DoubleTapKey::shift << 2;
        QTest::newRow("negative taps") << QByteArray(R"(, "tapCount": -3)") << DoubleTapKey::shift << 2;
    }
    void derivedSettings()
    {
        QFETCH(QByteArray, extra);
        QFETCH(DoubleTapKey, key);
        QFETCH(int, taps);
        const auto layout = LayoutJson::decode(minimal(extra));
        QVERIFY(layout);
        QCOMPARE(layout->effectiveDoubleTapKey(), key);
        QCOMPARE(layout->effectiveTapCount(), taps);
    }

    void slotKindsAndKeys()
    {
        const auto layout = LayoutJson::decode(R"({"slots": {
            "1": {"name": "a", "path": "", "kind": "Terminal"},
            "2": {"name": "b", "path": "", "kind": "terminal"},
            "3": {"name": "c", "path": "", "kind": "safari"},
            "4": {"name": "d", "path": "", "kind": ""},
            "0": {"name": "zero", "path": ""},
            "10": {"name": "ten", "path": ""}},
            "hotkey": {"keyCode": 9, "modifiers": []}})");
        QVERIFY(layout);
        QCOMPARE(layout->entry(1)->windowKind(), WindowKind::vscode);
        QCOMPARE(layout->entry(2)->windowKind(), WindowKind::terminal);
        QCOMPARE(layout->entry(3)->windowKind(), WindowKind::safari);
        QCOMPARE(layout->entry(4)->windowKind(), WindowKind::vscode);
        QCOMPARE(layout->entry(4)->kind, QString()); // the stored text is kept as it was
        // Keys outside 1…9 survive a round trip untouched.
        const auto again = LayoutJson::decode(LayoutJson::encode(*layout));
        QCOMPARE(again, layout);
        QCOMPARE(again->slots.value(u"10"_qs).name, u"ten"_qs);
        QCOMPARE(again->slots.value(u"0"_qs).name, u"zero"_qs);
    }
};

QTEST_GUILESS_MAIN(LayoutJsonTest)
#include "tst_layoutjson.moc"
