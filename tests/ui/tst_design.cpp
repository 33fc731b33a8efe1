#include "ui/LauncherDesign.h"
#include "ui/PanelLayout.h"
#include "ui/ShortcutBarLayout.h"

#include <QTest>

// The panel's fixed measures, the shortcut-bar fitting arithmetic and the theme colours.
class DesignTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shortcutBarFitting()
    {
        QCOMPARE(ShortcutBarLayout::buttonWidth(10.0), 56.0);
        QCOMPARE(ShortcutBarLayout::buttonWidth(200.0), 170.0);
        QCOMPARE(ShortcutBarLayout::buttonWidth(std::nullopt), 40.0);
        QVERIFY(ShortcutBarLayout::showsAppLabels({900, 900}, {}, 8, 10)); // no application shortcuts
        // 146 + 96 + 8 = 250.
        QVERIFY(ShortcutBarLayout::showsAppLabels({100}, {50}, 8, 250));
        QVERIFY(!ShortcutBarLayout::showsAppLabels({100}, {50}, 8, 249.9));
        QVERIFY(ShortcutBarLayout::showsAppLabels({}, {50, 50}, 8, 200)); // 96 + 96 + 8
    }

    void measuresAndThemes()
    {
        QCOMPARE(PanelLayout::contentWidth, 1304.0);
        QCOMPARE(PanelLayout::gridColumnWidth, 966.0);
        QCOMPARE(ThemeColors::of(PanelThemes::from(u"graphite"_qs)).tint, QColor(59, 130, 182));
        QCOMPARE(ThemeColors::of(PanelThemes::from(u"teal"_qs)).tint, std::nullopt);
        QCOMPARE(ThemeColors::of(PanelTheme::standard).foregroundAccent, LauncherDesign::primaryDeep);
        QCOMPARE(ThemeColors::of(PanelTheme::rose).accent,
                 ThemeColors::of(PanelTheme::rose).foregroundAccent);
        QCOMPARE(PanelThemes::label(PanelTheme::sand), u"ウォームサンド"_qs);
        const QFont heading = LauncherDesign::font(LauncherDesign::TextStyle::heading);
        QCOMPARE(heading.pixelSize(), 20);
        QCOMPARE(heading.weight(), QFont::Bold);
    }
};

QTEST_MAIN(DesignTest)
#include "tst_design.moc"
