#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>

using namespace Qt::StringLiterals;

// The macOS bundle as far as it can be checked without a Mac: the Info dictionary CMake made from
// its template, and the list of the bundle's resources.
class BundleTest : public QObject {
    Q_OBJECT

    struct Value {
        QString type; // string, true, false, integer, ...
        QString text;
    };

    // The plist's top-level dictionary; empty unless it is a well-formed property list.
    static QHash<QString, Value> readInfo(const QByteArray& xml)
    {
        QHash<QString, Value> info;
        QXmlStreamReader reader(xml);
        if (!reader.readNextStartElement() || reader.name() != u"plist"_s || !reader.readNextStartElement() ||
            reader.name() != u"dict"_s)
            return {};
        while (reader.readNextStartElement()) { // a key, then its value
            const QString key = reader.readElementText();
            if (!reader.readNextStartElement())
                return {};
            info.insert(key, {reader.name().toString(), reader.readElementText()});
        }
        while (!reader.atEnd())
            reader.readNext();
        return reader.hasError() ? QHash<QString, Value>() : info;
    }

private Q_SLOTS:
    void infoDictionary()
    {
        QFile file(QStringLiteral(INFO_PLIST));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray xml = file.readAll();
        QVERIFY2(!xml.contains('@') && !xml.contains("${"), "a value was left unsubstituted");
        const QHash<QString, Value> info = readInfo(xml);
        QVERIFY2(!info.isEmpty(), "not a well-formed property list");

        const auto string = [&](const QString& key) {
            return info.value(key).type == u"string"_s ? info.value(key).text : QString();
        };
        QVERIFY(QRegularExpression(u"^\\d+\\.\\d+\\.\\d+$"_s)
                    .match(string(u"CFBundleShortVersionString"_s))
                    .hasMatch());
        QVERIFY(!string(u"CFBundleVersion"_s).trimmed().isEmpty());
        QVERIFY(QRegularExpression(u"^\\d{4}-\\d{2}-\\d{2}$"_s).match(string(u"KivBuildDate"_s)).hasMatch());
        QCOMPARE(string(u"CFBundleIdentifier"_s), u"app.panedeck.Panedeck"_s);
        QCOMPARE(string(u"CFBundlePackageType"_s), u"APPL"_s);
        QVERIFY(!string(u"CFBundleExecutable"_s).isEmpty());
        QVERIFY(!string(u"NSAppleEventsUsageDescription"_s).isEmpty()); // Terminal and Safari are scripted
        QCOMPARE(info.value(u"LSUIElement"_s).type, u"true"_s);         // an accessory: no Dock icon
        QCOMPARE(string(u"CFBundleIconFile"_s), u"Panedeck"_s);
    }

    void resources()
    {
        QFile file(QStringLiteral(SOURCE_DIR "/resources/bundle-layout.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QHash<QString, QStringList> entries; // file name → destination [, "executable"]
        for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            if (line.trimmed().isEmpty() || line.startsWith(u'#'))
                continue;
            const QStringList fields = line.split(QRegularExpression(u"\\s+"_s), Qt::SkipEmptyParts);
            QVERIFY2(fields.size() == 2 || (fields.size() == 3 && fields[2] == u"executable"_s),
                     qPrintable(line));
            QVERIFY2(fields[1].startsWith(u"Contents/"_s), qPrintable(line));
            if (!fields[0].startsWith(u"build:"_s)) {
                const QFileInfo source(QStringLiteral(SOURCE_DIR "/") + fields[0]);
                QVERIFY2(source.isFile(), qPrintable(line));
                if (fields.size() == 3)
                    QVERIFY2(source.isExecutable(), qPrintable(line));
            }
            entries.insert(QFileInfo(fields[0].mid(fields[0].indexOf(u':') + 1)).fileName(), fields.mid(1));
        }
        // The guide, the hooks' script (which Claude Code runs) and the icon the Info names.
        QCOMPARE(entries.value(u"Panedeck-Guide.html"_s), QStringList{u"Contents/Resources"_s});
        QCOMPARE(entries.value(u"agent-state.sh"_s), (QStringList{u"Contents/Resources"_s, u"executable"_s}));
        QCOMPARE(entries.value(u"Panedeck.icns"_s), QStringList{u"Contents/Resources"_s});
    }
};

QTEST_GUILESS_MAIN(BundleTest)
#include "tst_bundle.moc"
