#include "AppStateFixture.h"
#include "core/layout/DragPayload.h"
#include "core/text/IsoTime.h"
#include "ui/Fonts.h"
#include "ui/GridView.h"
#include "ui/LauncherDesign.h"
#include "ui/PanelHost.h"
#include "ui/SlotCellView.h"
#include "ui/UnassignedListView.h"

#include <QAbstractButton>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>

namespace {

class FakeHost final : public PanelHost {
public:
    int hides = 0;
    void hidePanel() override { ++hides; }
};

// A grid over a desktop with one slot per interesting state and one unassigned editor window:
// 1 web (window, badge, recent), 2 gone (folder missing), 3 shell (Terminal, no folder),
// 4 site (Safari with a path), 5 api (lavender, server), 6–9 empty.
struct Panel {
    AppStateFixture fx;
    FakeHost host;
    AppState* state = nullptr;

    Panel()
    {
        Layout layout;
        layout.agentStatusEnabled = true;
        layout.slots.insert(u"1"_qs, AppStateFixture::entry(u"web"_qs, u"/src/web"_qs));
        layout.slots.insert(u"2"_qs, AppStateFixture::entry(u"gone"_qs, u"/src/gone"_qs));
        layout.slots.insert(u"3"_qs, AppStateFixture::entry(u"shell"_qs, QString(), u"terminal"_qs));
        layout.slots.insert(u"4"_qs, AppStateFixture::entry(u"site"_qs, u"/src/site"_qs, u"safari"_qs,
                                                            u"https://example.com/docs"_qs));
        SlotEntry api = AppStateFixture::entry(u"api-service-with-a-rather-long-name"_qs, u"/src/api"_qs);
        api.color = u"lavender"_qs;
        api.server = ServerEntry{u"127.0.0.1:3000"_qs, u"chrome"_qs};
        layout.slots.insert(u"5"_qs, api);
        fx.existing << u"/src/web"_qs << u"/src/site"_qs << u"/src/api"_qs << u"/src/docs"_qs;
        state = &fx.make(layout);
        fx.editorWindow(10, u"web"_qs);
        fx.editorWindow(10, u"docs"_qs);
        QFile storage(fx.dir.filePath(u"storage.json"_qs));
        QVERIFY(storage.open(QIODevice::WriteOnly));
        const QJsonObject opened{{u"folder"_qs, u"file:"_qs + u"///src/docs"_qs}};
        const QJsonObject windows{{u"openedWindows"_qs, QJsonArray{opened}}};
        storage.write(QJsonDocument(QJsonObject{{u"windowsState"_qs, windows}}).toJson());
        storage.close();
        const QString states = fx.dir.filePath(u"support/agent-state/"_qs);
        QDir().mkpath(states);
        writeAgentState(states + u"a.state"_qs, u"/src/web"_qs, u"waiting"_qs);
        writeAgentState(states + u"b.state"_qs, u"/src/docs"_qs, u"running"_qs);
        fx.scheduling.clock = QDateTime::currentDateTimeUtc();
        state->refresh();
        fx.scheduling.runBackground();
    }

    static void writeAgentState(const QString& file, const QString& cwd, const QString& agentState)
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write((u"cwd="_qs + cwd + u"\nstate="_qs + agentState + u"\nupdatedAt="_qs +
                 IsoTime::format(QDateTime::currentDateTimeUtc().addSecs(-60)) + u'\n')
                    .toUtf8());
    }

    const AppWindow& docs() const { return state->unassigned().first(); }
    QString slotName(int slot) const
    {
        const auto entry = fx.store->layout().entry(slot);
        return entry ? entry->name : QString();
    }
};

QStringList labelTexts(const QWidget& view)
{
    QStringList texts;
    for (const QLabel* label : view.findChildren<QLabel*>())
        if (label->isVisibleTo(&view) && !label->text().isEmpty())
            texts.append(label->text());
    return texts;
}

QStringList visibleTooltips(const SlotCellView& cell)
{
    QStringList tips;
    for (const QAbstractButton* button : cell.actionButtons())
        if (button->isVisibleTo(&cell))
            tips.append(button->toolTip());
    return tips;
}

