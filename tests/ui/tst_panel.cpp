#include "AppStateFixture.h"
#include "Glyphs.h"
#include "Picture.h"
#include "ui/ClaudeUsageView.h"
#include "ui/FocusPulse.h"
#include "ui/Fonts.h"
#include "ui/GridView.h"
#include "ui/LauncherDesign.h"
#include "ui/PanelController.h"
#include "ui/PanelHeaderView.h"
#include "ui/PanelRootView.h"
#include "ui/PermissionView.h"
#include "ui/ShortcutBarView.h"
#include "ui/SlotCellView.h"
#include "ui/UnassignedListView.h"
#include "ui/WindowListView.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTextBoundaryFinder>
#include <QVariantAnimation>

// The panel window offscreen: where it appears, the keys it answers, when it hides, its header and
// usage meter, and snapshots of the whole panel for people to look at.
class PanelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<AppStateFixture> fx;
    FakeBundle bundle;
    std::unique_ptr<PanelController> panel;

    void make(const Layout& layout)
    {
        fx->make(layout);
        panel = std::make_unique<PanelController>(*fx->state, bundle, fx->workspace);
    }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = panel->panel()->focusWidget() ? panel->panel()->focusWidget() : panel->panel();
        QTest::keyClick(target, Qt::Key(k), modifiers);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(Fonts::registerBundled()); }
    void init() { fx = std::make_unique<AppStateFixture>(); }
    void cleanup()
    {
        FocusMotion::setReduced(nullptr);
        panel.reset();
        fx.reset();
    }

    void showsCentredOnTheScreenUnderThePointer()
    {
        make(Layout{});
        fx->screens.list.append({QRectF(1920, 0, 2560, 1440), QRectF(1920, 0, 2560, 1400)});
        fx->screens.pointer = QPointF(3000, 700);
        panel->show();
        QCOMPARE(panel->targetVisibleFrame(), QRectF(1920, 0, 2560, 1400));
        // Empty: no shortcuts, no bar; no usage; nine cells, each with its number and its hint.
        QVERIFY(!panel->rootView()->shortcutBar());
        QVERIFY(!panel->rootView()->header()->usageView()->isVisible());
        QCoreApplication::processEvents();
        const QImage picture = panel->panel()->grab().toImage();
        QVERIFY(picture.save(Picture::snapshotPath(u"panel-empty.png"_qs)));
        for (int slot = 1; slot <= 9; ++slot)
            QVERIFY(Picture::hasInk(picture, panel->panel(), panel->rootView()->grid()->cell(slot)));
    }

    // Texts of megabytes (a hand-edited document, a hostile window title) reach no widget whole:
    // what is shown is cut before any text shaping, and still begins with the text.
    void hugeTextsAreCutBeforeTheyAreShown()
    {
        const QString huge = QString(1'000'000, u'n');
        Layout layout;
        layout.slots.insert(u"1"_qs, AppStateFixture::entry(huge, u"/src/"_qs + huge));
        layout.folderShortcuts = QList<ShortcutEntry>{{huge, u"/docs"_qs}};
        fx->existing << u"/src/"_qs + huge;
        make(layout);
        fx->editorWindow(10, u"t"_qs + huge);
        panel->show();
        qsizetype longest = 0, cut = 0;
        for (const QString& text : Picture::texts(*panel->panel())) {
            longest = std::max(longest, text.size());
            cut += text.endsWith(u"nnn…"_qs) ? 1 : 0;
        }
        QVERIFY2(longest <= 1000, qPrintable(QString::number(longest)));
        QCOMPARE(panel->panel()->width(), 1344); // whatever the names, the panel keeps its width
        QVERIFY(cut >= 4); // the slot's name and folder, the window's name and the shortcut
    }

    // The digits maximise a slot's window and hide the panel, 0 tiles, Escape hides; with a modifier
    // a key goes on. A sheet is a part of the panel, drawn inside it: the panel keeps the keyboard and
    // stays when the focus leaves, Escape ends the sheet and not the panel. Hiding the panel keeps the
    // sheet (and what was typed into it: tst_x11_triggers); showing it again, elsewhere even, neither
    // moves nor resizes it.
    void keysAndSheets()
    {
        Layout layout = fx->projects({u"web"_qs});
        layout.slots.insert(u"9"_qs, AppStateFixture::entry(u"api"_qs, u"/src/api"_qs));
        fx->existing << u"/src/api"_qs;
        make(layout);
        fx->editorWindow(10, u"web"_qs);
        fx->editorWindow(11, u"api"_qs);
        panel->show();
        for (const auto modifier : {Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier})
            key(Qt::Key_1, modifier);
        QVERIFY(panel->isVisible() && fx->scheduling.placementQueue.isEmpty());
        key(Qt::Key_7); // no slot 7: consumed, nothing happens
        QVERIFY(panel->isVisible());
        key(Qt::Key_9); // the last slot maximises as the first does (tst_x11_triggers)
        QVERIFY(!panel->isVisible());
        QCOMPARE(fx->scheduling.placementQueue.size(), 1);

        panel->show();
        fx->state->setSettingsSlot(1);
        QDialog* sheet = nullptr;
        QVERIFY(QTest::qWaitFor([&] { return (sheet = panel->panel()->findChild<QDialog*>()) && sheet->isVisible(); }));
        QVERIFY(QRect(QPoint(), panel->panel()->size())
                    .contains(QRect(sheet->mapTo(panel->panel(), QPoint()), sheet->size())));
        panel->windowDidResignKey(); // the focus leaves while a sheet is open: the panel stays
        QVERIFY(panel->isVisible());
        const QRect where = panel->panel()->geometry();
        panel->toggle(); // the hot key
        QVERIFY(!panel->isVisible());
        fx->screens.pointer = QPointF(5000, 5000);
        panel->toggle();
        QVERIFY(sheet->isVisible());
        QCOMPARE(panel->panel()->geometry(), where);
        key(Qt::Key_Escape);
        QVERIFY(panel->isVisible() && !fx->state->settingsSlot());

        fx->ax.application(10)->windows.clear();
        fx->state->refresh();
        key(Qt::Key_0); // nothing to tile: stays
        QVERIFY(panel->isVisible());
        key(Qt::Key_Escape);
        QVERIFY(!panel->isVisible());
    }

    // On small and common screens, whatever the names, the whole panel lies on the screen (at the
    // design's width on a large one), every text shows whole or cut short with "…", the shortcut
    // card's buttons stay inside it without overlaps, nothing is drawn into the panel's margin, the
    // list's rows keep their four edges beside the scroll bar, and a status chip cut short has its
    // whole word as tooltip or, with no room at all, shows its symbol alone.
    void textsFitOrEndInAnEllipsis_data()
    {
        QTest::addColumn<QSize>("screen");
        // Below a 28 point bar, in the desktop's coordinates (the offscreen primary display is 800 high).
        QTest::addColumn<QRectF>("visible");
        QTest::newRow("1024x768") << QSize(1024, 768) << QRectF(0, 60, 1024, 740);
        QTest::newRow("1280x720") << QSize(1280, 720) << QRectF(0, 108, 1280, 692);
        QTest::newRow("1920x1080") << QSize(1920, 1080) << QRectF(0, -252, 1920, 1052);
    }
    void textsFitOrEndInAnEllipsis()
    {
        QFETCH(QSize, screen);
        QFETCH(QRectF, visible);
        const QString longName = u"a-rather-long-project-name-for-the-billing-service-"_qs;
        Layout layout;
        for (int slot = 1; slot <= 9; ++slot)
            layout.slots.insert(QString::number(slot),
                                AppStateFixture::entry(longName + QString::number(slot), u"/gone/"_qs + longName));
        layout.folderShortcuts = QList<ShortcutEntry>(5, {longName, u"/d"_qs});
        layout.urlShortcuts = QList<ShortcutEntry>(5, {longName, u"https://a.dev"_qs});
        layout.appShortcuts = QList<ShortcutEntry>(10, {longName, u"/usr/bin/true"_qs});
        make(layout);
        for (int i = 0; i < 31; ++i)
            fx->editorWindow(10, longName + QString::number(i));
        fx->screens.list = {{QRectF(QPointF(), screen), QRectF(QPointF(0, 0), screen - QSize(0, 28))}};
        fx->screens.pointer = QPointF(10, 10);
        panel->show();
        QWidget* window = panel->panel();
        const auto* card = panel->rootView()->shortcutBar();
        QVERIFY(visible.contains(QRectF(window->frameGeometry())));
        if (screen.width() == 1920)
            QCOMPARE(QList<int>({window->width(), panel->rootView()->grid()->width(), card->width()}),
                     QList<int>({1344, 966, 966}));
        QList<QRect> placed;
        for (const ShortcutButton* button : card->buttons()) {
            const QRect r(button->mapTo(card, QPoint()), button->size());
            QVERIFY(QRect(QPoint(), card->size()).contains(r));
            for (const QRect& other : placed)
                QVERIFY(!other.intersects(r));
            placed.append(r);
        }
        QCOMPARE(placed.size(), 20);
        QCoreApplication::processEvents(); // the list lays out its scroll bar
        const QImage picture = window->grab().toImage();
        QVERIFY(picture.save(Picture::snapshotPath(u"panel-%1.png"_qs.arg(screen.width()))));
        for (int y = 30; y < picture.height() - 30; y += 10)
            QCOMPARE(picture.pixelColor(picture.width() - 4, y), LauncherDesign::canvas);
        QStringList clipped;
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            if (label->isVisibleTo(window) && !label->wordWrap() && !label->property("elides").toBool() &&
                label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
                clipped << label->text();
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u" | "_qs)));
        int cut = 0;
        for (QWidget* chip : window->findChildren<QWidget*>()) {
            if (chip->property("text") != u"フォルダが見つかりません"_qs || !chip->isVisibleTo(window))
                continue;
            if (chip->width() < chip->sizeHint().width()) {
                QCOMPARE(chip->toolTip(), u"フォルダが見つかりません"_qs);
                ++cut;
            }
            // With no room for a letter: the symbol alone, nothing drawn where the word would be.
            chip->resize(chip->minimumSizeHint());
            const QImage alone = chip->grab().toImage();
            for (int x = 24; x < alone.width(); ++x)
                for (int y = 0; y < alone.height(); ++y)
                    QVERIFY(qAlpha(alone.pixel(x, y)) == 0 || qGray(alone.pixel(x, y)) > 200);
        }
        QCOMPARE(cut > 0, screen.width() == 1024); // cut short on the smallest screen only

        WindowListView* rows = panel->rootView()->unassignedList()->rows();
        const QImage list = rows->viewport()->grab().toImage();
        const QRect bar(rows->viewport()->mapFrom(rows, rows->verticalScrollBar()->mapTo(rows, QPoint())),
                        rows->verticalScrollBar()->size());
        int whole = 0;
        for (int i = 0; i < rows->rows().size(); ++i) {
            const QRect row = rows->rowRect(i);
            if (row.top() < 0 || row.bottom() >= list.height())
                continue;
            ++whole;
            QVERIFY(!rows->verticalScrollBar()->isVisible() || row.right() < bar.left());
            for (const QPoint edge : {QPoint(row.center().x(), row.top()), QPoint(row.center().x(), row.bottom()),
                                      QPoint(row.left(), row.center().y()), QPoint(row.right(), row.center().y())})
                QCOMPARE(list.pixelColor(edge), LauncherDesign::hair);
        }
        QVERIFY(whole >= 6);
    }

    // Whatever is drawn again only in part gives the pixels of drawing the whole frame: every
    // frame of the pulse and the dimming, around a slot cell and around a row of a list longer
    // than its column, with and without reduced motion.
    void partialRepaintsMatchWholeFrames_data()
    {
        QTest::addColumn<bool>("fromRow");
        QTest::addColumn<bool>("reduced");
        QTest::newRow("slot cell") << false << false;
        QTest::newRow("window row") << true << false;
        QTest::newRow("slot cell, reduced motion") << false << true;
        QTest::newRow("window row, reduced motion") << true << true;
    }
    void partialRepaintsMatchWholeFrames()
    {
        QFETCH(bool, fromRow);
        QFETCH(bool, reduced);
        FocusMotion::setReduced([reduced] { return reduced; });
        Layout layout = fx->projects({u"web"_qs, u"api"_qs});
        layout.folderShortcuts = QList<ShortcutEntry>{{u"Docs"_qs, u"/docs"_qs}};
        make(layout);
        fx->screens.list = {{QRectF(0, 0, 1024, 768), QRectF(0, 0, 1024, 740)}};
        const int web = fx->editorWindow(10, u"web"_qs);
        int focused = web;
        for (int i = 0; i < 31; ++i)
            focused = fx->editorWindow(10, u"window "_qs + QString::number(i));
        fx->ax.frontmost = 10;
        fx->ax.application(10)->focusedWindow = fromRow ? focused : web;
        panel->show();
        QWidget* window = panel->panel();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // The item the user came from stands out; the other items and the shortcut card dim until 650 ms.
        const auto dimmed = [&](QWidget* w) { return qobject_cast<FocusDim*>(w->graphicsEffect())->dimmed(); };
        GridView* grid = panel->rootView()->grid();
        QCOMPARE(dimmed(grid->cell(1)), fromRow);
        QVERIFY(dimmed(grid->cell(2)) && dimmed(panel->rootView()->shortcutBar()));
        // The pulse and the dimming, then the end of the dimming at 650 ms and the way back; each
        // animation stepped from when it started.
        const auto animations = [&] {
            QList<QVariantAnimation*> running;
            for (QVariantAnimation* a : window->findChildren<QVariantAnimation*>())
                if (a->state() != QAbstractAnimation::Stopped)
                    running << a;
            return running;
        };
        QHash<QVariantAnimation*, int> startedAt;
        const auto follow = [&](int now) {
            for (QVariantAnimation* a : animations())
                if (!startedAt.contains(a) || a->state() == QAbstractAnimation::Running) {
                    a->pause();
                    startedAt.insert(a, now);
                }
        };
        follow(0);
        for (int ms = 0; ms <= 1100; ms += 10) {
            if (ms == 650) {
                fx->scheduling.advance(650);
                follow(650);
            }
            for (QVariantAnimation* a : animations())
                a->setCurrentTime(std::min(a->duration(), ms - startedAt.value(a)));
            QEvent update(QEvent::UpdateRequest);
            QCoreApplication::sendEvent(window, &update);
            const QImage partial = window->screen()->grabWindow(window->winId()).toImage();
            QVERIFY2(partial.convertToFormat(QImage::Format_RGB32) ==
                         window->grab().toImage().convertToFormat(QImage::Format_RGB32),
                     qPrintable(u"the pictures differ at %1 ms"_qs.arg(ms)));
        }
    }

    void headerAndArrangements()
    {
        Layout layout{.agentStatusEnabled = true, .claudeUsageEnabled = true};
        for (int slot = 1; slot <= 9; ++slot) { // folders 7 to 9 are missing
            const QString name = u"project-"_qs + QString::number(slot);
            layout.slots.insert(QString::number(slot), AppStateFixture::entry(name, u"/src/"_qs + name));
            if (slot <= 6)
                fx->existing << u"/src/"_qs + name;
        }
        layout.folderShortcuts = QList<ShortcutEntry>{{u"ドキュメント"_qs, u"/docs"_qs}};
        layout.urlShortcuts = QList<ShortcutEntry>{{u"Docs"_qs, u"https://a.dev"_qs}};
        make(layout);
        for (const char* project : {"project-1", "project-2", "project-4", "other"})
            fx->editorWindow(10, QString::fromLatin1(project));
        // Usage figures and an agent waiting in slot 2.
        const QDateTime now = QDateTime::currentDateTimeUtc();
        QVERIFY(TestFiles::write(
            fx->dir.filePath(u"claude.json"_qs),
            QStringLiteral("{\"oauthAccount\":{\"accountUuid\":\"a\"},\"cachedUsageUtilization\":{\"fetchedAtMs\":%1,"
                           "\"utilization\":{\"seven_day\":{\"utilization\":83,\"resets_at\":\"%2\"}}}}")
                .arg(now.toMSecsSinceEpoch())
                .arg(now.addDays(3).toString(Qt::ISODate))
                .toUtf8()));
        fx->agent(u"/src/project-2"_qs, u"waiting"_qs, now);

        panel->show();
        fx->scheduling.runBackground();
        PanelRootView* root = panel->rootView();
        QVERIFY(root->unassignedList() && root->shortcutBar() && !root->permissionView() &&
                root->header()->usageView()->isVisible());
        QVERIFY(root->header()->tileButton(6) && !root->header()->tileButton(5));
        root->header()->tileButton(6)->click();
        QCOMPARE(fx->store->layout().lastTileCount, 6);
        QCOMPARE(root->header()->settingsButton()->toolTip(), u"アプリ設定"_qs);
        // The header's own words, exactly.
        const QStringList texts = Picture::texts(*root->header());
        for (const QString& expected :
             {u"WINDOW LAUNCHER"_qs, u"Panedeck"_qs, u"1\u20139"_qs, u"最大化"_qs, u"0"_qs, u"マルチ画面"_qs,
              u"マルチ画面の分割数（0キーで実行）"_qs, u"使い方"_qs, u"終了"_qs})
            QVERIFY2(texts.contains(expected), qPrintable(expected));
        QCoreApplication::processEvents();
        const QImage full = panel->panel()->grab().toImage();
        QVERIFY(full.save(Picture::snapshotPath(u"panel-full.png"_qs)));
        QCOMPARE(Picture::colourAt(full, panel->panel(), root->header(), {root->header()->width() / 2, 4}),
                 LauncherDesign::card);

        // Without access: the permission notice above the grid, no unassigned list; its texts exactly,
        // in fonts with every glyph of them, with lines that end only between phrases.
        fx->ax.trusted = false;
        fx->state->refresh();
        QVERIFY(root->permissionView() && !root->unassignedList());
        QCoreApplication::processEvents();
        const QImage withoutAccess = panel->panel()->grab().toImage();
        QVERIFY(withoutAccess.save(Picture::snapshotPath(u"panel-no-access.png"_qs)));
        QStringList notice;
        for (const QLabel* label : root->permissionView()->findChildren<QLabel*>()) {
            notice.append(label->text());
            QVERIFY(Picture::hasInk(withoutAccess, panel->panel(), label));
            QCOMPARE(missingGlyphs(label->font(), label->text()), QString());
        }
        QCOMPARE(notice.size(), 3); // the symbol, the title and the explanation
        QCOMPARE(notice[1], u"アクセシビリティ権限が必要です"_qs);
        QTextBoundaryFinder lines(QTextBoundaryFinder::Line, notice[2]);
        QStringList phrases;
        for (qsizetype from = 0; lines.toNextBoundary() != -1; from = lines.position())
            phrases << notice[2].mid(from, lines.position() - from).remove(QChar(0x2060));
        QCOMPARE(phrases, (QStringList{u"VSCodeの"_qs, u"ウィンドウを"_qs, u"列挙・切り替えるために、"_qs,
                                       u"システム設定でこの"_qs, u"アプリ"_qs, u"(開発中は"_qs, u"ターミナル)に"_qs,
                                       u"アクセシビリティ権限を"_qs, u"許可してください。"_qs, u"許可後、"_qs,
                                       u"ホットキーで"_qs, u"パネルを"_qs, u"開き直すと"_qs, u"反映されます。"_qs}));
        // Its button opens the system settings' Accessibility pane; nothing prompts.
        auto* button = root->permissionView()->findChild<QAbstractButton*>();
        QVERIFY(Picture::hasInk(withoutAccess, panel->panel(), button));
        QCOMPARE(button->text(), u"システム設定を開く"_qs);
        QCOMPARE(missingGlyphs(button->font(), button->text()), QString());
        fx->ax.trustPrompts.clear();
        button->click();
        QCOMPARE(fx->workspace.opened,
                 QStringList{u"x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"_qs});
        QVERIFY(fx->ax.trustPrompts.isEmpty());
    }

    // The header's usage meter alone: figures, bars, accessibility texts and Japanese glyphs.
    void usageMeterRowsBarsAndTexts()
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

QTEST_MAIN(PanelTest)
#include "tst_panel.moc"
