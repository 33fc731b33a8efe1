#include "ui/SlotSettingsSheet.h"

#include "core/control/Launcher.h"
#include "core/state/AppState.h"
#include "core/text/Paths.h"
#include "core/text/Text.h"
#include "ui/Icons.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using LauncherDesign::TextStyle;
using SheetParts::text;

namespace {

// One colour of the choice: a disc in the theme's accent with its name below, ringed when chosen.
class Swatch final : public QAbstractButton {
public:
    Swatch(PanelTheme theme, QWidget* parent) : QAbstractButton(parent), m_theme(theme)
    {
        setCheckable(true);
        setText(PanelThemes::label(theme));
        setToolTip(text());
        setObjectName(QStringLiteral("swatch.") + PanelThemes::rawValue(theme));
        setFont(LauncherDesign::font(TextStyle::micro));
        setFixedSize(112, 54);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF centre(width() / 2.0, 14);
        if (isChecked()) {
            p.setPen(QPen(LauncherDesign::ink, 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(centre, 13, 13);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(ThemeColors::of(m_theme).accent);
        p.drawEllipse(centre, 10, 10);
        p.setPen(isChecked() ? LauncherDesign::ink : LauncherDesign::body);
        p.drawText(QRect(0, 30, width(), height() - 30), Qt::AlignHCenter | Qt::AlignTop, text());
    }

private:
    PanelTheme m_theme;
};

QLineEdit* field(const QString& name, const QString& hint, const QString& value, QWidget* parent)
{
    auto* edit = new QLineEdit(value, parent);
    edit->setObjectName(name);
    edit->setFixedHeight(34); // the buttons' height
    edit->setPlaceholderText(hint);
    return edit;
}

} // namespace

SlotSettingsSheet::SlotSettingsSheet(AppState& state, int slot, const Bundle& /*bundle*/,
                                     Workspace& /*workspace*/, QWidget* parent)
    : SettingsSheet(parent), m_state(state), m_slot(slot)
{
    const QString title = QStringLiteral("マス ") + QString::number(slot) + QStringLiteral(" の設定");
    setWindowTitle(title);
    setWindowFlag(Qt::Sheet);
    setWindowModality(Qt::WindowModal);
    setFont(LauncherDesign::font(TextStyle::caption));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, LauncherDesign::surface);
    setPalette(palette);
    setMinimumWidth(620);

    SlotEntry entry;
    QString serverBrowser = QStringLiteral("safari");
    if (const std::optional<SlotStatus> status = m_state.status(slot)) {
        entry = status->entry;
        m_isSafari = entry.kind == QStringLiteral("safari");
        m_color = PanelThemes::from(entry.color);
        if (entry.server)
            serverBrowser = entry.server->browser;
    }

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 16);
    column->setSpacing(14);
    column->addWidget(text(title, TextStyle::heading, LauncherDesign::ink, this));

    auto* form = new QFormLayout;
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const auto label = [this](const QString& content) {
        return text(content, TextStyle::label, LauncherDesign::body, this);
    };

    m_name = field(QStringLiteral("name"), QString(), entry.name, this);
    form->addRow(label(QStringLiteral("プロジェクト名")), m_name);

    m_path = field(QStringLiteral("path"), QStringLiteral("/Users/..."), entry.path, this);
    if (!m_isSafari) {
        auto* choose = SheetParts::secondaryButton(QStringLiteral("フォルダを選択"), this);
        choose->setObjectName(QStringLiteral("chooseFolder"));
        choose->setIcon(
            Icons::symbol(QStringLiteral("folder"), LauncherDesign::body, 16, devicePixelRatioF()));
        choose->setAutoDefault(false);
        connect(choose, &QPushButton::clicked, this, &SlotSettingsSheet::chooseFolder);
        auto* folderRow = new QHBoxLayout;
        folderRow->addWidget(m_path, 1);
        folderRow->addWidget(choose);
        form->addRow(label(QStringLiteral("フォルダ（空欄で未登録）")), folderRow);
    } else {
        m_path->hide(); // a Safari slot has no folder
    }

    m_url =
        field(QStringLiteral("url"),
              m_isSafari ? QStringLiteral("https://example.com") : QStringLiteral("http://localhost:3000"),
              entry.url.value_or(QString()), this);
    QLabel* urlLabel =
        label(m_isSafari ? QStringLiteral("URL") : QStringLiteral("URL(Safariで開く。空欄で無効)"));
    urlLabel->setObjectName(QStringLiteral("urlLabel"));
    form->addRow(urlLabel, m_url);

