#include "ui/AppSettingsSheet.h"

#include "core/agents/AgentHookSnippet.h"
#include "core/control/Launcher.h"
#include "core/layout/AppShortcut.h"
#include "core/layout/URLUtil.h"
#include "core/state/AppState.h"
#include "core/text/Paths.h"
#include "core/usage/ClaudeCLI.h"
#include "platform/HotkeyNames.h"
#include "platform/Platform.h"
#include "platform/Platform.h"
#include "ui/Icons.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

using LauncherDesign::TextStyle;

QString chooseFolderDialog(QWidget* parent, const QString& prompt, const QString& start)
{
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, prompt);
    if (!start.isEmpty())
        dialog.setDirectory(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

namespace SheetParts {

QLabel* text(const QString& content, TextStyle style, const QColor& color, QWidget* parent)
{
    auto* label = new QLabel(content, parent);
    label->setFont(LauncherDesign::font(style));
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

QFrame* group(const QString& title, QWidget* parent)
{
    auto* card = new QFrame(parent);
    card->setObjectName(QStringLiteral("card"));
    card->setStyleSheet(
        QStringLiteral("QFrame#card { background: %1; border: 1px solid %2; border-radius: 12px; }")
            .arg(LauncherDesign::card.name(), LauncherDesign::hair.name()));
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(8);
    column->addWidget(text(title, TextStyle::label, LauncherDesign::ink, card));
    return card;
}

QPushButton* primaryButton(const QString& title, QWidget* parent, const QColor& fill)
{
    auto* button = new QPushButton(title, parent);
    button->setFont(LauncherDesign::font(TextStyle::label));
    const QColor pressed = fill == LauncherDesign::primary ? LauncherDesign::primaryDeep : fill.darker(120);
    button->setStyleSheet(QStringLiteral("QPushButton { color: white; background: %1; border: none; "
                                         "border-radius: 8px; padding: 0 14px; min-height: 34px; }"
                                         "QPushButton:pressed { background: %2; }")
                              .arg(fill.name(), pressed.name()));
    return button;
}

QPushButton* secondaryButton(const QString& title, QWidget* parent, const QColor& color)
{
    auto* button = new QPushButton(title, parent);
    button->setFont(LauncherDesign::font(TextStyle::label));
    button->setStyleSheet(QStringLiteral("QPushButton { color: %1; background: %2; border: 1px solid %3; "
                                         "border-radius: 8px; padding: 0 12px; min-height: 34px; }"
                                         "QPushButton:pressed { background: %4; }")
                              .arg(color.name(), LauncherDesign::card.name(), LauncherDesign::hair.name(),
                                   LauncherDesign::canvas.name()));
    return button;
}

} // namespace SheetParts

void SettingsSheet::addFooter(QVBoxLayout* column, QPushButton* leading)
{
    m_errorLine =
        SheetParts::text(QString(), LauncherDesign::TextStyle::caption, LauncherDesign::alert, this);
    m_errorLine->setObjectName(QStringLiteral("error"));
    m_errorLine->hide();
    column->addWidget(m_errorLine);

    auto* cancel = SheetParts::secondaryButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* saveButton = SheetParts::primaryButton(QStringLiteral("保存"), this);
    saveButton->setObjectName(QStringLiteral("save"));
    saveButton->setDefault(true);
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    auto* buttons = new QHBoxLayout;
    if (leading)
        buttons->addWidget(leading);
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(saveButton);
    column->addLayout(buttons);
}

void SettingsSheet::clearError()
{
    m_error.reset();
    m_errorLine->hide();
}

bool SettingsSheet::fail(const QString& message)
{
    m_error = message;
    m_errorLine->setText(message);
    m_errorLine->show();
    return false;
}

namespace {

using SheetParts::text;

QLabel* caption(const QString& content, QWidget* parent)
{
    return text(content, TextStyle::caption, LauncherDesign::muted, parent);
}

// A check box drawn as a switch: a rounded track, primary when on, with its knob at that end, and
// the title beside it; the whole row toggles it.
class SwitchBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;
    QSize sizeHint() const override
    {
        const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
        return {trackWidth + gap + text.width(), std::max(trackHeight, text.height()) + 4};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF track(0.5, (height() - trackHeight) / 2.0, trackWidth - 1, trackHeight);
        p.setOpacity(isEnabled() ? 1.0 : 0.45);
        p.setPen(QPen(isChecked() ? LauncherDesign::primaryDeep : LauncherDesign::hair, 1));
        p.setBrush(isChecked() ? LauncherDesign::primary : LauncherDesign::surface);
        p.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);
        const double knob = trackHeight - 4;
        const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
        p.setPen(QPen(LauncherDesign::hair, 1));
        p.setBrush(LauncherDesign::card);
        p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
        if (hasFocus()) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(LauncherDesign::primaryDeep, 1.5));
            p.drawRoundedRect(track.adjusted(-2, -2, 2, 2), trackHeight / 2.0 + 2, trackHeight / 2.0 + 2);
        }
        p.setPen(LauncherDesign::ink);
        p.drawText(QRectF(trackWidth + gap, 0, width() - trackWidth - gap, height()), Qt::AlignVCenter,
                   text());
    }

