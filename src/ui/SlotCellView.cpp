#include "ui/SlotCellView.h"

#include "core/layout/DragPayload.h"
#include "core/state/AppState.h"
#include "core/text/Text.h"
#include "ui/Icons.h"
#include "ui/LauncherDesign.h"
#include "ui/NinePatch.h"
#include "ui/PanelAlert.h"
#include "ui/PanelHost.h"
#include "ui/PanelLayout.h"
#include "ui/SheetHost.h"
#include "ui/UnassignedListView.h"

#include <QApplication>
#include <QDrag>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using LauncherDesign::TextStyle;

namespace {

constexpr int stripHeight = 44;
constexpr double cornerRadius = 12;

QLabel* textLabel(TextStyle style, const QColor& colour, QWidget* parent)
{
    return LauncherDesign::label(QString(), LauncherDesign::font(style), colour, parent);
}

QLabel* symbolLabel(const QString& symbol, const QColor& colour, int size, QWidget* parent)
{
    return LauncherDesign::symbolLabel(symbol, colour, size, parent);
}

void setColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

// A small capsule holding a symbol and a word. Where it is given less room than it wants the word is
// cut short with "…", or left out when not even its first letter would show; the whole word (with
// the chip's own tooltip) is then its tooltip.
class Chip final : public QWidget {
public:
    Chip(const QString& symbol, const QString& text, const QColor& colour, const QColor& fill,
         const QString& tooltip, QWidget* parent)
        : QWidget(parent), m_symbol(symbol), m_text(text), m_tooltip(tooltip), m_colour(colour), m_fill(fill)
    {
        setProperty("text", text);
        setProperty("elides", true);
        setToolTip(tooltip);
        setFont(LauncherDesign::font(TextStyle::micro));
        setFixedHeight(20);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override
    {
        return {textLeft + fontMetrics().horizontalAdvance(m_text) + padRight, 20};
    }
    QSize minimumSizeHint() const override { return {textLeft - gap + padRight - 1, 20}; }
    // The word as it shows at the chip's width: whole, cut short, or empty (the symbol alone).
    QString shownText() const
    {
        const QString shown = fontMetrics().elidedText(m_text, Qt::ElideRight, width() - textLeft - padRight);
        return shown == QStringLiteral("…") ? QString() : shown;
    }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        const bool whole = shownText() == m_text;
        setToolTip(whole || m_tooltip.isEmpty() ? (whole ? m_tooltip : m_text) : m_text + u'\n' + m_tooltip);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QString shown = shownText();
        const int right = shown.isEmpty() ? minimumSizeHint().width() : width();
        if (m_fill.isValid()) {
            QPainterPath path;
            path.addRoundedRect(QRectF(0, 0, right, height()), height() / 2.0, height() / 2.0);
            p.fillPath(path, m_fill);
        }
        constexpr int symbolSize = 12;
        p.drawPixmap(7, (height() - symbolSize) / 2, Icons::symbol(m_symbol, m_colour, symbolSize, devicePixelRatioF()));
        if (shown.isEmpty())
            return;
        p.setPen(m_colour);
        p.drawText(QRect(textLeft, 0, width() - textLeft - padRight, height()), Qt::AlignLeft | Qt::AlignVCenter,
                   shown);
    }

private:
    static constexpr int gap = 4;
    static constexpr int textLeft = 7 + 12 + gap;
    static constexpr int padRight = 8;
    QString m_symbol;
    QString m_text;
    QString m_tooltip;
    QColor m_colour;
    QColor m_fill;
};

// The maximise button: the symbol over its label.
class MaximizeButton final : public QAbstractButton {
public:
    explicit MaximizeButton(QWidget* parent) : QAbstractButton(parent)
    {
        setText(SlotCellView::maximizeText);
        setFixedSize(52, 48);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
    }
    void setColour(const QColor& colour)
    {
        m_colour = colour;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setOpacity(isDown() ? 0.65 : 1.0);
        if (underMouse()) {
            QPainterPath path;
            path.addRoundedRect(QRectF(rect()), 8, 8);
            p.fillPath(path, QColor(255, 255, 255, 150));
        }
        constexpr int symbolSize = 19;
        p.drawPixmap((width() - symbolSize) / 2, 5,
                     Icons::symbol(QStringLiteral("arrow.up.left.and.arrow.down.right"), m_colour, symbolSize,
                                   devicePixelRatioF()));
        p.setFont(LauncherDesign::font(TextStyle::micro));
        p.setPen(m_colour);
        p.drawText(QRect(0, 5 + symbolSize + 2, width(), height() - symbolSize - 7),
                   Qt::AlignHCenter | Qt::AlignTop, text());
    }

private:
    QColor m_colour = LauncherDesign::body;
};

QString kindSymbol(WindowKind kind)
{
    switch (kind) {
    case WindowKind::terminal:
        return QStringLiteral("terminal");
    case WindowKind::safari:
        return QStringLiteral("safari");
    case WindowKind::vscode:
        return QStringLiteral("curlybraces.square");
    }
    return {};
}

struct CellColours {
    QColor fill, border, strip, accent;
};

CellColours coloursOf(const std::optional<SlotStatus>& status)
{
    QColor lightPrimary = LauncherDesign::primary;
    lightPrimary.setAlphaF(0.22f);
    if (!status)
        return {LauncherDesign::surface, LauncherDesign::hair, lightPrimary, LauncherDesign::faint};
    const PanelTheme theme = PanelThemes::from(status->entry.color);
    const ThemeColors colours = ThemeColors::of(theme);
    const bool hasWindow = status->window.has_value();
    if (theme == PanelTheme::standard)
        return {hasWindow ? LauncherDesign::primaryTint : LauncherDesign::card,
                hasWindow ? LauncherDesign::primary : LauncherDesign::hair, lightPrimary,
                colours.foregroundAccent};
    QColor border = colours.accent;
    border.setAlphaF(hasWindow ? 1.0f : 0.72f);
    return {colours.background, border, colours.actionStrip, colours.foregroundAccent};
}

} // namespace

