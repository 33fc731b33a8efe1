#include "AppStateFixture.h"
#include "Glyphs.h"
#include "ui/AppSettingsSheet.h"
#include "ui/Fonts.h"
#include "ui/SlotSettingsSheet.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace {

// A bundle that carries the agent state script, when given one.
class ScriptBundle final : public Bundle {
public:
    std::optional<QString> script;
    std::optional<QVariant> infoValue(const QString&) const override { return std::nullopt; }
    std::optional<QString> resourcePath(const QString& name, const QString& extension) const override
    {
        return name == u"agent-state"_qs && extension == u"sh"_qs ? script : std::nullopt;
    }
    std::optional<QString> bundleIdentifier() const override { return std::nullopt; }
};

template <typename T = QLineEdit> T* child(const QWidget& sheet, const QString& name)
{
    T* widget = sheet.findChild<T*>(name);
    if (!widget)
        qFatal("no child %s", qPrintable(name));
    return widget;
}

// Types each "field=value" into its field.
void type(const QWidget& sheet, const QStringList& fields)
{
    for (const QString& field : fields)
        child(sheet, field.section(u'=', 0, 0))->setText(field.section(u'=', 1));
}

// Every text the sheet shows (its title, labels, buttons, field hints, choices, menu entries and
// tooltips), sorted.
QStringList words(const QWidget& sheet)
{
    QStringList all{sheet.windowTitle()};
    for (const QObject* o : sheet.findChildren<QObject*>()) {
        if (const auto* box = qobject_cast<const QComboBox*>(o))
            for (int i = 0; i < box->count(); ++i)
                all << box->itemText(i);
        if (const auto* action = qobject_cast<const QAction*>(o))
            all << action->text();
        if (const auto* w = qobject_cast<const QWidget*>(o))
            all << w->property(qobject_cast<const QLineEdit*>(w) ? "placeholderText" : "text").toString()
                << w->toolTip();
    }
    all.removeAll(QString());
    all.removeDuplicates();
    all.sort();
    return all;
}

} // namespace

