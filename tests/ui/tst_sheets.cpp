#include "AppStateFixture.h"
#include "core/agents/AgentHookSnippet.h"
#include "core/usage/ClaudeCLI.h"
#include "ui/AppSettingsSheet.h"
#include "ui/Fonts.h"
#include "ui/SlotSettingsSheet.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
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

void type(const QWidget& sheet, const QString& name, const QString& value)
{
    child(sheet, name)->setText(value);
}

// Every text the sheet shows: labels, buttons and field hints.
QStringList texts(const QWidget& sheet)
{
    QStringList all;
    for (const QLabel* w : sheet.findChildren<QLabel*>())
        all.append(w->text());
    for (const QAbstractButton* w : sheet.findChildren<QAbstractButton*>())
        all.append(w->text());
    for (const QLineEdit* w : sheet.findChildren<QLineEdit*>())
        all.append(w->placeholderText());
    return all;
}

} // namespace

// The two settings sheets over an application state with fakes: what they load, the order of their
// validation messages, what a save writes, and what a cancel leaves alone.
class SheetsTest : public QObject {
    Q_OBJECT

    AppStateFixture fx;
    ScriptBundle bundle;

    QString mkdir(const QString& relative)
    {
        QDir().mkpath(fx.dir.filePath(relative));
        return fx.dir.filePath(relative);
    }
    AppSettingsSheet::Probes probes(bool entries = false)
    {
        return {fx.dir.path(),
                [this](const QString& p) { return p == fx.dir.filePath(u".local/bin/claude"_qs); },
                [entries] { return entries; }};
    }

private Q_SLOTS:
    void initTestCase() { Fonts::registerBundled(); }