SlotCellView::SlotCellView(int slot, AppState& state, PanelHost& host, QWidget* parent)
    : QWidget(parent), m_slot(slot), m_state(state), m_host(host)
{
    setMinimumWidth(200);
    setAcceptDrops(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // Empty: the dashed square over "空きスロット".
    m_emptyContent = new QWidget(this);
    auto* empty = new QVBoxLayout(m_emptyContent);
    empty->setContentsMargins(0, 10, 0, 4);
    empty->setSpacing(4);
    empty->addStretch();
    empty->addWidget(symbolLabel(QStringLiteral("square.dashed"), LauncherDesign::faint, 24, m_emptyContent),
                     0, Qt::AlignHCenter);
    QLabel* emptyLabel = textLabel(TextStyle::caption, LauncherDesign::muted, m_emptyContent);
    emptyLabel->setText(emptyText);
    empty->addWidget(emptyLabel, 0, Qt::AlignHCenter);
    empty->addStretch();
    column->addWidget(m_emptyContent, 1);

    // Assigned: number, kind and name; folder or address; chips; the maximise button at the right.
    m_assignedContent = new QWidget(this);
    auto* assigned = new QHBoxLayout(m_assignedContent);
    assigned->setContentsMargins(14, 10, 8, 4);
    assigned->setSpacing(6);
    auto* lines = new QVBoxLayout;
    lines->setSpacing(3);
    auto* top = new QHBoxLayout;
    top->setSpacing(6);
    m_number = textLabel(TextStyle::title, LauncherDesign::primaryDeep, m_assignedContent);
    top->addWidget(m_number);
    m_kind = new QLabel(m_assignedContent);
    m_kind->setFixedSize(16, 16);
    top->addWidget(m_kind);
    m_name = LauncherDesign::elidingLabel(Qt::ElideRight, m_assignedContent);
    m_name->setFont(LauncherDesign::font(TextStyle::label));
    setColour(m_name, LauncherDesign::ink);
    top->addWidget(m_name, 1);
    lines->addLayout(top);
    m_detail = LauncherDesign::elidingLabel(Qt::ElideMiddle, m_assignedContent);
    m_detail->setFont(LauncherDesign::font(TextStyle::micro));
    setColour(m_detail, LauncherDesign::muted);
    lines->addWidget(m_detail);
    m_chips = new QHBoxLayout;
    m_chips->setSpacing(4);
    m_recent = new Chip(QStringLiteral("clock.fill"), recentText, LauncherDesign::primaryDeep,
                        QColor(255, 255, 255, 190), recentTooltip, m_assignedContent);
    m_chips->addWidget(m_recent);
    m_missing = new Chip(QStringLiteral("exclamationmark.triangle.fill"), missingText, LauncherDesign::alert,
                         QColor(), QString(), m_assignedContent);
    m_chips->addWidget(m_missing);
    m_chips->addStretch();
    lines->addLayout(m_chips);
    lines->addStretch();
    assigned->addLayout(lines, 1);
    auto* maximize = new MaximizeButton(m_assignedContent);
    m_maximize = maximize;
    connect(maximize, &QAbstractButton::clicked, this, &SlotCellView::maximize);
    assigned->addWidget(maximize, 0, Qt::AlignTop);
    column->addWidget(m_assignedContent, 1);

    // The action strip along the bottom edge.
    auto* strip = new QWidget(this);
    strip->setFixedHeight(stripHeight);
    auto* buttons = new QHBoxLayout(strip);
    buttons->setContentsMargins(8, 6, 8, 6);
    buttons->setSpacing(2);
    const auto button = [&](const QString& symbol, const QString& tooltip, void (SlotCellView::*action)()) {
        auto* b = new LauncherIconButton(symbol, tooltip, LauncherDesign::body, strip);
        connect(b, &QAbstractButton::clicked, this, action);
        buttons->addWidget(b);
        return b;
    };
    m_folderButton =
        button(QStringLiteral("folder"), QStringLiteral("Finderでフォルダを開く"), &SlotCellView::openFolder);
    m_urlButton =
        button(QStringLiteral("safari"), QStringLiteral("SafariでURLを開く"), &SlotCellView::openURL);
    m_serverButton = button(QStringLiteral("server.rack"), QString(), &SlotCellView::openServer);
    m_settingsButton =
        button(QStringLiteral("gearshape"), QStringLiteral("マスの設定"), &SlotCellView::openSettings);
    buttons->addStretch();
    column->addWidget(strip);

    connect(&m_state, &AppState::changed, this, [this](AppState::Field field) {
        if (field == AppState::Field::statuses || field == AppState::Field::agentBadges ||
            field == AppState::Field::recentSlots)
            refresh();
    });
    refresh();
}

void SlotCellView::refresh()
{
    m_status = m_state.status(m_slot);
    const bool assigned = m_status.has_value();
    m_emptyContent->setVisible(!assigned);
    m_assignedContent->setVisible(assigned);
    setCursor(assigned ? Qt::PointingHandCursor : Qt::ArrowCursor);
    delete m_badge;
    m_badge = nullptr;
    for (LauncherIconButton* b : actionButtons())
        b->setVisible(false);
    if (!assigned) {
        update();
        return;
    }

    const SlotEntry& entry = m_status->entry;
    const WindowKind kind = entry.windowKind();
    const QColor accent = coloursOf(m_status).accent;
    m_number->setText(QString::number(m_slot));
    setColour(m_number, accent);
    m_kind->setPixmap(Icons::symbol(kindSymbol(kind), accent, 16, devicePixelRatioF()));
    m_name->setText(Text::forDisplay(entry.name));
    m_name->setToolTip(m_name->text());
    if (kind == WindowKind::safari)
        m_detail->setText(Text::forDisplay(entry.url.value_or(QString())));
    else
        m_detail->setText(entry.path.isEmpty() ? noFolderText : Text::forDisplay(entry.path));
    m_recent->setVisible(m_state.recentSlots().contains(m_slot));
    if (const auto badge = m_state.agentBadges().constFind(m_slot);
        badge != m_state.agentBadges().constEnd()) {
        m_badge = new AgentBadge(*badge, m_assignedContent);
        m_chips->insertWidget(1, m_badge);
    }
    m_missing->setVisible(m_status->folderMissing);
    static_cast<MaximizeButton*>(m_maximize)->setColour(accent);

    m_folderButton->setVisible(!m_status->folderMissing && kind != WindowKind::safari &&
                               !entry.path.isEmpty());
    m_urlButton->setVisible(entry.url.has_value());
    const bool hasServer = entry.server.has_value();
    m_serverButton->setVisible(true);
    m_serverButton->setEmphasis(hasServer ? 1.0 : 0.35);
    m_serverButton->setToolTip(hasServer ? QStringLiteral("サーバーをブラウザで開く")
                                         : QStringLiteral("サーバーを登録"));
    m_settingsButton->setVisible(true);
    update();
}

QList<LauncherIconButton*> SlotCellView::actionButtons() const
{
    return {m_folderButton, m_urlButton, m_serverButton, m_settingsButton};
}

// ----------------------------------------------------------------------------- actions

void SlotCellView::click()
{
    const auto status = m_state.status(m_slot);
    if (!status)
        return;
    if (status->folderMissing) {
        showMissingAlert();
        return;
    }
    m_state.activateSlot(m_slot);
    m_host.hidePanel();
}

void SlotCellView::maximize()
{
    if (m_state.maximizeSlot(m_slot))
        m_host.hidePanel();
}

void SlotCellView::openFolder()
{
    if (m_state.openFinder(m_slot))
        m_host.hidePanel();
}

void SlotCellView::openURL()
{
    m_state.openURL(m_slot);
    m_host.hidePanel();
}

void SlotCellView::openServer()
{
    const auto status = m_state.status(m_slot);
    if (!status)
        return;
    if (!status->entry.server) {
        openSettings();
        return;
    }
    if (m_state.openServer(m_slot))
        m_host.hidePanel();
    else
        showBrowserError();
}

void SlotCellView::openSettings()
{
    m_state.setSettingsSlot(m_slot);
}

void SlotCellView::showMissingAlert()
{
    const auto status = m_state.status(m_slot);
    auto* alert = new PanelAlert(missingText,
                                 (status ? status->entry.path : QString()) +
                                     QStringLiteral("\nこのマスの配置を解除しますか?"),
                                 this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->addButton(QStringLiteral("配置を解除"), PanelAlert::Role::destructive,
                     [this] { m_state.removeSlot(m_slot); });
    alert->addButton(QStringLiteral("キャンセル"), PanelAlert::Role::cancel);
    SheetHost::present(this, alert);
}

void SlotCellView::showBrowserError()
{
    auto* alert = new PanelAlert(QStringLiteral("ブラウザを起動できませんでした"),
                                 QStringLiteral("指定したブラウザがインストールされているか確認してください。"), this);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->addButton(QStringLiteral("OK"), PanelAlert::Role::plain);
    SheetHost::present(this, alert);
}

std::unique_ptr<QMenu> SlotCellView::contextMenu()
{
    if (!m_state.status(m_slot))
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    connect(menu->addAction(QStringLiteral("設定…")), &QAction::triggered, this, &SlotCellView::openSettings);
    connect(menu->addAction(QStringLiteral("配置を解除")), &QAction::triggered, this,
            [this] { m_state.removeSlot(m_slot); });
    return menu;
}

// ----------------------------------------------------------------------------- drag and drop

QMimeData* SlotCellView::dragData() const
{
    if (!m_state.status(m_slot))
        return nullptr;
    auto* data = new QMimeData;
    data->setText(DragPayload::slot(m_slot).string());
    return data;
}

void SlotCellView::drop(const QString& text)
{
    const auto payload = DragPayload::parse(text);
    if (!payload)
        return;
    if (const auto* id = std::get_if<QUuid>(&payload->value)) {
        for (const AppWindow& window : m_state.unassigned()) {
            if (window.id == *id) {
                m_state.assignWindow(window, m_slot);
                return;
            }
        }
    } else {
        m_state.moveSlot(std::get<int>(payload->value), m_slot);
    }
}

void SlotCellView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!event->mimeData()->hasText())
        return;
    event->acceptProposedAction();
    m_dropTarget = true;
    update();
}