private:
    static constexpr int trackWidth = 38, trackHeight = 22, gap = 10;
};

QCheckBox* switchBox(const QString& title, bool on, const QString& name, QWidget* parent)
{
    auto* box = new SwitchBox(title, parent);
    box->setObjectName(name);
    box->setFont(LauncherDesign::font(TextStyle::label));
    box->setChecked(on);
    return box;
}

QWidget* line(QWidget* parent, const QList<QWidget*>& items)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    for (QWidget* item : items)
        layout->addWidget(item);
    layout->addStretch();
    return row;
}

void copyToClipboard(const QString& content)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(content);
}

QString withoutExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot > 0 ? fileName.left(dot) : fileName;
}

} // namespace

AppSettingsSheet::Probes AppSettingsSheet::Probes::system()
{
    return {QDir::homePath(),
            [](const QString& path) {
                const QFileInfo info(path);
                return info.isFile() && info.isExecutable();
            },
            [] { return !AgentStatusStore().loadEntries().isEmpty(); }, Platform::makeLoginItem()};
}

AppSettingsSheet::AppSettingsSheet(AppState& state, const Bundle& bundle, Workspace& workspace,
                                   QWidget* parent, Probes probes)
    : SettingsSheet(parent), m_state(state), m_bundle(bundle), m_workspace(workspace),
      m_probes(std::move(probes))
{
    setWindowTitle(QStringLiteral("アプリ設定"));
    setWindowFlag(Qt::Sheet);
    setWindowModality(Qt::WindowModal);
    setFont(LauncherDesign::font(TextStyle::caption));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, LauncherDesign::surface);
    setPalette(palette);
    resize(680, 760);

    const Layout layout = m_state.store().layout();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 16);
    column->setSpacing(12);
    column->addWidget(text(QStringLiteral("アプリ設定"), TextStyle::heading, LauncherDesign::ink, this));

    auto* content = new QWidget;
    content->setAutoFillBackground(true);
    content->setPalette(palette);
    auto* groups = new QVBoxLayout(content);
    groups->setContentsMargins(0, 0, 4, 0);
    groups->setSpacing(12);
    groups->addWidget(buildTriggerGroup(layout));
    groups->addWidget(buildAgentGroup(layout));
    groups->addWidget(buildFolderGroup());
    groups->addWidget(buildAppGroup());
    groups->addWidget(buildUrlGroup());
    groups->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(scroll, 1);

    addFooter(column);
}

