#include "ui/Icons.h"
#include "ui/LauncherDesign.h"
#include "ui/ShortcutBarLayout.h"

#include <QFile>
#include <QFontDatabase>
#include <QPainter>
#include <QRawFont>
#include <QTest>
#include <QtEndian>

namespace {
// The embedded regular face (the test needs the fonts embedded) with its "1" narrowed to 300 units,
// renamed "M PLUS 1x": a font whose digits differ in width.
QFont narrowOneFont()
{
    QFile file(u":/fonts/MPLUS1p_400Regular.ttf"_qs);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = file.readAll();
    const quint32 one = QRawFont(data, 13).glyphIndexesForString(u"1"_qs).value(0);
    for (int table = 0; table < qFromBigEndian<quint16>(data.constData() + 4); ++table) {
        const char* entry = data.constData() + 12 + 16 * table;
        if (QByteArray(entry, 4) == "hmtx")
            qToBigEndian<quint16>(300, data.data() + qFromBigEndian<quint32>(entry + 8) + 4 * one);
    }
    const auto utf16 = [](const char* text) {
        QByteArray bytes;
        for (const char* c = text; *c; ++c)
            bytes.append('\0').append(*c);
        return bytes;
    };
    data.replace(utf16("M PLUS 1p"), utf16("M PLUS 1x")).replace("M PLUS 1p", "M PLUS 1x");
    QFontDatabase::addApplicationFontFromData(data);
    QFont font(u"M PLUS 1x"_qs);
    font.setPixelSize(13);
    return font;
}
} // namespace

// The shortcut-bar fitting arithmetic, tabular figures, theme names and the bundled symbols.
class DesignTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shortcutBarFitting()
    {
        QCOMPARE(ShortcutBarLayout::buttonWidth(10.0), 56.0);
        QCOMPARE(ShortcutBarLayout::buttonWidth(200.0), 170.0);
        QCOMPARE(ShortcutBarLayout::buttonWidth(std::nullopt), 40.0);
        // The edge between names and icons is drawn through the bar itself in tst_effects.
        QVERIFY(ShortcutBarLayout::showsAppLabels({900, 900}, {}, 8, 10)); // no application shortcuts
        QVERIFY(ShortcutBarLayout::showsAppLabels({}, {50, 50}, 8, 200)); // 96 + 96 + 8
        // A row fits its card: narrow buttons keep their width, wide ones share the rest; below 72
        // each there is no room for names.
        QCOMPARE(ShortcutBarLayout::labeledCap({100, 194}, 0, 2, 8, 400), 194.0);
        QCOMPARE(ShortcutBarLayout::labeledCap({100, 194, 194}, 40, 4, 8, 500), 168.0); // (500-40-24-100)/2
        QCOMPARE(ShortcutBarLayout::labeledCap({194, 194, 194, 194, 194}, 400, 15, 8, 942), 86.0);
        QCOMPARE(ShortcutBarLayout::labeledCap({194, 194}, 400, 12, 8, 500), std::nullopt);
    }

    void tabularFigures()
    {
        const QFont font = narrowOneFont();
        const QFontMetricsF metrics(font);
        QVERIFY(metrics.horizontalAdvance(u"11"_qs) < metrics.horizontalAdvance(u"88"_qs));
        QCOMPARE(LauncherDesign::tabularWidth(font, u"11"_qs), LauncherDesign::tabularWidth(font, u"88"_qs));
        // Ink columns (first, last) of a text drawn tabular in a 40-point box at x 20.
        const auto ink = [&](const QString& text, int alignment) {
            QImage image(80, 24, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter p(&image);
            LauncherDesign::drawTabular(p, QRectF(20, 0, 40, 24), alignment | Qt::AlignVCenter, font, text);
            p.end();
            int first = image.width(), last = -1;
            for (int x = 0; x < image.width(); ++x)
                for (int y = 0; y < image.height(); ++y)
                    if (qGray(image.pixel(x, y)) < 128)
                        first = std::min(first, x), last = std::max(last, x);
            return std::pair{first, last};
        };
        // The "%" stays put whichever digit stands beside it.
        QCOMPARE(ink(u"1%"_qs, Qt::AlignLeft).second, ink(u"8%"_qs, Qt::AlignLeft).second);
        QCOMPARE(ink(u"%1"_qs, Qt::AlignRight).first, ink(u"%8"_qs, Qt::AlignRight).first);
        QCOMPARE(ink(u"%1"_qs, Qt::AlignHCenter).first, ink(u"%8"_qs, Qt::AlignHCenter).first);
        // Too long for the box: cut short with an ellipsis, not clipped.
        QCOMPARE(ink(u"1234567890%"_qs, Qt::AlignRight), ink(u"123\u2026"_qs, Qt::AlignRight));
    }

    void themesAndSymbols()
    {
        // An unknown theme name is the standard theme, which tints nothing.
        QCOMPARE(ThemeColors::of(PanelThemes::from(u"teal"_qs)).tint, std::nullopt);
        QCOMPARE(PanelThemes::label(PanelTheme::sand), u"ウォームサンド"_qs);
        // Every symbol the views name is bundled, and comes out in the colour asked for.
        for (const char* name :
             {"gearshape", "questionmark.circle", "lock.shield", "folder.fill", "link", "bolt.fill",
              "exclamationmark.triangle.fill", "rectangle.stack", "square.dashed"})
            QVERIFY2(!Icons::resourceFor(QString::fromLatin1(name)).isEmpty(), name);
        const auto colours = [](const QPixmap& pixmap) {
            QSet<QRgb> seen;
            const QImage image = pixmap.toImage();
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) == 255)
                        seen.insert(image.pixel(x, y) | 0xff000000u);
            return seen;
        };
        QCOMPARE(colours(Icons::symbol(u"folder.fill"_qs, LauncherDesign::primary, 32)),
                 QSet<QRgb>{LauncherDesign::primary.rgb()});
        // An unknown symbol still draws something.
        QVERIFY(!colours(Icons::symbol(u"no.such.symbol"_qs, LauncherDesign::alert, 32)).isEmpty());
    }
};

QTEST_MAIN(DesignTest)
#include "tst_design.moc"
