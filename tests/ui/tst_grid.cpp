#include "AppStateFixture.h"
#include "Glyphs.h"
#include "Picture.h"
#include "core/layout/DragPayload.h"
#include "ui/Fonts.h"
#include "ui/GridView.h"
#include "ui/LauncherDesign.h"
#include "ui/PanelAlert.h"
#include "ui/PanelHost.h"
#include "ui/SlotCellView.h"
#include "ui/UnassignedListView.h"
#include "ui/WindowListView.h"

#include <QAbstractButton>
#include <QMenu>
#include <QMimeData>
#include <QTest>

namespace {

// The host of the grid views over a desktop with one slot per interesting state and one unassigned
// editor window: 1 web (window, badge, recent), 2 gone (folder missing), 3 shell (Terminal, no
// folder), 4 site (Safari with a path), 5 api (lavender, server), 6–9 empty.
struct GridHost final : PanelHost {
    AppStateFixture fx;
    AppState* state = nullptr;
    int hides = 0;
    void hidePanel() override { ++hides; }

    GridHost()
    {
        Layout layout;
        layout.agentStatusEnabled = true;
        SlotEntry api = AppStateFixture::entry(u"api-service-with-a-rather-long-name"_qs, u"/src/api"_qs);
        api.color = u"lavender"_qs;
        api.server = ServerEntry{u"127.0.0.1:3000"_qs, u"chrome"_qs};
        layout.slots = {{u"1"_qs, AppStateFixture::entry(u"web"_qs, u"/src/web"_qs)},
                        {u"2"_qs, AppStateFixture::entry(u"gone"_qs, u"/src/gone"_qs)},
                        {u"3"_qs, AppStateFixture::entry(u"shell"_qs, QString(), u"terminal"_qs)},
                        {u"4"_qs, AppStateFixture::entry(u"site"_qs, u"/src/site"_qs, u"safari"_qs,
                                                         u"https://example.com/docs"_qs)},
                        {u"5"_qs, api}};
        fx.existing << u"/src/web"_qs << u"/src/site"_qs << u"/src/api"_qs << u"/src/docs"_qs;
        state = &fx.make(layout);
        fx.editorWindow(10, u"web"_qs);
        fx.editorWindow(10, u"docs"_qs);
        TestFiles::write(fx.dir.filePath(u"storage.json"_qs),
                         "{\"windowsState\": {\"openedWindows\": [{\"folder\": \"file:///src/docs\"}]}}");
        fx.agent(u"/src/web"_qs, u"waiting"_qs, QDateTime::currentDateTimeUtc().addSecs(-60));
        fx.agent(u"/src/docs"_qs, u"running"_qs, QDateTime::currentDateTimeUtc().addSecs(-60));
        fx.scheduling.clock = QDateTime::currentDateTimeUtc();
        state->refresh();
        fx.scheduling.runBackground();
    }

    const AppWindow& docs() const { return state->unassigned().first(); }
    // The names in slots 1–9, "-" for an empty one.
    QString names() const
    {
        QStringList names;
        for (int slot = 1; slot <= 9; ++slot)
            names << fx.store->layout().entry(slot).value_or(AppStateFixture::entry(u"-"_qs, {})).name;
        return names.join(u' ');
    }
};

// The visible texts, then the visible tooltips, in creation order.
QString describe(const QWidget& view)
{
    QStringList texts, tips;
    for (const QWidget* w : view.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&view))
            continue;
        if (const QString text = w->property("text").toString(); !text.isEmpty())
            texts.append(text);
        if (!w->toolTip().isEmpty())
            tips.append(w->toolTip());
    }
    return texts.join(u' ') + u" | "_qs + tips.join(u' ');
}

// The newest alert as "text|informative text|buttons…", answered with the button `answer`.
QString answerAlert(const QWidget& view, const QString& answer)
{
    const auto boxes = view.findChildren<PanelAlert*>();
    if (boxes.isEmpty())
        return QString();
    QString seen = boxes.last()->text() + u'|' + boxes.last()->informativeText();
    for (QAbstractButton* button : boxes.last()->buttons()) {
        seen += u'|' + button->text();
        if (button->text() == answer)
            button->click();
    }
    return seen;
}