QWidget* AppSettingsSheet::buildTriggerGroup(const Layout& layout)
{
    QFrame* group = SheetParts::group(QStringLiteral("呼び出し設定"), this);
    m_hotkey =
        switchBox(HotkeyNames::switchLabel(), layout.isHotkeyEnabled(), QStringLiteral("hotkey"), group);
    group->layout()->addWidget(m_hotkey);

    // Items in the order of DoubleTapKey.
    m_doubleTapKey = new QComboBox(group);
    m_doubleTapKey->setObjectName(QStringLiteral("doubleTapKey"));
    m_doubleTapKey->addItems({QStringLiteral("Shift"), QStringLiteral("Space"), QStringLiteral("なし")});
    m_doubleTapKey->setCurrentIndex(static_cast<int>(layout.effectiveDoubleTapKey()));
    group->layout()->addWidget(line(group, {text(QStringLiteral("連続タップでパネルを開くキー"),
                                                 TextStyle::label, LauncherDesign::body, group),
                                            m_doubleTapKey}));

    m_tapCountRow = new QWidget(group);
    auto* tapColumn = new QVBoxLayout(m_tapCountRow);
    tapColumn->setContentsMargins(0, 0, 0, 0);
    m_tapCount = new QComboBox(m_tapCountRow);
    m_tapCount->setObjectName(QStringLiteral("tapCount"));
    m_tapCount->addItems({QStringLiteral("2回"), QStringLiteral("3回")});
    m_tapCount->setCurrentIndex(layout.effectiveTapCount() == 3 ? 1 : 0);
    tapColumn->addWidget(line(m_tapCountRow, {text(QStringLiteral("タップ回数"), TextStyle::label,
                                                   LauncherDesign::body, m_tapCountRow),
                                              m_tapCount}));
    tapColumn->addWidget(
        caption(QStringLiteral("2回で意図せず開いてしまうときは3回にします。"), m_tapCountRow));
    group->layout()->addWidget(m_tapCountRow);

    m_spaceCaption = caption(QStringLiteral("注意: 直前1秒以内に文字入力があった場合は開きません。"), group);
    m_spaceCaption->setObjectName(QStringLiteral("spaceCaption"));
    group->layout()->addWidget(m_spaceCaption);

    // Whether it starts at login is the desktop's to keep; the switch shows what it keeps now.
    if (m_probes.loginItem) {
        const LoginItem::Status status = m_probes.loginItem->status();
        m_login = switchBox(QStringLiteral("ログイン時に起動"), status != LoginItem::Status::off,
                            QStringLiteral("login"), group);
        group->layout()->addWidget(m_login);
        QLabel* note = caption(
            status == LoginItem::Status::programMissing
                ? QStringLiteral(
                      "登録されているプログラムが見つかりません。オフにして保存すると登録を消します。")
            : status == LoginItem::Status::requiresApproval
                ? QStringLiteral("システム設定の「ログイン項目」で許可すると起動します。")
                : QStringLiteral("ログインすると Panedeck が常駐し、ホットキーですぐに呼び出せます。"),
            group);
        note->setObjectName(QStringLiteral("loginCaption"));
        group->layout()->addWidget(note);
    }

    connect(m_doubleTapKey, &QComboBox::currentIndexChanged, this, &AppSettingsSheet::updateTriggerRows);
    updateTriggerRows();
    return group;
}

void AppSettingsSheet::updateTriggerRows()
{
    const auto key = static_cast<DoubleTapKey>(m_doubleTapKey->currentIndex());
    m_tapCountRow->setVisible(key != DoubleTapKey::none);
    m_spaceCaption->setVisible(key == DoubleTapKey::space);
}