void SlotCellView::dragLeaveEvent(QDragLeaveEvent*)
{
    m_dropTarget = false;
    update();
}

void SlotCellView::dropEvent(QDropEvent* event)
{
    m_dropTarget = false;
    update();
    if (!event->mimeData()->hasText())
        return;
    event->acceptProposedAction();
    // Handled once the drag has finished, so that a refresh never runs under the drag's source.
    QTimer::singleShot(0, this, [this, text = event->mimeData()->text()] { drop(text); });
}

// ----------------------------------------------------------------------------- mouse

void SlotCellView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressedAt = event->position().toPoint();
}

void SlotCellView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressedAt || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - *m_pressedAt).manhattanLength() < QApplication::startDragDistance())
        return;
    m_pressedAt.reset();
    QMimeData* data = dragData();
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(grab().scaledToWidth(std::max(1, width() / 2), Qt::SmoothTransformation));
    drag->exec(Qt::MoveAction | Qt::CopyAction);
}

void SlotCellView::mouseReleaseEvent(QMouseEvent* event)
{
    const bool clicked =
        m_pressedAt && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressedAt.reset();
    if (clicked)
        click();
}

void SlotCellView::contextMenuEvent(QContextMenuEvent* event)
{
    if (auto menu = contextMenu())
        menu->exec(event->globalPos());
}