const QString emptyCell = u"空きスロット | "_qs;
const QString slotActions = u"サーバーを登録 マスの設定"_qs;

} // namespace

// The slot grid, its cells and the unassigned-window list, offscreen over a faked desktop.
class GridTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(Fonts::registerBundled()); }

    void cellsOutlineAndSnapshot()
    {
        GridHost host;
        QWidget window; // the panel's two columns on its canvas
        window.setAutoFillBackground(true);
        window.setPalette(QPalette(LauncherDesign::canvas));
        (new UnassignedListView(*host.state, host, &window))->setGeometry(0, 0, 322, 448);
        auto* grid = new GridView(*host.state, host, &window);
        grid->setGeometry(338, 0, 966, 448);
        window.resize(1304, 448);

        // Each cell's texts and tooltips. A missing folder is not offered, nor a Safari slot's folder even
        // with a path; the server button registers one until there is one.
        const QStringList cells{
            u"1 web /src/web 現在開発中 最大化 | web 直近3日以内に開発していました エージェント: 入力待ち "_qs +
                u"Finderでフォルダを開く "_qs + slotActions,
            u"2 gone /src/gone フォルダが見つかりません 最大化 | gone "_qs + slotActions,
            u"3 shell フォルダ未登録 最大化 | shell "_qs + slotActions,
            u"4 site https://example.com/docs 最大化 | site SafariでURLを開く "_qs + slotActions,
            u"5 api-service-with-a-rather-long-name /src/api 最大化 | api-service-with-a-rather-long-name "_qs +
                u"Finderでフォルダを開く サーバーをブラウザで開く マスの設定"_qs};
        for (int slot = 1; slot <= 9; ++slot)
            QCOMPARE(describe(*grid->cell(slot)), cells.value(slot - 1, emptyCell));
        // Badges follow the state: the agent finished.
        host.fx.agent(u"/src/web"_qs, u"done"_qs, QDateTime::currentDateTimeUtc());
        host.state->refresh();
        QVERIFY(describe(*grid->cell(1)).contains(u"エージェント: 完了"_qs));

        // The outline sits in the inset at the block's edges: cell width (950 − 24) / 3 = 308.67, so four
        // (2 × 2) is a block of 629.33 × 284 in an outline of 645.33 × 300; two is one row, bottom at 152.
        window.show();
        const auto pixel = [&](QPoint p) { return window.grab().toImage().pixelColor(grid->pos() + p); };
        const struct {
            int tiles, x, y;
            bool outlined;
        } points[] = {{4, 1, 200, true},   {4, 644, 200, true}, {4, 300, 298, true},  {4, 964, 200, false},
                      {6, 964, 200, true}, {2, 300, 150, true}, {2, 300, 298, false}, {2, 1, 200, false},
                      {3, 964, 100, true}, {3, 964, 200, false}};
        for (const auto& [tiles, x, y, outlined] : points) {
            host.state->setTileCount(tiles);
            const QColor c = pixel({x, y});
            QVERIFY2((c.green() < 220 && c.green() > 100 && c.red() < 150) == outlined,
                     qPrintable(u"%1 tiles at %2,%3"_qs.arg(tiles).arg(x).arg(y)));
        }

        // The lavender slot's fill and the standard slot with a window.
        host.state->setTileCount(6);
        const auto fill = [&](int s) { return pixel(grid->cell(s)->geometry().topRight() + QPoint(-4, 70)); };
        QCOMPARE(fill(5), ThemeColors::of(PanelTheme::lavender).background);
        QCOMPARE(fill(1), LauncherDesign::primaryTint);
        QVERIFY(window.grab().save(Picture::snapshotPath(u"grid-view.png"_qs)));

        // The bundled fonts have every glyph of the cells' and the list's texts and tooltips, hidden ones
        // included, and of the alerts', menus' and badges' words.
        QString texts =
            u"配置を解除 キャンセル 設定… このマスの配置を解除しますか? ブラウザを起動できませんでした"_qs +
            u"指定したブラウザがインストールされているか確認してください。 入力待ち 未読"_qs;
        for (const QWidget* w : window.findChildren<QWidget*>())
            texts += w->property("text").toString() + w->toolTip().replace(u'\n', u' ');
        using Style = LauncherDesign::TextStyle;
        for (const Style style : {Style::title, Style::label, Style::caption, Style::micro})
            QCOMPARE(missingGlyphs(LauncherDesign::font(style), texts), QString());
    }

    void clicksActionsAndDrops()
    {
        GridHost host;
        GridView grid(*host.state, host);
        grid.resize(966, 448);
        const auto button = [&](int slot, int index) { return grid.cell(slot)->actionButtons().at(index); };
        QTest::mouseClick(grid.cell(1), Qt::LeftButton, {}, QPoint(60, 40));
        QCOMPARE(host.fx.ax.callsMatching(u"perform"_qs), QStringList{u"perform w1 AXRaise"_qs});
        QCOMPARE(host.hides, 1);

        // An empty slot does nothing and offers nothing. (Each count of hides below also covers the steps
        // before it that keep the panel.)
        QTest::mouseClick(grid.cell(9), Qt::LeftButton, {}, QPoint(60, 40));
        QVERIFY(!grid.cell(9)->contextMenu() && !grid.cell(9)->dragData());

        // A missing folder: the alert, the panel stays; removing clears the slot.
        grid.cell(2)->click();
        QCOMPARE(
            answerAlert(grid, u"キャンセル"_qs),
            u"フォルダが見つかりません|/src/gone\nこのマスの配置を解除しますか?|配置を解除|キャンセル"_qs);
        QVERIFY(host.fx.store->layout().entry(2));
        grid.cell(2)->click();
        answerAlert(grid, u"配置を解除"_qs);
        QCOMPARE(describe(*grid.cell(2)), emptyCell);

        // Without a server the server button opens the slot's settings; a failed browser launch keeps
        // the panel open with the browser alert.
        button(3, 2)->click();
        QCOMPARE(host.state->settingsSlot(), 3);
        host.fx.processes.exitStatus = 1;
        button(5, 2)->click();
        QCOMPARE(host.hides, 1);
        QCOMPARE(answerAlert(grid, u"OK"_qs),
                 u"ブラウザを起動できませんでした|"_qs +
                     u"指定したブラウザがインストールされているか確認してください。|OK"_qs);
        host.fx.processes.exitStatus = 0;
        button(5, 2)->click();
        QCOMPARE(host.hides, 2);
        QVERIFY(host.fx.processes.calls.last().arguments.join(u' ').contains(u"http://127.0.0.1:3000"_qs));

        // The folder button opens the folder in the file manager and hides the panel.
        button(1, 0)->click();
        QCOMPARE(host.fx.workspace.opened.last(), u"/src/web"_qs);
        QCOMPARE(host.hides, 3);

        // Context menu of an assigned slot: settings, then removal.
        const auto menu = grid.cell(4)->contextMenu();
        QVERIFY(menu && menu->actions().size() == 2);
        const auto items = menu->actions();
        QCOMPARE(items[0]->text() + u'|' + items[1]->text(), u"設定…|配置を解除"_qs);
        items[0]->trigger();
        QCOMPARE(host.state->settingsSlot(), 4);
        items[1]->trigger();
        QCOMPARE(host.names(), u"web - shell - api-service-with-a-rather-long-name - - - -"_qs);

        // A window that left the list, and text that is no payload, change nothing; a listed one takes the
        // slot.
        std::unique_ptr<QMimeData> dragged(UnassignedListView::dragData(host.docs()));
        const Layout before = host.fx.store->layout();
        grid.cell(9)->drop(DragPayload::window(QUuid::createUuid()).string());
        grid.cell(9)->drop(u"hello"_qs);
        QCOMPARE(host.fx.store->layout(), before);
        grid.cell(9)->drop(dragged->text());
        QCOMPARE(describe(*grid.cell(9)),
                 u"9 docs /src/docs 現在開発中 最大化 | docs 直近3日以内に開発していました "_qs +
                     u"エージェント: 実行中 Finderでフォルダを開く "_qs + slotActions);

        // A slot dropped on another swaps them; on itself it stays; onto an empty slot it moves.
        std::unique_ptr<QMimeData> slot1(grid.cell(1)->dragData());
        grid.cell(3)->drop(slot1->text());
        QCOMPARE(describe(*grid.cell(1)), u"1 shell フォルダ未登録 最大化 | shell "_qs + slotActions);
        grid.cell(3)->drop(u"slot:3"_qs);
        grid.cell(8)->drop(u"slot:5"_qs);
        QCOMPARE(host.names(), u"shell - web - - - - api-service-with-a-rather-long-name docs"_qs);
    }

    void unassignedList()
    {
        GridHost host;
        UnassignedListView list(*host.state, host);
        list.resize(322, 448);
        list.show();
        WindowListView* rows = list.rows();
        const QString header = u"未配置のウィンドウ "_qs;
        QCOMPARE(rows->rows().size(), 1);
        QCOMPARE(rows->shownName(0), u"docs"_qs);
        QCOMPARE(rows->rows()[0].badge, AgentState::running);

        // The folder button opens the project's folder; a click on the row raises the window.
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, rows->folderButtonRect(0).center());
        QCOMPARE(host.fx.workspace.opened.last(), u"/src/docs"_qs);
        QCOMPARE(host.hides, 1);
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, QPoint(30, rows->rowRect(0).center().y()));
        QCOMPARE(host.fx.ax.callsMatching(u"perform"_qs), QStringList{u"perform w2 AXRaise"_qs});
        QCOMPARE(host.hides, 2);

        // A new listing of the same windows: the row takes the new record, with its badge.
        const QUuid before = host.docs().id;
        host.state->refresh();
        QVERIFY(host.docs().id != before);
        QCOMPARE(rows->rows()[0].window.id, host.docs().id);
        QCOMPARE(rows->rows()[0].badge, AgentState::running);
        host.state->assignWindow(host.docs(), 9);
        host.state->refresh();
        QVERIFY(rows->rows().isEmpty());

        // Assigned away: header with 0 and the empty line, while the Terminal windows are still being listed.
        QCOMPARE(describe(list), header + u"0 ターミナルを読み込み中… すべてのウィンドウが配置されています | "
                                          u"ターミナルを読み込み中…"_qs);
        host.fx.scheduling.runBackground();
        QCOMPARE(describe(list), header + u"0 すべてのウィンドウが配置されています | "_qs);
        const QImage picture = list.grab().toImage();
        QVERIFY(picture.save(Picture::snapshotPath(u"unassigned-empty.png"_qs)));
        QCOMPARE(picture.pixelColor(list.width() / 2, list.height() - 40), LauncherDesign::card);
        QVERIFY(Picture::hasInk(picture, &list, &list));

        // A row's name: the project, the Terminal folder's name or the page's domain, else the title.
        using enum WindowKind;
        const auto name = [](WindowKind kind, const QString& title, std::optional<QString> path) {
            return UnassignedListView::displayName(AppWindow(kind, title, std::nullopt, std::move(path)));
        };
        QCOMPARE(name(safari, u"Local page"_qs, u"file:///tmp/a.html"_qs), u"Local page"_qs);
        QCOMPARE(name(safari, u"Page"_qs, u"https://www.example.org/x"_qs), u"example.org"_qs);
        QCOMPARE(name(terminal, u"zsh"_qs, std::nullopt), u"zsh"_qs);
        QCOMPARE(name(terminal, u"zsh"_qs, u" /src/proj/\n"_qs), u"proj"_qs);
        QCOMPARE(name(vscode, u"Welcome"_qs, std::nullopt), u"Welcome"_qs);
    }
};

QTEST_MAIN(GridTest)
#include "tst_grid.moc"