QWidget* AppSettingsSheet::buildAgentGroup(const Layout& layout)
{
    QFrame* group = SheetParts::group(QStringLiteral("エージェント連携（Claude Code）"), this);
    auto* column = group->layout();

    m_agentStatus = switchBox(QStringLiteral("マスにエージェントの状態を表示する"),
                              layout.isAgentStatusEnabled(), QStringLiteral("agentStatus"), group);
    column->addWidget(m_agentStatus);
    const std::optional<QString> script = AgentHookSnippet::bundledScriptPath(m_bundle);
    QLabel* status =
        caption(AgentHookSnippet::statusDescription(
                    script, AgentHookSnippet::installedSettingsJSON(m_probes.home), m_probes.hasAgentEntries),
                group);
    status->setObjectName(QStringLiteral("agentStatusLine"));
    column->addWidget(status);
    if (script) {
        auto* copy = SheetParts::secondaryButton(QStringLiteral("フック設定をコピー"), group);
        copy->setObjectName(QStringLiteral("copyHooks"));
        copy->setAutoDefault(false);
        connect(copy, &QPushButton::clicked, this,
                [path = *script] { copyToClipboard(AgentHookSnippet::clipboardText(path)); });
        column->addWidget(line(group, {copy}));
        column->addWidget(caption(
            QStringLiteral("Claude Code に貼り付けてください。依頼文と注意書きも含めてコピーされます。"),
            group));
    }

    m_claudeUsage = switchBox(QStringLiteral("ヘッダーに Claude Code の使用量を出す"),
                              layout.isClaudeUsageEnabled(), QStringLiteral("claudeUsage"), group);
    column->addWidget(m_claudeUsage);
    const bool found = ClaudeCLI::find(m_probes.home, m_probes.isExecutable).has_value();
    QLabel* description = caption(
        found ? QStringLiteral(
                    "5時間と週の使用量をパネル上部に出します。パネルを開くと、裏でターミナル版の Claude "
                    "Code に /usage を実行させて値を新しくし、そこから30分は5分おきに続けます。/usage "
                    "は使用量を消費しません")
              : QStringLiteral(
                    "5時間と週の使用量をパネル上部に出します。ターミナル版の Claude Code "
                    "が見つからないため、Claude Code が残している値（古いことがあります）をそのまま出します"),
        group);
    description->setObjectName(QStringLiteral("usageDescription"));
    column->addWidget(description);
    auto* prompt = SheetParts::secondaryButton(QStringLiteral("設定プロンプトをコピー"), group);
    prompt->setObjectName(QStringLiteral("copyPrompt"));
    prompt->setAutoDefault(false);
    connect(prompt, &QPushButton::clicked, this, [] { copyToClipboard(ClaudeCLI::setupPrompt()); });
    column->addWidget(line(group, {prompt}));
    column->addWidget(
        caption(QStringLiteral("Claude Code に貼り付けてください。ターミナル版の確認・インストールと、"
                               "ログインできているかの確認を頼む文面です。"),
                group));
    return group;
}

QList<AppSettingsSheet::Row>
AppSettingsSheet::addRows(QWidget* group, const QString& kind, const QString& targetTitle,
                          const QString& hint, const QList<ShortcutEntry>& entries, int count,
                          const std::function<QWidget*(int, const Row&)>& accessory)
{
    const QString nameTitle = QStringLiteral("表示名（空欄なら自動）");
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(2, 1);
    grid->addWidget(text(nameTitle, TextStyle::micro, LauncherDesign::muted, group), 0, 1);
    grid->addWidget(text(targetTitle, TextStyle::micro, LauncherDesign::muted, group), 0, 2);
    QList<Row> rows;
    for (int i = 0; i < count; ++i) {
        const QString prefix = kind + u'.' + QString::number(i + 1) + u'.';
        Row row{new QLineEdit(group), new QLineEdit(group)};
        row.name->setObjectName(prefix + QStringLiteral("name"));
        row.name->setPlaceholderText(nameTitle);
        row.name->setAccessibleName(nameTitle);
        row.name->setFixedWidth(180);
        row.name->setFixedHeight(34); // the buttons' height
        row.target->setFixedHeight(34);
        row.target->setObjectName(prefix + QStringLiteral("target"));
        row.target->setPlaceholderText(hint);
        row.target->setAccessibleName(targetTitle);
        // The first `count` entries become rows; the rest of the rows stay empty.
        if (i < entries.size()) {
            row.name->setText(entries[i].name);
            row.target->setText(entries[i].target);
        }
        QLabel* number = text(QString::number(i + 1), TextStyle::micro, LauncherDesign::faint, group);
        number->setFixedWidth(16);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(number, i + 1, 0);
        grid->addWidget(row.name, i + 1, 1);
        grid->addWidget(row.target, i + 1, 2);
        if (accessory)
            grid->addWidget(accessory(i, row), i + 1, 3);
        rows.append(row);
    }
    static_cast<QVBoxLayout*>(group->layout())->addLayout(grid);
    return rows;
}