QMessageBox* openAlert(const QWidget& view)
{
    const auto boxes = view.findChildren<QMessageBox*>();
    return boxes.isEmpty() ? nullptr : boxes.last();
}

void clickButton(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* button : box->buttons())
        if (button->text() == text)
            return button->click();
    QFAIL(qPrintable(u"no button "_qs + text));
}

} // namespace

// The slot grid, its cells and the unassigned-window list, offscreen over a faked desktop.
class GridTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Fonts::registerBundled(); }

    void clickingJumpsOrWarns()
    {
        Panel panel;
        GridView grid(*panel.state, panel.host);
        grid.resize(966, 448);
        QTest::mouseClick(grid.cell(1), Qt::LeftButton, {}, QPoint(60, 40));
        QCOMPARE(panel.fx.ax.callsMatching(u"perform"_qs), QStringList{u"perform w1 AXRaise"_qs});
        QCOMPARE(panel.host.hides, 1);

        // An empty slot does nothing and offers nothing.
        SlotCellView* empty = grid.cell(9);
        QTest::mouseClick(empty, Qt::LeftButton, {}, QPoint(60, 40));
        QCOMPARE(panel.host.hides, 1);
        QVERIFY(visibleTooltips(*empty).isEmpty());
        QVERIFY(!empty->contextMenu());
        QVERIFY(!empty->dragData());
        QVERIFY(labelTexts(*empty).contains(SlotCellView::emptyText));

        // A missing folder: the alert, the panel stays; removing clears the slot.
        grid.cell(2)->click();
        QCOMPARE(panel.host.hides, 1);
        QMessageBox* alert = openAlert(grid);
        QVERIFY(alert);
        QCOMPARE(alert->text(), u"フォルダが見つかりません"_qs);
        QCOMPARE(alert->informativeText(), u"/src/gone\nこのマスの配置を解除しますか?"_qs);
        clickButton(alert, u"キャンセル"_qs);
        QVERIFY(panel.fx.store->layout().entry(2));
        grid.cell(2)->click();
        clickButton(openAlert(grid), u"配置を解除"_qs);
        QVERIFY(!panel.fx.store->layout().entry(2));
        QVERIFY(labelTexts(*grid.cell(2)).contains(SlotCellView::emptyText));
        QCOMPARE(panel.host.hides, 1);
    }

    void actionButtons()
    {
        Panel panel;
        GridView grid(*panel.state, panel.host);
        QCOMPARE(visibleTooltips(*grid.cell(1)),
                 (QStringList{u"Finderでフォルダを開く"_qs, u"サーバーを登録"_qs, u"マスの設定"_qs}));
        QCOMPARE(visibleTooltips(*grid.cell(2)), (QStringList{u"サーバーを登録"_qs, u"マスの設定"_qs}));
        QCOMPARE(visibleTooltips(*grid.cell(3)), (QStringList{u"サーバーを登録"_qs, u"マスの設定"_qs}));
        // A Safari slot never offers its folder, even with a path.
        QCOMPARE(visibleTooltips(*grid.cell(4)),
                 (QStringList{u"SafariでURLを開く"_qs, u"サーバーを登録"_qs, u"マスの設定"_qs}));
        const auto server = [&](int slot) { return grid.cell(slot)->actionButtons().at(2); };
        QCOMPARE(server(5)->toolTip(), u"サーバーをブラウザで開く"_qs);

        // Without a server the button opens the slot's settings and keeps the panel.
        server(3)->click();
        QCOMPARE(panel.state->settingsSlot(), 3);
        // A failed browser launch keeps the panel open with the browser alert.
        panel.fx.processes.exitStatus = 1;
        server(5)->click();
        QCOMPARE(panel.host.hides, 0);
        QMessageBox* alert = openAlert(grid);
        QVERIFY(alert);
        QCOMPARE(alert->text(), u"ブラウザを起動できませんでした"_qs);
        QCOMPARE(alert->informativeText(),
                 u"指定したブラウザがインストールされているか確認してください。"_qs);
        QCOMPARE(alert->buttons().size(), 1);
        clickButton(alert, u"OK"_qs);
        panel.fx.processes.exitStatus = 0;
        server(5)->click();
        QCOMPARE(panel.host.hides, 1);
        QVERIFY(panel.fx.processes.calls.last().arguments.join(u' ').contains(u"http://127.0.0.1:3000"_qs));

        // The folder button opens the folder in the file manager and hides the panel.
        grid.cell(1)->actionButtons().at(0)->click();
        QCOMPARE(panel.fx.workspace.opened.last(), u"/src/web"_qs);
        QCOMPARE(panel.host.hides, 2);

        // Context menu of an assigned slot: settings, then removal.
        auto menu = grid.cell(4)->contextMenu();
        QVERIFY(menu);
        const auto actions = menu->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0]->text(), u"設定…"_qs);
        QCOMPARE(actions[1]->text(), u"配置を解除"_qs);
        actions[0]->trigger();
        QCOMPARE(panel.state->settingsSlot(), 4);
        actions[1]->trigger();
        QVERIFY(!panel.fx.store->layout().entry(4));
    }

    void dropsAssignAndSwap()
    {
        Panel panel;
        GridView grid(*panel.state, panel.host);
        std::unique_ptr<QMimeData> dragged(UnassignedListView::dragData(panel.docs()));
        QCOMPARE(dragged->text(), DragPayload::window(panel.docs().id).string());

        // A window that left the list, and text that is no payload, change nothing.
        const Layout before = panel.fx.store->layout();
        grid.cell(9)->drop(DragPayload::window(QUuid::createUuid()).string());
        grid.cell(9)->drop(u"hello"_qs);
        QCOMPARE(panel.fx.store->layout(), before);

        grid.cell(9)->drop(dragged->text());
        QCOMPARE(panel.slotName(9), u"docs"_qs);
        QCOMPARE(panel.fx.store->layout().entry(9)->path, u"/src/docs"_qs);
        QVERIFY(panel.state->unassigned().isEmpty());
        QVERIFY(labelTexts(*grid.cell(9)).contains(u"docs"_qs));

        // A slot dropped on another swaps them; on itself it stays.
        std::unique_ptr<QMimeData> slot1(grid.cell(1)->dragData());
        QCOMPARE(slot1->text(), u"slot:1"_qs);
        grid.cell(3)->drop(slot1->text());
        QCOMPARE(panel.slotName(3), u"web"_qs);
        QCOMPARE(panel.slotName(1), u"shell"_qs);
        QVERIFY(labelTexts(*grid.cell(1)).contains(u"shell"_qs));
        grid.cell(3)->drop(u"slot:3"_qs);
        QCOMPARE(panel.slotName(3), u"web"_qs);
        // Onto an empty slot it moves.
        grid.cell(8)->drop(u"slot:5"_qs);
        QVERIFY(!panel.fx.store->layout().entry(5));
        QCOMPARE(panel.slotName(8), u"api-service-with-a-rather-long-name"_qs);
    }

    void textsAndBadges()
    {
        Panel panel;
        GridView grid(*panel.state, panel.host);
        const QStringList web = labelTexts(*grid.cell(1));
        for (const QString& text : {u"1"_qs, u"web"_qs, u"/src/web"_qs, SlotCellView::recentText})
            QVERIFY2(web.contains(text), qPrintable(text));
        QVERIFY(!web.contains(SlotCellView::missingText));
        const auto badges = grid.cell(1)->findChildren<AgentBadge*>();
        QCOMPARE(badges.size(), 1);
        QCOMPARE(badges.first()->toolTip(), u"エージェント: 入力待ち"_qs);

        QVERIFY(labelTexts(*grid.cell(2)).contains(SlotCellView::missingText));
        QVERIFY(grid.cell(2)->findChildren<AgentBadge*>().isEmpty());
        QVERIFY(labelTexts(*grid.cell(3)).contains(SlotCellView::noFolderText));
        QVERIFY(labelTexts(*grid.cell(4)).contains(u"https://example.com/docs"_qs));
        QVERIFY(!labelTexts(*grid.cell(4)).contains(u"/src/site"_qs));
        for (int slot = 1; slot <= 5; ++slot) {
            const auto buttons = grid.cell(slot)->findChildren<QAbstractButton*>();
            QVERIFY(std::any_of(buttons.begin(), buttons.end(),
                                [](auto* b) { return b->text() == SlotCellView::maximizeText; }));
        }

        // Badges follow the state: the agent finished and the window changed slots.
        Panel::writeAgentState(panel.fx.dir.filePath(u"support/agent-state/a.state"_qs), u"/src/web"_qs,
                               u"done"_qs);
        panel.state->refresh();
        QCOMPARE(grid.cell(1)->findChildren<AgentBadge*>().first()->toolTip(), u"エージェント: 完了"_qs);
    }

    void tileOutline()
    {
        Panel panel;
        GridView grid(*panel.state, panel.host);
        grid.resize(966, 448);
        grid.show();
        const auto outlined = [&](int x, int y) {
            const QColor c = grid.grab().toImage().pixelColor(x, y);
            return c.green() < 220 && c.green() > 100 && c.red() < 150;
        };
        // Four: two columns by two rows; the outline sits in the inset at the block's edges.
        // cell width (950 − 24) / 3 = 308.67, block 629.33 × 284, outline 645.33 × 300.
        panel.state->setTileCount(4);
        QVERIFY(outlined(1, 200));
        QVERIFY(outlined(644, 200));
        QVERIFY(outlined(300, 298));
        QVERIFY(!outlined(964, 200));
        panel.state->setTileCount(6);
        QVERIFY(outlined(964, 200));
        // Two: one row, so the bottom line is at 152 and the gap below the second row stays clear.
        panel.state->setTileCount(2);
        QVERIFY(outlined(300, 150));
        QVERIFY(!outlined(300, 298));
        QVERIFY(!outlined(1, 200));
    }

    void unassignedList()
    {
        Panel panel;
        UnassignedListView list(*panel.state, panel.host);
        list.resize(322, 448);
        QCOMPARE(list.width(), 322);
        const QStringList texts = labelTexts(list);
        for (const QString& text : {UnassignedListView::title, u"1"_qs, u"docs"_qs})
            QVERIFY2(texts.contains(text), qPrintable(text));
        QVERIFY(!texts.contains(UnassignedListView::emptyText));
        QVERIFY(!texts.contains(UnassignedListView::loadingText));
        const auto badges = list.findChildren<AgentBadge*>();
        QCOMPARE(badges.size(), 1);
        QCOMPARE(badges.first()->toolTip(), u"エージェント: 実行中"_qs);

        // The folder button opens the project's folder; a click on the row raises the window.
        const auto folder = list.findChildren<QAbstractButton*>();
        QCOMPARE(folder.size(), 1);
        QCOMPARE(folder.first()->toolTip(), UnassignedListView::folderTooltip);
        folder.first()->click();
        QCOMPARE(panel.fx.workspace.opened.last(), u"/src/docs"_qs);
        QCOMPARE(panel.host.hides, 1);
        QWidget* row = folder.first()->parentWidget();
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(30, row->height() / 2));
        QCOMPARE(panel.fx.ax.callsMatching(u"perform"_qs), QStringList{u"perform w2 AXRaise"_qs});
        QCOMPARE(panel.host.hides, 2);

        // A new listing of the same windows keeps the rows and gives them the new records.
        const QUuid before = panel.docs().id;
        panel.state->refresh();
        QVERIFY(panel.docs().id != before);
        QCOMPARE(list.findChildren<QAbstractButton*>(), folder);
        QCOMPARE(list.findChildren<AgentBadge*>().size(), 1); // its badge found under the new record
        QPointer<QWidget> kept(row);
        panel.state->assignWindow(panel.docs(), 9);
        QVERIFY(!kept); // the new record was the one assigned away
        panel.state->refresh();

        // Assigned away, the list is empty: header with 0 and the empty line.
        const QStringList after = labelTexts(list);
        QVERIFY(after.contains(UnassignedListView::emptyText));
        QVERIFY(after.contains(u"0"_qs));
        QVERIFY(!after.contains(u"docs"_qs));
        QVERIFY(after.contains(UnassignedListView::loadingText)); // Terminal windows are being listed
        panel.fx.scheduling.runBackground();
        QVERIFY(!labelTexts(list).contains(UnassignedListView::loadingText));
    }

    void displayNames()
    {
        AppWindow safari(WindowKind::safari, u"Local page"_qs, std::nullopt, u"file:///tmp/a.html"_qs);
        QCOMPARE(UnassignedListView::displayName(safari), u"Local page"_qs);
        safari.folderPath = u"https://www.example.org/x"_qs;
        QCOMPARE(UnassignedListView::displayName(safari), u"example.org"_qs);
        AppWindow terminal(WindowKind::terminal, u"zsh"_qs, std::nullopt, std::nullopt);
        QCOMPARE(UnassignedListView::displayName(terminal), u"zsh"_qs);
        terminal.folderPath = u" /src/proj/\n"_qs;
        QCOMPARE(UnassignedListView::displayName(terminal), u"proj"_qs);
        AppWindow editor(WindowKind::vscode, u"Welcome"_qs, std::nullopt, std::nullopt);
        QCOMPARE(UnassignedListView::displayName(editor), u"Welcome"_qs);
    }

    void snapshots()
    {
        Panel panel;
        panel.state->setTileCount(6);
        QWidget panelWidget;
        panelWidget.setAutoFillBackground(true);
        QPalette palette = panelWidget.palette();
        palette.setColor(QPalette::Window, LauncherDesign::canvas);
        panelWidget.setPalette(palette);
        auto* list = new UnassignedListView(*panel.state, panel.host, &panelWidget);
        auto* grid = new GridView(*panel.state, panel.host, &panelWidget);
        list->setGeometry(0, 0, 322, 448);
        grid->setGeometry(338, 0, 966, 448);
        panelWidget.resize(1304, 448);
        panelWidget.show();
        const QImage image = panelWidget.grab().toImage();
        QVERIFY(image.save(QDir(QStringLiteral(QT_TESTCASE_BUILDDIR)).filePath(u"grid-view.png"_qs)));
        // The lavender slot's fill and the standard slot with a window.
        const QPoint api = grid->cell(5)->geometry().topLeft() + grid->pos();
        QCOMPARE(image.pixelColor(api + QPoint(grid->cell(5)->width() - 4, 70)),
                 ThemeColors::of(PanelTheme::lavender).background);
        const QPoint web = grid->cell(1)->geometry().topLeft() + grid->pos();
        QCOMPARE(image.pixelColor(web + QPoint(grid->cell(1)->width() - 4, 70)), LauncherDesign::primaryTint);

        Panel none;
        none.state->assignWindow(none.docs(), 9);
        UnassignedListView emptyList(*none.state, none.host);
        emptyList.resize(322, 200);
        emptyList.show();
        QVERIFY(emptyList.grab().toImage().save(
            QDir(QStringLiteral(QT_TESTCASE_BUILDDIR)).filePath(u"unassigned-empty.png"_qs)));
    }

    void japaneseRenders()
    {
        using LauncherDesign::TextStyle;
        const QStringList texts{
            SlotCellView::emptyText,
            SlotCellView::noFolderText,
            SlotCellView::recentText,
            SlotCellView::recentTooltip,
            SlotCellView::missingText,
            SlotCellView::maximizeText,
            UnassignedListView::title,
            UnassignedListView::loadingText,
            UnassignedListView::emptyText,
            UnassignedListView::folderTooltip,
            u"配置を解除 キャンセル 設定… このマスの配置を解除しますか?"_qs,
            u"ブラウザを起動できませんでした 指定したブラウザがインストールされているか確認してください。"_qs,
            u"SafariでURLを開く サーバーをブラウザで開く サーバーを登録 マスの設定"_qs,
            u"エージェント: 実行中 入力待ち 未読 完了"_qs};
        for (const TextStyle style :
             {TextStyle::title, TextStyle::label, TextStyle::caption, TextStyle::micro}) {
            const QFont font = LauncherDesign::font(style);
            const QFontMetrics metrics(font);
            for (const QString& text : texts)
                for (const char32_t c : text.toUcs4())
                    QVERIFY2(metrics.inFontUcs4(c),
                             qPrintable(u"no glyph for "_qs + QString::fromUcs4(&c, 1) + u" in "_qs +
                                        font.family()));
        }
    }
};

QTEST_MAIN(GridTest)
#include "tst_grid.moc"
