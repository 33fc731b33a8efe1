#include "core/text/Text.h"
#include "core/windows/TitleParser.h"

#include <QTest>

using Expected = std::optional<QString>;
Q_DECLARE_METATYPE(Expected)

// Editor titles, including the ones people really produce: unsaved files, remote windows, emoji,
// decomposed accents and titles with nothing to find.
class TitleParserTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void projectName_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<Expected>("expected");
        const Expected none;
        const auto P = [](const char* s) { return Expected(QString::fromUtf8(s)); };

        QTest::newRow("file, project, app") << u"main.cpp — projA — Visual Studio Code"_qs << P("projA");
        QTest::newRow("marker on file") << u"● main.cpp — projA — Visual Studio Code"_qs << P("projA");
        QTest::newRow("marker on project") << u"● projA — Visual Studio Code"_qs << P("projA");
        QTest::newRow("ssh qualifier") << u"projA [SSH: build-box] — Visual Studio Code"_qs << P("projA");
        QTest::newRow("dev container")
            << u"app.ts — projA [Dev Container: node] — Visual Studio Code"_qs << P("projA");
        QTest::newRow("remote-ssh") << u"projA [Remote-SSH: h] — Visual Studio Code"_qs << P("projA");
        QTest::newRow("other brackets stay") << u"projA [beta] — Visual Studio Code"_qs << P("projA [beta]");
        QTest::newRow("qualifier is case-sensitive")
            << u"projA [ssh: h] — Visual Studio Code"_qs << P("projA [ssh: h]");
        QTest::newRow("hyphen suffix") << u"projA - Visual Studio Code"_qs << P("projA");
        QTest::newRow("hyphen suffix and marker") << u"● projA - Visual Studio Code"_qs << P("projA");
        QTest::newRow("no app name") << u"main.cpp — projA"_qs << P("projA");
        QTest::newRow("lower-case app name is a name")
            << u"projA — visual studio code"_qs << P("visual studio code");
        QTest::newRow("app name only") << u"Visual Studio Code"_qs << none;
        QTest::newRow("empty") << QString() << none;
        QTest::newRow("only a remote part") << u"[WSL: Ubuntu] — Visual Studio Code"_qs << none;
        QTest::newRow("leading separator") << u" — Visual Studio Code"_qs << none;
        QTest::newRow("only separators") << u" —  — "_qs << none;
        QTest::newRow("marker alone is a name") << u"● — Visual Studio Code"_qs << P("●");
        QTest::newRow("spaces and tabs trimmed") << u"f —  \t projA\t  — Visual Studio Code"_qs << P("projA");
        QTest::newRow("line breaks kept") << u"f — projA\n — Visual Studio Code"_qs << P("projA\n");
        QTest::newRow("control characters kept")
            << u"\x01 — pro\x07j — Visual Studio Code"_qs << Expected(u"pro\x07j"_qs);
        QTest::newRow("hyphen is no separator") << u"a - b - projA"_qs << P("a - b - projA");

        // Whole characters: the marker and suffixes are dropped as characters, never half of one.
        QTest::newRow("emoji project") << u"f — 🚀 — Visual Studio Code"_qs << P("🚀");
        QTest::newRow("marker before emoji") << u"● 🚀app — Visual Studio Code"_qs << P("🚀app");
        QTest::newRow("family emoji before suffix")
            << u"👨‍👩‍👧 - Visual Studio Code"_qs << P("👨‍👩‍👧");
        QTest::newRow("decomposed name kept as written")
            << u"f — Cafe\u0301 — Visual Studio Code"_qs << Expected(u"Cafe\u0301"_qs);
        QTest::newRow("accent on the marker's space is no marker")
            << u"● \u0301app — Visual Studio Code"_qs << Expected(u"● \u0301app"_qs);
        QTest::newRow("accented bracket is no bracket")
            << u"app [\u0301SSH: h]"_qs << Expected(u"app [\u0301SSH: h]"_qs);
        QTest::newRow("emoji in qualifier") << u"app [SSH: 🚀] — Visual Studio Code"_qs << P("app");
        QTest::newRow("last bracket counts") << u"a [x] b [WSL: u]"_qs << P("a [x] b");
    }

    void projectName()
    {
        QFETCH(QString, title);
        QFETCH(Expected, expected);
        QCOMPARE(TitleParser::projectName(title), expected);
    }

    void hostileTitles()
    {
        // Very long titles and broken UTF-16 parse without trouble.
        const QString longName(200000, u'x');
        QCOMPARE(TitleParser::projectName(u"f — "_qs + longName + u" — Visual Studio Code"_qs), longName);
        QString broken = u"f — a"_qs;
        broken.append(QChar(0xD800));
        broken.append(u" — Visual Studio Code"_qs);
        QVERIFY(TitleParser::projectName(broken).has_value());
        QVERIFY(TitleParser::projectName(QString(QChar(0xDC00))).has_value());
    }

    // The quick test that spares normalising must never pass over a character normalisation
    // changes, alone or next to a base letter: every code point.
    void quickNormalFormTestAgreesEverywhere()
    {
        for (char32_t c = 0; c <= 0x10FFFF; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const QString text = u'a' + QString::fromUcs4(&c, 1) + u'a';
            if (!Text::mayNeedNormalizing(text))
                QVERIFY2(Text::nfc(text) == text, qPrintable(QString::number(uint(c), 16)));
        }
    }

    void canonicalEquivalence()
    {
        QVERIFY(Text::equal(u"Caf\u00e9"_qs, u"Cafe\u0301"_qs));
        QVERIFY(!Text::equal(u"Cafe"_qs, u"cafe"_qs));
        // Against a key in canonical form, with the early answer where the texts first differ.
        QVERIFY(Text::equalsCanonical(u"Cafe\u0301 — x", u"Caf\u00e9 — x"_qs));
        QVERIFY(Text::equalsCanonical(u"e\u0301", u"\u00e9"_qs));
        QVERIFY(!Text::equalsCanonical(u"ab — 1", u"ab — 2"_qs));
        QVERIFY(!Text::equalsCanonical(u"ab", u"abc"_qs));
        QVERIFY(Text::equalsCanonical(u"\u30AB\u3099", u"\u30AC"_qs));
        QVERIFY(Text::hasPrefix(u"Cafe\u0301s"_qs, u"Caf\u00e9"_qs));
        QVERIFY(!Text::hasPrefix(u"Cafe\u0301"_qs, u"Cafe"_qs));
        QVERIFY(!Text::hasSuffix(u"ae\u0301"_qs, u"e"_qs));
        QCOMPARE(Text::characterCount(u"🇯🇵e\u0301"_qs), 2);
        QCOMPARE(Text::dropFirstCharacters(u"🇯🇵ab"_qs, 1), u"ab"_qs);
        QCOMPARE(Text::dropLastCharacters(u"ab🇯🇵"_qs, 1), u"ab"_qs);
        QCOMPARE(Text::dropLastCharacters(u"ab"_qs, 5), QString());
        QCOMPARE(Text::trimmedSpaces(u"\u3000\t a \n"_qs), u"a \n"_qs);
        QCOMPARE(Text::forDisplay(QString(1000, u'a')), QString(1000, u'a'));
        QCOMPARE(Text::forDisplay(QString(998, u'a') + u"🇯🇵"_qs), QString(998, u'a') + u'…'); // no half pair
    }
};

QTEST_GUILESS_MAIN(TitleParserTest)
#include "tst_titleparser.moc"