QWidget* AppSettingsSheet::buildFolderGroup()
{
    QFrame* group = SheetParts::group(QStringLiteral("フォルダショートカット（最大5件）"), this);
    m_folderRows =
        addRows(group, QStringLiteral("folder"), QStringLiteral("フォルダパス"), QStringLiteral("/Users/..."),
                m_state.folderShortcuts(), ShortcutLimits::folder, [this, group](int i, const Row& row) {
                    auto* button = SheetParts::secondaryButton(QStringLiteral("フォルダを選択"), group);
                    button->setObjectName(QStringLiteral("folder.%1.choose").arg(i + 1));
                    button->setIcon(Icons::symbol(QStringLiteral("folder"), LauncherDesign::body, 16,
                                                  devicePixelRatioF()));
                    button->setAutoDefault(false);
                    connect(button, &QPushButton::clicked, this, [this, row] { chooseFolderFor(row); });
                    return button;
                });
    return group;
}

QWidget* AppSettingsSheet::buildAppGroup()
{
    QFrame* group = SheetParts::group(QStringLiteral("アプリショートカット（最大") +
                                          QString::number(ShortcutLimits::app) +
                                          QStringLiteral("件・フォルダの右に並びます）"),
                                      this);
    m_appRows = addRows(group, QStringLiteral("app"), QStringLiteral("アプリの場所"),
                        QStringLiteral("/Applications/Xcode.app"), m_state.appShortcuts(),
                        ShortcutLimits::app, [this](int i, const Row& row) {
                            QWidget* button = appMenuButton(row);
                            button->setObjectName(QStringLiteral("app.%1.menu").arg(i + 1));
                            return button;
                        });
    return group;
}

QWidget* AppSettingsSheet::buildUrlGroup()
{
    QFrame* group = SheetParts::group(QStringLiteral("URLショートカット（最大5件）"), this);
    m_urlRows =
        addRows(group, QStringLiteral("url"), QStringLiteral("URL"), QStringLiteral("https://example.com"),
                m_state.urlShortcuts(), ShortcutLimits::url, {});
    return group;
}

QWidget* AppSettingsSheet::appMenuButton(const Row& row)
{
    auto* button = new QToolButton;
    button->setIcon(Icons::symbol(QStringLiteral("list.bullet.rectangle"), LauncherDesign::body, 18,
                                  devicePixelRatioF()));
    button->setFixedSize(32, 32);
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    QMenu* running = menu->addMenu(QStringLiteral("起動中のアプリから選ぶ"));
    running->setObjectName(QStringLiteral("running"));
    // Listed afresh each time the submenu opens.
    connect(running, &QMenu::aboutToShow, this, [this, running, row] {
        running->clear();
        const QList<RunningAppInfo> apps = AppShortcut::runningCandidates(m_workspace, m_bundle);
        if (apps.isEmpty())
            running->addAction(QStringLiteral("起動中のアプリがありません"))->setEnabled(false);
        for (const RunningAppInfo& app : apps) {
            connect(running->addAction(app.name), &QAction::triggered, this, [row, app] {
                row.target->setText(app.path.value_or(QString()));
                row.name->setText(app.name);
            });
        }
    });
    QAction* fromFolder = menu->addAction(QStringLiteral("アプリケーションフォルダから選ぶ"));
    connect(fromFolder, &QAction::triggered, this, [this, row] { chooseApplicationFor(row); });
    button->setMenu(menu);
    return button;
}

void AppSettingsSheet::chooseFolderFor(const Row& row)
{
    const QString path = m_chooseFolder(this, QStringLiteral("ショートカットに登録"), QString());
    if (path.isEmpty())
        return;
    row.target->setText(path);
    if (row.name->text().trimmed().isEmpty())
        row.name->setText(Paths::lastComponent(path));
}