    void appSheetReportsProblemsInOrderThenSaves()
    {
        AppState& state = fx.make(Layout::empty());
        const QString proj = mkdir(u"proj"_qs);
        const QString tool = mkdir(u"Tool.app"_qs);
        AppSettingsSheet sheet(state, bundle, fx.workspace, nullptr, probes());
        sheet.show();
        QVERIFY(state.appSettingsShown());

        type(sheet, u"folder.1.name"_qs, u"  "_qs); // blank rows are skipped
        type(sheet, u"folder.1.target"_qs, u" \n"_qs);
        type(sheet, u"folder.2.name"_qs, u"Docs"_qs);
        type(sheet, u"folder.4.target"_qs, proj + u"/"_qs);
        type(sheet, u"app.1.name"_qs, u"Tool"_qs);
        type(sheet, u"url.1.target"_qs, u"https://www.example.com/a"_qs);
        type(sheet, u"url.3.name"_qs, u"Wiki"_qs);
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
            QCOMPARE(child<QLabel>(sheet, u"error"_qs)->text(), message);
            QVERIFY(sheet.isVisible());
            QVERIFY(!fx.store->layout().folderShortcuts);
            const auto parts = fix.split(u'=');
            type(sheet, parts[0], parts.mid(1).join(u'='));
        }
        QVERIFY(sheet.save());
        QVERIFY(!sheet.isVisible());
        QVERIFY(!state.appSettingsShown());
        const Layout& saved = fx.store->layout();
        QCOMPARE(saved.folderShortcuts, (QList<ShortcutEntry>{{u"Docs"_qs, proj}, {u"proj"_qs, proj}}));
        QCOMPARE(saved.appShortcuts, (QList<ShortcutEntry>{{u"Tool"_qs, tool}}));
        QCOMPARE(saved.urlShortcuts,
                 (QList<ShortcutEntry>{{u"example.com"_qs, u"https://www.example.com/a"_qs},
                                       {u"Wiki"_qs, u"https://wiki.example.com"_qs}}));
        QCOMPARE(state.folderShortcuts(), *saved.folderShortcuts);
    }

    void appSheetTriggerSettingsAndSwitches()
    {
        Layout layout;
        layout.doubleTapShift = false; // older files: no key
        AppState& state = fx.make(layout);
        int triggered = 0;
        state.triggerSettingsChanged = [&] { ++triggered; };
        {
            AppSettingsSheet sheet(state, bundle, fx.workspace, nullptr, probes());
            auto* key = child<QComboBox>(sheet, u"doubleTapKey"_qs);
            auto* tapCount = child<QComboBox>(sheet, u"tapCount"_qs);
            auto* spaceCaption = child<QLabel>(sheet, u"spaceCaption"_qs);
            QCOMPARE(key->currentText(), u"なし"_qs);
            QVERIFY(!tapCount->isVisibleTo(&sheet));
            QVERIFY(!spaceCaption->isVisibleTo(&sheet));
            key->setCurrentIndex(key->findText(u"Space"_qs));
            QVERIFY(tapCount->isVisibleTo(&sheet));
            QCOMPARE(spaceCaption->text(), u"注意: 直前1秒以内に文字入力があった場合は開きません。"_qs);
            QVERIFY(spaceCaption->isVisibleTo(&sheet));

            tapCount->setCurrentIndex(1);
            child<QCheckBox>(sheet, u"hotkey"_qs)->setChecked(false);
            child<QCheckBox>(sheet, u"agentStatus"_qs)->setChecked(true);
            child<QCheckBox>(sheet, u"claudeUsage"_qs)->setChecked(true);
            QVERIFY(sheet.save());
            const Layout& saved = fx.store->layout();
            QCOMPARE(saved.hotkeyEnabled, false);
            QCOMPARE(saved.doubleTapKey, u"space"_qs);
            QCOMPARE(saved.tapCount, 3);
            QCOMPARE(saved.agentStatusEnabled, true);
            QCOMPARE(saved.claudeUsageEnabled, true);
            QCOMPARE(triggered, 1);
        }

        // Loading: an unknown key is Shift, any count but 3 is 2.
        layout.doubleTapKey = u"capslock"_qs;
        layout.tapCount = 5;
        AppSettingsSheet again(fx.make(layout), bundle, fx.workspace, nullptr, probes());
        QCOMPARE(child<QComboBox>(again, u"doubleTapKey"_qs)->currentText(), u"Shift"_qs);
        QCOMPARE(child<QComboBox>(again, u"tapCount"_qs)->currentIndex(), 0);
    }

    void appSheetLoadsUpToTheLimitsAndCancelKeepsThem()
    {
        Layout layout;
        QList<ShortcutEntry> entries;
        for (int n = 1; n <= 12; ++n)
            entries.append({u"s"_qs + QString::number(n), u"/t/"_qs + QString::number(n)});
        layout.folderShortcuts = entries.mid(0, 3);
        layout.appShortcuts = entries;
        AppState& state = fx.make(layout);
        int triggered = 0;
        state.triggerSettingsChanged = [&] { ++triggered; };
        const Layout before = fx.store->layout();
        AppSettingsSheet sheet(state, bundle, fx.workspace, nullptr, probes());
        sheet.show();
        QCOMPARE(child(sheet, u"folder.3.target"_qs)->text(), u"/t/3"_qs);
        QVERIFY(child(sheet, u"folder.4.target"_qs)->text().isEmpty());
        QCOMPARE(child(sheet, u"app.10.name"_qs)->text(), u"s10"_qs);
        for (const QString& absent : {u"folder.6.name"_qs, u"app.11.name"_qs, u"url.6.name"_qs})
            QVERIFY(!sheet.findChild<QLineEdit*>(absent));
        QVERIFY(texts(sheet).contains(u"アプリショートカット（最大10件・フォルダの右に並びます）"_qs));

        type(sheet, u"folder.1.name"_qs, u"changed"_qs);
        child<QCheckBox>(sheet, u"agentStatus"_qs)->setChecked(true);
        QTest::keyClick(&sheet, Qt::Key_Escape);
        QVERIFY(!sheet.isVisible());
        QVERIFY(!state.appSettingsShown());
        QCOMPARE(fx.store->layout(), before);
        QCOMPARE(triggered, 0);
    }

    void appSheetChoosersAndRunningApps()
    {
        AppSettingsSheet sheet(fx.make(Layout::empty()), bundle, fx.workspace, nullptr, probes());
        QStringList asked;
        const auto chooser = [&](const QString& path) {
            return [&asked, path](QWidget*, const QString& prompt, const QString& start) {
                asked << prompt + u'|' + start;
                return path;
            };
        };
        sheet.setFolderChooser(chooser(u"/home/me/proj"_qs));
        sheet.setApplicationChooser(chooser(u"/Applications/Visual Studio Code.app"_qs));
        type(sheet, u"folder.2.name"_qs, u"Keep"_qs);
        QTest::mouseClick(child<QPushButton>(sheet, u"folder.1.choose"_qs), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(sheet, u"folder.2.choose"_qs), Qt::LeftButton);
        QCOMPARE(child(sheet, u"folder.1.name"_qs)->text(), u"proj"_qs);
        QCOMPARE(child(sheet, u"folder.2.name"_qs)->text(), u"Keep"_qs);
        QCOMPARE(child(sheet, u"folder.2.target"_qs)->text(), u"/home/me/proj"_qs);

        QMenu* menu = child<QToolButton>(sheet, u"app.3.menu"_qs)->menu();
        QCOMPARE(menu->actions()[1]->text(), u"アプリケーションフォルダから選ぶ"_qs);
        menu->actions()[1]->trigger();
        QCOMPARE(child(sheet, u"app.3.name"_qs)->text(), u"Visual Studio Code"_qs);
        QCOMPARE(asked, (QStringList{u"ショートカットに登録|"_qs, u"ショートカットに登録|"_qs,
                                     u"ショートカットに登録|/Applications"_qs}));

        QMenu* running = menu->findChild<QMenu*>(u"running"_qs);
        Q_EMIT running->aboutToShow();
        QCOMPARE(running->actions().size(), 1);
        QCOMPARE(running->actions()[0]->text(), u"起動中のアプリがありません"_qs);
        QVERIFY(!running->actions()[0]->isEnabled());
        fx.workspace.applications = {{u"Zed"_qs, u"/Applications/Zed.app"_qs, u"dev.zed"_qs, true},
                                     {u"Dock"_qs, u"/System/Dock.app"_qs, u"com.apple.dock"_qs, false}};
        Q_EMIT running->aboutToShow();
        QCOMPARE(running->actions().size(), 1);
        running->actions()[0]->trigger();
        QCOMPARE(child(sheet, u"app.3.name"_qs)->text(), u"Zed"_qs);
        QCOMPARE(child(sheet, u"app.3.target"_qs)->text(), u"/Applications/Zed.app"_qs);
        fx.workspace.applications.clear();
    }

    void appSheetStatusLinesAndCopyButtons()
    {
        AppState& state = fx.make(Layout::empty());
        {
            // No script in the bundle and no `claude`: no hook button, the plain descriptions.
            AppSettingsSheet sheet(
                state, bundle, fx.workspace, nullptr,
                {fx.dir.path(), [](const QString&) { return false; }, [] { return true; }});
            QVERIFY(!sheet.findChild<QPushButton*>(u"copyHooks"_qs));
            QCOMPARE(child<QLabel>(sheet, u"agentStatusLine"_qs)->text(),
                     u"未設定です（フックが見つかりません）"_qs);
            QVERIFY(child<QLabel>(sheet, u"usageDescription"_qs)->text().contains(u"が見つからないため"_qs));
        }
        const QString script = mkdir(u"Res"_qs) + u"/agent-state.sh"_qs;
        bundle.script = script;
        QFile settings(mkdir(u".claude"_qs) + u"/settings.json"_qs);
        QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write(script.toUtf8()) > 0);
        settings.close();

        AppSettingsSheet sheet(state, bundle, fx.workspace, nullptr, probes(true));
        QCOMPARE(child<QLabel>(sheet, u"agentStatusLine"_qs)->text(), u"設定済み・状態を受信しています"_qs);
        QVERIFY(child<QLabel>(sheet, u"usageDescription"_qs)
                    ->text()
                    .contains(u"/usage は使用量を消費しません"_qs));
        QClipboard* clipboard = QGuiApplication::clipboard();
        QTest::mouseClick(child<QPushButton>(sheet, u"copyHooks"_qs), Qt::LeftButton);
        QCOMPARE(clipboard->text(), AgentHookSnippet::clipboardText(script));
        QTest::mouseClick(child<QPushButton>(sheet, u"copyPrompt"_qs), Qt::LeftButton);
        QCOMPARE(clipboard->text(), ClaudeCLI::setupPrompt());
        bundle.script.reset();
    }

    void slotSheetLoadsValidatesInOrderAndSaves()
    {
        const QString proj = mkdir(u"api"_qs);
        Layout layout;
        SlotEntry entry = AppStateFixture::entry(u"api"_qs, proj, {}, u"http://localhost:3000"_qs);
        entry.color = u"blue"_qs;
        entry.matchKey = u"api-key"_qs;
        entry.server = ServerEntry{u"localhost:8080"_qs, u"chrome"_qs};
        layout.slots[u"3"_qs] = entry;
        AppState& state = fx.make(layout);
        state.refresh();

        SlotSettingsSheet sheet(state, 3, bundle, fx.workspace);
        sheet.show();
        QCOMPARE(state.settingsSlot(), 3);
        QCOMPARE(sheet.windowTitle(), u"マス 3 の設定"_qs);
        QCOMPARE(child(sheet, u"server"_qs)->text(), u"localhost:8080"_qs);
        QVERIFY(child<QRadioButton>(sheet, u"browser.chrome"_qs)->isChecked());
        QVERIFY(child<QAbstractButton>(sheet, u"swatch.mistBlue"_qs)->isChecked());
        QCOMPARE(child<QLabel>(sheet, u"urlLabel"_qs)->text(), u"URL(Safariで開く。空欄で無効)"_qs);

        type(sheet, u"name"_qs, u"  "_qs);
        type(sheet, u"path"_qs, u"/nowhere/at/all"_qs);
        type(sheet, u"url"_qs, u"localhost"_qs);
        type(sheet, u"server"_qs, u"http://"_qs);
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
            QCOMPARE(fx.store->layout().slots[u"3"_qs], entry);
            const auto parts = fix.split(u'=');
            type(sheet, parts[0], parts.mid(1).join(u'='));
        }
        sheet.setFolderChooser([&](QWidget*, const QString& prompt, const QString&) {
            return prompt == u"このフォルダを登録"_qs ? proj : QString();
        });
        QTest::mouseClick(child<QPushButton>(sheet, u"chooseFolder"_qs), Qt::LeftButton);
        QTest::mouseClick(child<QAbstractButton>(sheet, u"swatch.rose"_qs), Qt::LeftButton);
        child<QRadioButton>(sheet, u"browser.safari"_qs)->setChecked(true);
        QVERIFY(sheet.save());
        QVERIFY(!state.settingsSlot());
        SlotEntry expected = entry;
        expected.name = u"api2"_qs;
        expected.url = u"https://x.dev"_qs;
        expected.color = u"rose"_qs;
        expected.server = ServerEntry{u"192.168.1.5:8080"_qs, u"safari"_qs};
        QCOMPARE(fx.store->layout().slots[u"3"_qs], expected);

        // Emptied address and server fields take them out; the standard colour is written by name.
        SlotSettingsSheet again(state, 3, bundle, fx.workspace);
        type(again, u"url"_qs, QString());
        type(again, u"server"_qs, QString());
        QTest::mouseClick(child<QAbstractButton>(again, u"swatch.standard"_qs), Qt::LeftButton);
        QVERIFY(again.save());
        const SlotEntry saved = fx.store->layout().slots[u"3"_qs];
        QVERIFY(!saved.url && !saved.server);
        QCOMPARE(saved.color, u"standard"_qs);
        QCOMPARE(saved.matchKey, u"api-key"_qs);
    }

    void safariSlotCancelAndRemove()
    {
        Layout layout;
        layout.slots[u"2"_qs] =
            AppStateFixture::entry(u"docs"_qs, QString(), u"safari"_qs, u"https://docs.example.com"_qs);
        AppState& state = fx.make(layout);
        state.refresh();
        const Layout before = fx.store->layout();
        {
            SlotSettingsSheet sheet(state, 2, bundle, fx.workspace);
            sheet.show();
            QVERIFY(!sheet.findChild<QPushButton*>(u"chooseFolder"_qs));
            QCOMPARE(child<QLabel>(sheet, u"urlLabel"_qs)->text(), u"URL"_qs);
            type(sheet, u"url"_qs, u" "_qs);
            QVERIFY(!sheet.save());
            QCOMPARE(sheet.errorMessage(),
                     u"URLは http:// または https:// で始まる有効な形式にしてください"_qs);
            QCOMPARE(state.settingsSlot(), 2);
            type(sheet, u"name"_qs, u"renamed"_qs);
            QTest::mouseClick(child<QPushButton>(sheet, u"cancel"_qs), Qt::LeftButton);
            QVERIFY(!sheet.isVisible());
            QVERIFY(!state.settingsSlot());
            QCOMPARE(fx.store->layout(), before);
        }
        SlotSettingsSheet sheet(state, 2, bundle, fx.workspace);
        sheet.show();
        QTest::mouseClick(child<QPushButton>(sheet, u"remove"_qs), Qt::LeftButton);
        QVERIFY(!fx.store->layout().slots.contains(u"2"_qs));
        QVERIFY(!state.settingsSlot());
    }

    void snapshotsAndJapaneseGlyphs()
    {
        Layout layout;
        layout.slots[u"4"_qs] = AppStateFixture::entry(u"panedeck"_qs, mkdir(u"panedeck"_qs));
        layout.urlShortcuts = QList<ShortcutEntry>{{u"社内Wiki"_qs, u"https://wiki.example.com"_qs}};
        AppState& state = fx.make(layout);
        state.refresh();
        bundle.script = fx.dir.filePath(u"Res/agent-state.sh"_qs);
        AppSettingsSheet appSheet(state, bundle, fx.workspace, nullptr, probes());
        SlotSettingsSheet slotSheet(state, 4, bundle, fx.workspace);
        bundle.script.reset();
        type(slotSheet, u"server"_qs, u"http://"_qs);
        QVERIFY(!slotSheet.save());
        const QDir out(QStringLiteral(QT_TESTCASE_BUILDDIR));
        for (QWidget* sheet : {static_cast<QWidget*>(&appSheet), static_cast<QWidget*>(&slotSheet)}) {
            sheet->show();
            const QImage image = sheet->grab().toImage();
            QVERIFY(!image.isNull() && image.width() >= 600);
            image.save(out.filePath(sheet == &appSheet ? u"app-settings-sheet.png"_qs
                                                       : u"slot-settings-sheet.png"_qs));
        }
        // The whole of the scrolled groups, shortcut rows included.
        appSheet.findChild<QScrollArea*>()->widget()->grab().save(
            out.filePath(u"app-settings-groups.png"_qs));

        for (const QWidget* sheet : {static_cast<QWidget*>(&appSheet), static_cast<QWidget*>(&slotSheet)}) {
            const QFontMetrics metrics(sheet->font());
            for (const char32_t c : texts(*sheet).join(QString()).toUcs4()) {
                if (c >= 0x3000) // kana, kanji and full-width forms
                    QVERIFY2(metrics.inFontUcs4(c),
                             qPrintable(u"no glyph for "_qs + QString::fromUcs4(&c, 1)));
            }
        }
    }
};

QTEST_MAIN(SheetsTest)
#include "tst_sheets.moc"
