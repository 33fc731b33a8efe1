#include "Glyphs.h"
#include "Picture.h"
#include "ui/ClaudeUsageView.h"
#include "ui/Fonts.h"
#include "ui/LauncherDesign.h"

#include <QTest>

// The header's usage meter, drawn offscreen: figures, bars, accessibility texts and Japanese glyphs.
class UsageViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Fonts::registerBundled(); }

    void rowsBarsAndTexts()
    {
        ClaudeUsageDisplay display{{{u"5時間"_qs, 42, u"14:00 リセット"_qs, false},
                                    {u"週"_qs, 100, u"6/9(月) リセット"_qs, true},
                                    {u"5時間"_qs, std::nullopt, u"リセット済み"_qs, false}},
                                   u"last update: 10分前"_qs};
        ClaudeUsageView view;
        view.setDisplay(display);
        view.show();
        const QStringList texts = Picture::texts(view);
        for (const QString& expected :
             {u"42%"_qs, u"100%"_qs, u"\u2014"_qs, u"リセット済み"_qs, u"last update: 10分前"_qs})
            QVERIFY2(texts.contains(expected), qPrintable(expected));
        QCOMPARE(ClaudeUsageView::accessibilityText(display.rows[0]), u"5時間の使用量 42%、14:00 リセット"_qs);
        QCOMPARE(ClaudeUsageView::accessibilityText(display.rows[2]), u"5時間の使用量 リセット済み"_qs);
        QCOMPARE(missingGlyphs(LauncherDesign::font(LauncherDesign::TextStyle::micro),
                               u"5時間の使用量 週 リセット済み 分前 時間前 日前 ショートカット 最大化 マルチ画面"_qs),
                 QString());

        // Each row's bar starts after the 34-point label and 10 points of spacing; a full bar in the
        // warning colour, an empty one with the track only.
        const QImage image = view.grab().toImage();
        image.save(Picture::snapshotPath(u"usage-view.png"_qs));
        const auto barColour = [&](int row, int x) {
            const QWidget* line = view.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).at(row);
            return image.pixelColor(line->x() + 44 + x, line->y() + line->height() / 2);
        };
        QCOMPARE(barColour(1, 150), LauncherDesign::alert);
        QCOMPARE(barColour(0, 30), LauncherDesign::primary);
        QCOMPARE(barColour(0, 100), LauncherDesign::hair);
        QCOMPARE(barColour(2, 30), LauncherDesign::hair);

        display.lastUpdate.reset(); // fresh figures: no age line
        view.setDisplay(display);
        QVERIFY(!Picture::texts(view).contains(u"last update: 10分前"_qs));
    }
};

QTEST_MAIN(UsageViewTest)
#include "tst_usageview.moc"
