#include "ui/Icons.h"
#include "ui/LauncherDesign.h"
#include "ui/ShortcutBarLayout.h"

#include <QTest>

// The shortcut-bar fitting arithmetic, theme names and the bundled symbols.
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

    void themes()
    {
        // An unknown name is the standard theme, which tints nothing.
        QCOMPARE(ThemeColors::of(PanelThemes::from(u"teal"_qs)).tint, std::nullopt);
        QCOMPARE(PanelThemes::label(PanelTheme::sand), u"ウォームサンド"_qs);
    }

    void symbols()
    {
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