void SlotCellView::paintEvent(QPaintEvent*)
{
    const CellColours colours = coloursOf(m_status);
    QPainter p(this);
    const QString key = QStringLiteral("cell|") + colours.fill.name(QColor::HexArgb) +
                        colours.strip.name(QColor::HexArgb) +
                        (m_dropTarget ? QStringLiteral("|drop") : colours.border.name(QColor::HexArgb));
    constexpr int end = int(cornerRadius) + 2;
    NinePatch::draw(
        p, rect(), QMargins(end, end, end, stripHeight + end), key, [&](QPainter& shape, const QRectF& r) {
            shape.setRenderHint(QPainter::Antialiasing);
            QPainterPath card;
            card.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
            shape.fillPath(card, colours.fill);
            shape.save();
            shape.setClipPath(card);
            shape.fillRect(QRectF(r.left(), r.bottom() - stripHeight, r.width(), stripHeight), colours.strip);
            shape.restore();
            if (m_dropTarget) {
                shape.setPen(QPen(LauncherDesign::primaryDeep, 2));
                QPainterPath inner;
                inner.addRoundedRect(r.adjusted(1, 1, -1, -1), cornerRadius - 0.5, cornerRadius - 0.5);
                shape.drawPath(inner);
            } else {
                shape.setPen(QPen(colours.border, 1));
                shape.drawPath(card);
            }
        });
}