    form->addRow(label(QStringLiteral("カラー")), buildSwatches());

    m_server = field(QStringLiteral("server"), QStringLiteral("192.168.1.5:8080"),
                     entry.server ? entry.server->address : QString(), this);
    form->addRow(label(QStringLiteral("サーバー(空欄で未登録)")), m_server);

    auto* safari = new QRadioButton(QStringLiteral("Safari"), this);
    safari->setObjectName(QStringLiteral("browser.safari"));
    m_chrome = new QRadioButton(QStringLiteral("Google Chrome"), this);
    m_chrome->setObjectName(QStringLiteral("browser.chrome"));
    (serverBrowser == QStringLiteral("chrome") ? m_chrome : safari)->setChecked(true);
    auto* browsers = new QHBoxLayout;
    browsers->addWidget(safari);
    browsers->addWidget(m_chrome);
    browsers->addStretch();
    form->addRow(label(QStringLiteral("ブラウザ")), browsers);
    column->addLayout(form);

    auto* remove = SheetParts::secondaryButton(QStringLiteral("配置を解除"), this, LauncherDesign::alert);
    remove->setObjectName(QStringLiteral("remove"));
    remove->setAutoDefault(false);
    connect(remove, &QPushButton::clicked, this, &SlotSettingsSheet::removeFromSlot);
    addFooter(column, remove);
}

QWidget* SlotSettingsSheet::buildSwatches()
{
    // Two rows of three, in the order of the themes.
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    auto* choice = new QButtonGroup(box);
    choice->setExclusive(true);
    int index = 0;
    for (const PanelTheme theme : PanelThemes::all()) {
        auto* swatch = new Swatch(theme, box);
        swatch->setChecked(theme == m_color);
        connect(swatch, &QAbstractButton::clicked, this, [this, theme] { m_color = theme; });
        choice->addButton(swatch);
        grid->addWidget(swatch, index / 3, index % 3);
        ++index;
    }
    grid->setColumnStretch(3, 1);
    return box;
}

void SlotSettingsSheet::chooseFolder()
{
    const QString path = m_chooseFolder(this, QStringLiteral("このフォルダを登録"), QString());
    if (!path.isEmpty())
        m_path->setText(path);
}

bool SlotSettingsSheet::save()
{
    clearError();
    const QString name = Text::trimmedSpaces(m_name->text());
    if (name.isEmpty())
        return fail(QStringLiteral("プロジェクト名を入力してください"));

    QString path;
    const QString folder = m_path->text().trimmed();
    if (!m_isSafari && !folder.isEmpty()) {
        path = Paths::standardized(folder);
        if (!QFileInfo(path).isDir())
            return fail(QStringLiteral("存在するフォルダパス、または空欄を指定してください"));
    }

    const QString address = Text::trimmedSpaces(m_url->text());
    if ((m_isSafari && address.isEmpty()) || (!address.isEmpty() && !Launcher::validateURL(address)))
        return fail(QStringLiteral("URLは http:// または https:// で始まる有効な形式にしてください"));
    const std::optional<QString> url = address.isEmpty() ? std::nullopt : std::optional(address);

    const QString serverAddress = Text::trimmedSpaces(m_server->text());
    std::optional<ServerEntry> server;
    if (!serverAddress.isEmpty()) {
        if (!Launcher::validateURL(Launcher::buildServerURL(serverAddress)))
            return fail(QStringLiteral("サーバーアドレスが不正です(例: 192.168.1.5:8080)"));
        server = ServerEntry{serverAddress,
                             m_chrome->isChecked() ? QStringLiteral("chrome") : QStringLiteral("safari")};
    }

    // Writes only when the slot has an entry; the refresh follows either way.
    m_state.applySlotSettings(m_slot, name, path, url, PanelThemes::rawValue(m_color), server);
    accept();
    return true;
}

void SlotSettingsSheet::removeFromSlot()
{
    m_state.removeSlot(m_slot);
    accept();
}

void SlotSettingsSheet::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_state.settingsSlot() != m_slot)
        m_state.setSettingsSlot(m_slot);
}

void SlotSettingsSheet::done(int result)
{
    QDialog::done(result);
    if (m_state.settingsSlot())
        m_state.setSettingsSlot(std::nullopt);
}

SlotSettingsSheet::~SlotSettingsSheet()
{
    if (isVisible() && m_state.settingsSlot())
        m_state.setSettingsSlot(std::nullopt);
}