// The two settings sheets: what they load, the order of their validation messages, what a save
// writes, and what a cancel leaves alone.
class SheetsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<AppStateFixture> fx;
    ScriptBundle bundle;

    QString mkdir(const QString& relative)
    {
        return QDir().mkpath(fx->dir.filePath(relative)) ? fx->dir.filePath(relative) : QString();
    }
    static QString label(const QWidget& sheet, const QString& n) { return child<QLabel>(sheet, n)->text(); }
    // Agent state files when `entries`; the `claude` program in ~/.local/bin when `claude`.
    AppSettingsSheet::Probes probes(bool entries = false, bool claude = true)
    {
        const QString program = claude ? fx->dir.filePath(u".local/bin/claude"_qs) : QString();
        return {fx->dir.path(), [program](const QString& p) { return p == program; }, [entries] { return entries; }};
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(Fonts::registerBundled()); }
    void init() { fx = std::make_unique<AppStateFixture>(); }
    void cleanup() { fx.reset(); }

    void appSheetReportsProblemsInOrderChoosesAndSaves()
    {
        AppState& state = fx->make(Layout::empty());
        const QString proj = mkdir(u"proj"_qs), tool = mkdir(u"Tool.app"_qs),
                      code = mkdir(u"Visual Studio Code.app"_qs);
        AppSettingsSheet sheet(state, bundle, fx->workspace, nullptr, probes());
        sheet.show();
        QVERIFY(state.appSettingsShown());
        // Blank rows are skipped; a target alone takes its name from the folder or the domain.
        type(sheet, {u"folder.1.name=  "_qs, u"folder.1.target= \n"_qs, u"folder.2.name=Docs"_qs,
                     u"folder.4.target="_qs + proj + u'/', u"app.1.name=Tool"_qs,
                     u"url.1.target=https://www.example.com/a"_qs, u"url.3.name=Wiki"_qs});
        const QList<std::pair<QString, QString>> steps{
            {u"フォルダ 2 のパスを指定してください"_qs, u"folder.2.target=/nowhere/at/all"_qs},
            {u"フォルダ 2 に存在するフォルダを指定してください"_qs, u"folder.2.target="_qs + proj},
            {u"アプリ 1 の場所を指定してください"_qs, u"app.1.target="_qs + proj},
            {u"アプリ 1 に存在するアプリ（.app）を指定してください"_qs, u"app.1.target="_qs + tool},
            {u"URL 3 のアドレスを指定してください"_qs, u"url.3.target=ftp://wiki.example.com"_qs},
            {u"URL 3 は http:// または https:// で始まる有効な形式にしてください"_qs,
             u"url.3.target=https://wiki.example.com"_qs},
        };
        for (const auto& [message, fix] : steps) {
            QTest::mouseClick(child<QPushButton>(sheet, u"save"_qs), Qt::LeftButton);
            QCOMPARE(sheet.errorMessage(), message);
            QCOMPARE(label(sheet, u"error"_qs), message);
            QVERIFY(sheet.isVisible() && !fx->store->layout().folderShortcuts);
            type(sheet, {fix});
        }

        // The choosers fill a row's target, and its name when it has none; applications are chosen from
        // /Applications or from the running ones, background ones left out.
        QStringList asked;
        const auto chooser = [&](const QString& path) {
            return [&asked, path](QWidget*, const QString& prompt, const QString& start) {
                asked << prompt + u'|' + start;
                return path;
            };
        };
        sheet.setFolderChooser(chooser(proj));
        sheet.setApplicationChooser(chooser(code));
        type(sheet, {u"folder.3.name=Keep"_qs});
        QTest::mouseClick(child<QPushButton>(sheet, u"folder.3.choose"_qs), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(sheet, u"folder.5.choose"_qs), Qt::LeftButton);
        child<QToolButton>(sheet, u"app.2.menu"_qs)->menu()->actions()[1]->trigger();
        QCOMPARE(asked, (QStringList{u"ショートカットに登録|"_qs, u"ショートカットに登録|"_qs,
                                     u"ショートカットに登録|/Applications"_qs}));
        QMenu* running = child<QToolButton>(sheet, u"app.3.menu"_qs)->menu()->findChild<QMenu*>(u"running"_qs);
        Q_EMIT running->aboutToShow();
        QVERIFY(running->actions().size() == 1 && !running->actions()[0]->isEnabled());
        QCOMPARE(running->actions()[0]->text(), u"起動中のアプリがありません"_qs);
        fx->workspace.applications = {{u"Zed"_qs, tool, u"dev.zed"_qs, true},
                                     {u"Dock"_qs, u"/System/Dock.app"_qs, u"com.apple.dock"_qs, false}};
        Q_EMIT running->aboutToShow();
        QCOMPARE(running->actions().size(), 1);
        running->actions()[0]->trigger();
        fx->workspace.applications.clear();
        const auto name = [&](const QString& row) { return child(sheet, row + u".name"_qs)->text(); };
        QCOMPARE(name(u"folder.3"_qs) + u'|' + name(u"folder.5"_qs), u"Keep|proj"_qs);
        QCOMPARE(name(u"app.2"_qs) + u'|' + name(u"app.3"_qs), u"Visual Studio Code|Zed"_qs);

        QVERIFY(sheet.save() && !sheet.isVisible() && !state.appSettingsShown());
        const Layout& saved = fx->store->layout();
        QCOMPARE(saved.folderShortcuts,
                 (QList<ShortcutEntry>{
                     {u"Docs"_qs, proj}, {u"Keep"_qs, proj}, {u"proj"_qs, proj}, {u"proj"_qs, proj}}));
        QCOMPARE(
            saved.appShortcuts,
            (QList<ShortcutEntry>{{u"Tool"_qs, tool}, {u"Visual Studio Code"_qs, code}, {u"Zed"_qs, tool}}));
        QCOMPARE(saved.urlShortcuts,
                 (QList<ShortcutEntry>{{u"example.com"_qs, u"https://www.example.com/a"_qs},
                                       {u"Wiki"_qs, u"https://wiki.example.com"_qs}}));
        QCOMPARE(state.folderShortcuts(), *saved.folderShortcuts);
    }

    void appSheetTriggersStatusLimitsAndCancel()
    {
        Layout layout;
        layout.doubleTapShift = false; // older files: no key
        layout.tapCount = 3;
        QList<ShortcutEntry> entries;
        for (int n = 1; n <= 12; ++n)
            entries.append({u"s"_qs + QString::number(n), mkdir(u"s%1.app"_qs.arg(n))});
        layout.folderShortcuts = entries.mid(0, 3);
        layout.appShortcuts = entries;
        AppState& state = fx->make(layout);
        int triggered = 0;
        state.triggerSettingsChanged = [&] { ++triggered; };
        const Layout before = fx->store->layout();
        {
            AppSettingsSheet sheet(state, bundle, fx->workspace, nullptr, probes(true, false));
            sheet.show();
            auto* key = child<QComboBox>(sheet, u"doubleTapKey"_qs);
            auto* tapCount = child<QComboBox>(sheet, u"tapCount"_qs);
            auto* spaceCaption = child<QLabel>(sheet, u"spaceCaption"_qs);
            QCOMPARE(key->currentText() + tapCount->currentText(), u"なし3回"_qs);
            QVERIFY(!tapCount->isVisibleTo(&sheet) && !spaceCaption->isVisibleTo(&sheet));
            key->setCurrentText(u"Space"_qs);
            QVERIFY(tapCount->isVisibleTo(&sheet) && spaceCaption->isVisibleTo(&sheet));
            // Rows up to each list's limit, filled from the start.
            QCOMPARE(child(sheet, u"folder.3.target"_qs)->text(), entries[2].target);
            QVERIFY(child(sheet, u"folder.4.target"_qs)->text().isEmpty());
            QCOMPARE(child(sheet, u"app.10.name"_qs)->text(), u"s10"_qs);
            for (const QString& absent : {u"folder.6.name"_qs, u"app.11.name"_qs, u"url.6.name"_qs})
                QVERIFY2(!sheet.findChild<QLineEdit*>(absent), qPrintable(absent));
            // No script in the bundle and no `claude`: no hook button, the plain descriptions.
            QVERIFY(!sheet.findChild<QPushButton*>(u"copyHooks"_qs));
            QCOMPARE(label(sheet, u"agentStatusLine"_qs), u"未設定です（フックが見つかりません）"_qs);
            QCOMPARE(
                label(sheet, u"usageDescription"_qs),
                u"5時間と週の使用量をパネル上部に出します。ターミナル版の Claude Code が見つからないため、"
                u"Claude Code が残している値（古いことがあります）をそのまま出します"_qs);

            type(sheet, {u"folder.1.name=changed"_qs});
            child<QCheckBox>(sheet, u"agentStatus"_qs)->setChecked(true);
            QTest::keyClick(&sheet, Qt::Key_Escape);
            QVERIFY(!sheet.isVisible() && !state.appSettingsShown());
            QCOMPARE(fx->store->layout(), before);
        }

        // The script bundled and installed, state files about, and `claude` found: the copy buttons.
        const QString script = mkdir(u"Res"_qs) + u"/agent-state.sh"_qs;
        bundle.script = script;
        QVERIFY(TestFiles::write(fx->dir.filePath(u".claude/settings.json"_qs), script.toUtf8()));
        AppSettingsSheet sheet(state, bundle, fx->workspace, nullptr, probes(true));
        bundle.script.reset();
        QTest::mouseClick(child<QPushButton>(sheet, u"copyHooks"_qs), Qt::LeftButton);
        QVERIFY(QGuiApplication::clipboard()->text().contains(u"\"command\": \"'"_qs + script + u"' waiting\""_qs));
        QTest::mouseClick(child<QPushButton>(sheet, u"copyPrompt"_qs), Qt::LeftButton);
        QVERIFY(QGuiApplication::clipboard()->text().contains(u"claude -p \"/usage\" --output-format json"_qs));
        // Every text of the sheet, exactly; the font has every glyph of them (kana, kanji, full-width forms).
        const QStringList shown = words(sheet);
        QCOMPARE(missingGlyphs(sheet.font(), shown.join(QString()), 0x3000), QString());
        QStringList expected{
            u"/Applications/Xcode.app"_qs, u"/Users/..."_qs, u"https://example.com"_qs, u"Shift"_qs, u"Space"_qs,
            u"URL"_qs, u"2回"_qs, u"3回"_qs, u"なし"_qs, u"保存"_qs, u"キャンセル"_qs, u"アプリ設定"_qs,
            u"タップ回数"_qs, u"アプリの場所"_qs, u"フォルダパス"_qs, u"フォルダを選択"_qs, u"呼び出し設定"_qs,
            u"フック設定をコピー"_qs, u"設定プロンプトをコピー"_qs, u"起動中のアプリから選ぶ"_qs,
            u"アプリケーションフォルダから選ぶ"_qs, u"表示名（空欄なら自動）"_qs, u"連続タップでパネルを開くキー"_qs,
            u"Alt+Super+V でパネルを開く"_qs, u"URLショートカット（最大5件）"_qs,
            u"フォルダショートカット（最大5件）"_qs, u"設定済み・状態を受信しています"_qs,
            u"アプリショートカット（最大10件・フォルダの右に並びます）"_qs, u"エージェント連携（Claude Code）"_qs,
            u"ヘッダーに Claude Code の使用量を出す"_qs, u"マスにエージェントの状態を表示する"_qs,
            u"2回で意図せず開いてしまうときは3回にします。"_qs,
            u"注意: 直前1秒以内に文字入力があった場合は開きません。"_qs,
            u"Claude Code に貼り付けてください。依頼文と注意書きも含めてコピーされます。"_qs,
            u"Claude Code に貼り付けてください。ターミナル版の確認・インストールと、ログインできているかの"
            u"確認を頼む文面です。"_qs,
            u"5時間と週の使用量をパネル上部に出します。パネルを開くと、裏でターミナル版の Claude Code "
            u"に /usage を実行させて値を新しくし、そこから30分は5分おきに続けます。/usage "
            u"は使用量を消費しません"_qs};
        for (int row = 1; row <= 10; ++row) // the rows' numbers
            expected << QString::number(row);
        expected.sort();
        QCOMPARE(shown, expected);

        child<QComboBox>(sheet, u"doubleTapKey"_qs)->setCurrentText(u"Space"_qs);
        child<QComboBox>(sheet, u"tapCount"_qs)->setCurrentIndex(0);
        child<QCheckBox>(sheet, u"hotkey"_qs)->setChecked(false);
        child<QCheckBox>(sheet, u"agentStatus"_qs)->setChecked(true);
        child<QCheckBox>(sheet, u"claudeUsage"_qs)->setChecked(true);
        QVERIFY(sheet.save());
        const Layout& s = fx->store->layout();
        QCOMPARE(std::tuple(s.hotkeyEnabled, s.doubleTapKey, s.tapCount, s.agentStatusEnabled,
                            s.claudeUsageEnabled),
                 std::tuple(false, u"space"_qs, 2, true, true));
        QCOMPARE(triggered, 1); // the save only, the cancel none
    }

    void slotSheetsLoadValidateSaveAndRemove()
    {
        const QString proj = mkdir(u"api"_qs);
        Layout layout;
        const SlotEntry entry{.name = u"api"_qs, .path = proj, .url = u"http://localhost:3000"_qs,
                              .server = ServerEntry{u"localhost:8080"_qs, u"chrome"_qs}, .color = u"blue"_qs,
                              .matchKey = u"api-key"_qs};
        layout.slots[u"3"_qs] = entry;
        layout.slots[u"2"_qs] =
            AppStateFixture::entry(u"docs"_qs, QString(), u"safari"_qs, u"https://docs.example.com"_qs);
        AppState& state = fx->make(layout);
        state.refresh();
        const auto saved = [&] { return fx->store->layout().slots.value(u"3"_qs); };

        SlotSettingsSheet sheet(state, 3, bundle, fx->workspace);
        sheet.show();
        QCOMPARE(child(sheet, u"server"_qs)->text(), u"localhost:8080"_qs);
        // "blue" is the older name of mist blue.
        QVERIFY(child<QRadioButton>(sheet, u"browser.chrome"_qs)->isChecked() &&
                child<QAbstractButton>(sheet, u"swatch.mistBlue"_qs)->isChecked());

        type(sheet, {u"name=  "_qs, u"path=/nowhere/at/all"_qs, u"url=localhost"_qs, u"server=http://"_qs});
        const QList<std::pair<QString, QString>> steps{
            {u"プロジェクト名を入力してください"_qs, u"name= api2 "_qs},
            {u"存在するフォルダパス、または空欄を指定してください"_qs, u"path="_qs + proj + u"/"_qs},
            {u"URLは http:// または https:// で始まる有効な形式にしてください"_qs, u"url=https://x.dev"_qs},
            {u"サーバーアドレスが不正です(例: 192.168.1.5:8080)"_qs, u"server= 192.168.1.5:8080"_qs},
        };
        for (const auto& [message, fix] : steps) {
            QTest::keyClick(child(sheet, u"name"_qs), Qt::Key_Return); // Return saves
            QCOMPARE(sheet.errorMessage(), message);
            QVERIFY(sheet.isVisible());
            QCOMPARE(saved(), entry);
            type(sheet, {fix});
        }
        // Every text of the sheet, exactly, the last problem still on its line; every glyph in the font.
        const QStringList shown = words(sheet);
        QCOMPARE(missingGlyphs(sheet.font(), shown.join(QString()), 0x3000), QString());
        QCOMPARE(shown, (QStringList{u"/Users/..."_qs, u"192.168.1.5:8080"_qs, u"Google Chrome"_qs, u"Safari"_qs,
                                     u"URL(Safariで開く。空欄で無効)"_qs, u"http://localhost:3000"_qs,
                                     u"ウォームサンド"_qs, u"オリジナル"_qs, u"カラー"_qs, u"キャンセル"_qs,
                                     u"サーバー(空欄で未登録)"_qs,
                                     u"サーバーアドレスが不正です(例: 192.168.1.5:8080)"_qs, u"セージ"_qs,
                                     u"ソフトラベンダー"_qs, u"ダスティローズ"_qs, u"フォルダを選択"_qs,
                                     u"フォルダ（空欄で未登録）"_qs, u"ブラウザ"_qs, u"プロジェクト名"_qs,
                                     u"マス 3 の設定"_qs, u"ミストブルー"_qs, u"保存"_qs, u"配置を解除"_qs}));
        sheet.setFolderChooser([&](QWidget*, const QString& prompt, const QString&) {
            return prompt == u"このフォルダを登録"_qs ? fx->dir.path() : QString();
        });
        QTest::mouseClick(child<QPushButton>(sheet, u"chooseFolder"_qs), Qt::LeftButton);
        QTest::mouseClick(child<QAbstractButton>(sheet, u"swatch.rose"_qs), Qt::LeftButton);
        child<QRadioButton>(sheet, u"browser.safari"_qs)->setChecked(true);
        QVERIFY(sheet.save() && !state.settingsSlot());
        SlotEntry expected{.name = u"api2"_qs, .path = fx->dir.path(), .url = u"https://x.dev"_qs,
                           .server = ServerEntry{u"192.168.1.5:8080"_qs, u"safari"_qs}, .color = u"rose"_qs,
                           .matchKey = u"api-key"_qs};
        QCOMPARE(saved(), expected);

        // Emptied address and server fields take them out; the standard colour is written by name.
        SlotSettingsSheet again(state, 3, bundle, fx->workspace);
        type(again, {u"url="_qs, u"server="_qs});
        QTest::mouseClick(child<QAbstractButton>(again, u"swatch.standard"_qs), Qt::LeftButton);
        QVERIFY(again.save());
        expected.url = std::nullopt;
        expected.server = std::nullopt;
        expected.color = u"standard"_qs;
        QCOMPARE(saved(), expected);

        // A Safari slot has no folder and needs its address; a cancel writes nothing, removing clears it.
        const Layout before = fx->store->layout();
        SlotSettingsSheet safari(state, 2, bundle, fx->workspace);
        safari.show();
        QVERIFY(!safari.findChild<QPushButton*>(u"chooseFolder"_qs));
        QCOMPARE(label(safari, u"urlLabel"_qs), u"URL"_qs);
        type(safari, {u"url= "_qs});
        QVERIFY(!safari.save());
        QCOMPARE(safari.errorMessage(), u"URLは http:// または https:// で始まる有効な形式にしてください"_qs);
        QCOMPARE(state.settingsSlot(), 2);
        type(safari, {u"name=renamed"_qs});
        QTest::mouseClick(child<QPushButton>(safari, u"cancel"_qs), Qt::LeftButton);
        QVERIFY(!safari.isVisible() && !state.settingsSlot());
        QCOMPARE(fx->store->layout(), before);
        SlotSettingsSheet removing(state, 2, bundle, fx->workspace);
        removing.show();
        QTest::mouseClick(child<QPushButton>(removing, u"remove"_qs), Qt::LeftButton);
        QVERIFY(!fx->store->layout().slots.contains(u"2"_qs) && !state.settingsSlot());
    }
};

QTEST_MAIN(SheetsTest)
#include "tst_sheets.moc"