void AppSettingsSheet::chooseApplicationFor(const Row& row)
{
    const QString path =
        m_chooseApplication(this, QStringLiteral("ショートカットに登録"), QStringLiteral("/Applications"));
    if (path.isEmpty())
        return;
    row.target->setText(path);
    if (row.name->text().trimmed().isEmpty())
        row.name->setText(withoutExtension(Paths::lastComponent(path)));
}

bool AppSettingsSheet::save()
{
    clearError();
    // Rows with both fields blank are skipped; numbers in messages count from 1.
    const auto filled = [](const Row& row, QString& name, QString& target) {
        name = row.name->text().trimmed();
        target = row.target->text().trimmed();
        return !name.isEmpty() || !target.isEmpty();
    };
    QString name, target;

    QList<ShortcutEntry> folders;
    for (int i = 0; i < m_folderRows.size(); ++i) {
        if (!filled(m_folderRows[i], name, target))
            continue;
        const QString n = QString::number(i + 1);
        if (target.isEmpty())
            return fail(QStringLiteral("フォルダ ") + n + QStringLiteral(" のパスを指定してください"));
        const QString path = Paths::standardized(target);
        if (!QFileInfo(path).isDir())
            return fail(QStringLiteral("フォルダ ") + n +
                        QStringLiteral(" に存在するフォルダを指定してください"));
        folders.append({name.isEmpty() ? Paths::lastComponent(path) : name, path});
    }

    QList<ShortcutEntry> apps;
    for (int i = 0; i < m_appRows.size(); ++i) {
        if (!filled(m_appRows[i], name, target))
            continue;
        const QString n = QString::number(i + 1);
        if (target.isEmpty())
            return fail(QStringLiteral("アプリ ") + n + QStringLiteral(" の場所を指定してください"));
        const std::optional<ShortcutEntry> entry = AppShortcut::entry(target, name);
        if (!entry)
            return fail(QStringLiteral("アプリ ") + n +
                        QStringLiteral(" に存在するアプリ（.app）を指定してください"));
        apps.append(*entry);
    }

    QList<ShortcutEntry> urls;
    for (int i = 0; i < m_urlRows.size(); ++i) {
        if (!filled(m_urlRows[i], name, target))
            continue;
        const QString n = QString::number(i + 1);
        if (target.isEmpty())
            return fail(QStringLiteral("URL ") + n + QStringLiteral(" のアドレスを指定してください"));
        if (!Launcher::validateURL(target))
            return fail(QStringLiteral("URL ") + n +
                        QStringLiteral(" は http:// または https:// で始まる有効な形式にしてください"));
        urls.append({name.isEmpty() ? URLUtil::domain(target).value_or(target) : name, target});
    }

    if (m_login) {
        const bool registered = m_probes.loginItem->status() != LoginItem::Status::off;
        QString reason;
        if (m_login->isChecked() != registered &&
            !m_probes.loginItem->setEnabled(m_login->isChecked(), &reason))
            return fail(QStringLiteral("ログイン時の起動を切り替えられませんでした: ") + reason);
    }
    m_state.updateShortcuts(folders, urls, apps);
    m_state.updateTriggerSettings(m_hotkey->isChecked(),
                                  static_cast<DoubleTapKey>(m_doubleTapKey->currentIndex()),
                                  m_tapCount->currentIndex() == 1 ? 3 : 2);
    m_state.setAgentStatusEnabled(m_agentStatus->isChecked());
    m_state.setClaudeUsageEnabled(m_claudeUsage->isChecked());
    accept();
    return true;
}

void AppSettingsSheet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_state.appSettingsShown())
        m_state.setAppSettingsShown(true);
}

void AppSettingsSheet::done(int result)
{
    QDialog::done(result);
    if (m_state.appSettingsShown())
        m_state.setAppSettingsShown(false);
}

AppSettingsSheet::~AppSettingsSheet()
{
    if (isVisible() && m_state.appSettingsShown())
        m_state.setAppSettingsShown(false);
}
