#include "ui/UnassignedListView.h"

#include "core/layout/DragPayload.h"
#include "core/layout/URLUtil.h"
#include "core/state/AppState.h"
#include "core/text/Paths.h"
#include "core/text/Text.h"
#include "ui/FocusPulse.h"
#include "ui/Icons.h"
#include "ui/LauncherDesign.h"
#include "ui/NinePatch.h"
#include "ui/PanelHost.h"

#include <QApplication>
#include <QDrag>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>

using LauncherDesign::TextStyle;

namespace {

constexpr int rowHeight = 40;
constexpr int rowSpacing = 6;
constexpr int trailingInset = 4;

QLabel* textLabel(const QString& content, TextStyle style, const QColor& colour, QWidget* parent)
{
    return LauncherDesign::label(content, LauncherDesign::font(style), colour, parent);
}

QLabel* symbolLabel(const QString& symbol, const QColor& colour, int size, QWidget* parent)
{
    return LauncherDesign::symbolLabel(symbol, colour, size, parent);
}

QString kindSymbol(WindowKind kind)
{
    switch (kind) {
    case WindowKind::vscode:
        return QStringLiteral("macwindow");
    case WindowKind::terminal:
        return QStringLiteral("terminal");
    case WindowKind::safari:
        return QStringLiteral("safari");
    }
    return {};
}

// The list's scroll bar: a slim rounded thumb in an empty track, as on the panel's home desktop.
// It keeps the style's geometry, so clicks and drags behave as the style's own bar does.
class SlimScrollBar final : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        if (minimum() == maximum())
            return;
        const QRect slider =
            style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(underMouse() || isSliderDown() ? LauncherDesign::muted : LauncherDesign::faint);
        const QRectF thumb = QRectF(slider).adjusted(4, 2, -4, -2);
        p.drawRoundedRect(thumb, thumb.width() / 2, thumb.width() / 2);
    }
};

// One window of the list: a click jumps to it, a drag carries it to a slot.
class WindowRow final : public QWidget {
public:
    WindowRow(UnassignedListView& view, AppWindow window, std::optional<AgentState> badge, bool hasFolder,
              QWidget* parent)
        : QWidget(parent), m_view(view), m_window(std::move(window))
    {
        setFixedHeight(rowHeight);
        setAttribute(Qt::WA_Hover);
        setCursor(Qt::PointingHandCursor);
        auto* items = m_items = new QHBoxLayout(this);
        items->setContentsMargins(10, 0, 6, 0);
        items->setSpacing(8);
        items->addWidget(symbolLabel(kindSymbol(m_window.kind), LauncherDesign::body, 16, this));
        QLabel* name = LauncherDesign::elidingLabel(Qt::ElideRight, this);
        name->setText(Text::forDisplay(UnassignedListView::displayName(m_window)));
        name->setFont(LauncherDesign::font(TextStyle::caption));
        QPalette palette = name->palette();
        palette.setColor(QPalette::WindowText, LauncherDesign::ink);
        name->setPalette(palette);
        items->addWidget(name, 1);
        setBadge(badge);
        if (hasFolder) {
            auto* folder = new LauncherIconButton(QStringLiteral("folder"), UnassignedListView::folderTooltip,
                                                  LauncherDesign::body, this);
            QObject::connect(folder, &QAbstractButton::clicked, this,
                             [this] { m_view.openFolder(m_window); });
            items->addWidget(folder);
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        p.fillPath(path, underMouse() ? LauncherDesign::primaryTint : LauncherDesign::surface);
        p.setPen(QPen(LauncherDesign::hair, 1));
        p.drawPath(path);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_pressedAt = event->position().toPoint();
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!m_pressedAt || !(event->buttons() & Qt::LeftButton) ||
            (event->position().toPoint() - *m_pressedAt).manhattanLength() <
                QApplication::startDragDistance())
            return;
        m_pressedAt.reset();
        m_view.drag(this, m_window);
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const bool clicked =
            m_pressedAt && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
        m_pressedAt.reset();
        if (clicked)
            m_view.jump(m_window);
    }

public:
    // The same window found again by a later listing: a new record, the same look.
    void setWindow(AppWindow window)
    {
        m_window = std::move(window);
        m_follower->setTarget(FocusTarget::window(m_window.id));
    }
    // The badge goes after the name.
    void setBadge(std::optional<AgentState> badge)
    {
        if ((m_badge ? std::optional(m_badge->state()) : std::nullopt) == badge)
            return;
        delete m_badge;
        m_badge = badge ? new AgentBadge(*badge, this) : nullptr;
        if (m_badge)
            m_items->insertWidget(2, m_badge);
    }
    void follow(FocusFollower* follower) { m_follower = follower; }

private:
    UnassignedListView& m_view;
    AppWindow m_window;
    std::optional<QPoint> m_pressedAt;
    FocusFollower* m_follower = nullptr;
    QHBoxLayout* m_items = nullptr;
    AgentBadge* m_badge = nullptr;
};

} // namespace

// ----------------------------------------------------------------------------- shared small widgets

AgentBadge::AgentBadge(AgentState state, QWidget* parent) : QWidget(parent), m_state(state)
{
    setFixedSize(18 + 2 * 6, 18);
    setToolTip(text(state));
    setAccessibleName(text(state));
}

QString AgentBadge::symbolName(AgentState state)
{
    switch (state) {
    case AgentState::running:
        return QStringLiteral("ellipsis");
    case AgentState::waiting:
        return QStringLiteral("exclamationmark.circle.fill");
    case AgentState::idle:
        return QStringLiteral("envelope.fill");
    case AgentState::done:
        return QStringLiteral("checkmark.circle.fill");
    }
    return {};
}

QColor AgentBadge::colour(AgentState state)
{
    switch (state) {
    case AgentState::running:
        return LauncherDesign::muted;
    case AgentState::waiting:
        return LauncherDesign::alert;
    case AgentState::idle:
        return LauncherDesign::faint;
    case AgentState::done:
        return LauncherDesign::primaryDeep;
    }
    return LauncherDesign::muted;
}

QString AgentBadge::text(AgentState state)
{
    return QStringLiteral("エージェント: ") + badgeLabel(state);
}

void AgentBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(6, 0, 18, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(colour(m_state));
    p.drawEllipse(circle);
    constexpr int symbolSize = 11; // the size-9 bold symbol's drawn extent
    p.drawPixmap(QPointF(circle.center().x() - symbolSize / 2.0, circle.center().y() - symbolSize / 2.0),
                 Icons::symbol(symbolName(m_state), Qt::white, symbolSize, devicePixelRatioF()));
}

LauncherIconButton::LauncherIconButton(const QString& symbol, const QString& tooltip, const QColor& colour,
                                       QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol), m_colour(colour)
{
    setFixedSize(32, 32);
    setToolTip(tooltip);
    setAccessibleName(tooltip);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void LauncherIconButton::setEmphasis(double opacity)
{
    m_emphasis = opacity;
    update();
}

void LauncherIconButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(m_emphasis * (isDown() ? 0.65 : 1.0));
    if (underMouse()) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 8, 8);
        p.fillPath(path, QColor(255, 255, 255, 150));
    }
    constexpr int symbolSize = 17;
    p.drawPixmap((width() - symbolSize) / 2, (height() - symbolSize) / 2,
                 Icons::symbol(m_symbol, m_colour, symbolSize, devicePixelRatioF()));
}

// ----------------------------------------------------------------------------- the list

UnassignedListView::UnassignedListView(AppState& state, PanelHost& host, QWidget* parent)
    : QWidget(parent), m_state(state), m_host(host)
{
    setFixedWidth(322);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 14);
    column->setSpacing(8);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    header->addWidget(symbolLabel(QStringLiteral("rectangle.stack"), LauncherDesign::body, 16, this));
    // Where the column is narrow the title elides last: the loading note gives its room first.
    QLabel* heading = LauncherDesign::elidingLabel(Qt::ElideRight, this);
    heading->setText(title);
    heading->setFont(LauncherDesign::font(TextStyle::label));
    QPalette ink = heading->palette();
    ink.setColor(QPalette::WindowText, LauncherDesign::ink);
    heading->setPalette(ink);
    header->addWidget(heading);
    QFont countFont = LauncherDesign::font(TextStyle::micro);
    countFont.setStyleHint(QFont::Monospace);
    m_count = new QLabel(this);
    m_count->setFont(countFont);
    m_count->setFixedHeight(20);
    m_count->setMinimumWidth(20);
    m_count->setAlignment(Qt::AlignCenter);
    m_count->setContentsMargins(7, 0, 7, 0);
    m_count->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border-radius: 10px; }")
                               .arg(LauncherDesign::primaryTint.name(), LauncherDesign::primaryDeep.name()));
    header->addWidget(m_count);
    // While Terminal windows are gathered: a small indicator in the design's colours and the note,
    // which elides where the column is narrow.
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_progress->setFixedSize(22, 6);
    m_progress->setStyleSheet(
        QStringLiteral("QProgressBar { background: %1; border: none; border-radius: 3px; }"
                       "QProgressBar::chunk { background: %2; border-radius: 3px; }")
            .arg(LauncherDesign::primaryTint.name(), LauncherDesign::primary.name()));
    m_progress->setToolTip(loadingText);
    header->addWidget(m_progress);
    m_loading = LauncherDesign::elidingLabel(Qt::ElideRight, this);
    m_loading->setText(loadingText);
    m_loading->setFont(LauncherDesign::font(TextStyle::micro));
    QPalette muted = m_loading->palette();
    muted.setColor(QPalette::WindowText, LauncherDesign::muted);
    m_loading->setPalette(muted);
    m_loading->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    header->addWidget(m_loading, 1);
    header->addStretch();
    column->addLayout(header);

    m_empty = textLabel(emptyText, TextStyle::caption, LauncherDesign::muted, this);
    m_empty->setWordWrap(true);
    column->addWidget(m_empty);

    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBar(new SlimScrollBar(Qt::Vertical, m_scroll));
    m_scroll->verticalScrollBar()->setAttribute(Qt::WA_Hover);
    m_scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(m_scroll);
    m_rows = new QVBoxLayout(content);
    m_rows->setContentsMargins(0, 0, trailingInset, 0);
    m_rows->setSpacing(rowSpacing);
    m_scroll->setWidget(content);
    content->setAutoFillBackground(false); // setWidget turned it on
    column->addWidget(m_scroll, 1);
    column->addStretch();

    connect(&m_state, &AppState::changed, this, [this](AppState::Field field) {
        switch (field) {
        case AppState::Field::unassigned:
        case AppState::Field::unassignedBadges:
        case AppState::Field::terminalLoading:
            rebuild();
            break;
        case AppState::Field::focusHighlight:
            scrollToFocused();
            break;
        default:
            break;
        }
    });
    rebuild();
}

QString UnassignedListView::displayName(const AppWindow& window)
{
    switch (window.kind) {
    case WindowKind::vscode:
        return window.projectName.value_or(window.title);
    case WindowKind::terminal: {
        const QString folder = window.folderPath.value_or(QString()).trimmed();
        const QString name = folder.isEmpty() ? QString() : Paths::lastComponent(folder);
        return name.isEmpty() ? window.title : name;
    }
    case WindowKind::safari:
        return URLUtil::domain(window.folderPath).value_or(window.title);
    }
    return window.title;
}

QMimeData* UnassignedListView::dragData(const AppWindow& window)
{
    auto* data = new QMimeData;
    data->setText(DragPayload::window(window.id).string());
    return data;
}

void UnassignedListView::jump(const AppWindow& window)
{
    m_state.raiseWindow(window);
    m_host.hidePanel();
}

void UnassignedListView::openFolder(const AppWindow& window)
{
    const auto folder = m_state.folderPath(window);
    if (!folder || folder->trimmed().isEmpty())
        return;
    m_state.openFolder(window);
    m_host.hidePanel();
}

void UnassignedListView::drag(QWidget* row, const AppWindow& window)
{
    auto* drag = new QDrag(row);
    drag->setMimeData(dragData(window));
    drag->setPixmap(row->grab());
    m_dragging = true;
    drag->exec(Qt::MoveAction | Qt::CopyAction);
    m_dragging = false;
    if (m_rebuildPending)
        QTimer::singleShot(0, this, &UnassignedListView::rebuild);
}

void UnassignedListView::rebuild()
{
    if (m_dragging) {
        m_rebuildPending = true;
        return;
    }
    m_rebuildPending = false;
    const QList<AppWindow>& windows = m_state.unassigned();
    m_count->setText(QString::number(windows.size()));
    m_progress->setVisible(m_state.terminalLoading());
    m_loading->setVisible(m_state.terminalLoading());
    m_empty->setVisible(windows.isEmpty());
    m_scroll->setVisible(!windows.isEmpty());

    // Several notifications arrive for one refresh, and every listing gives the windows new records:
    // the rows are made again only when what they show changed, and otherwise take the new records
    // and badges.
    const auto badgeOf = [this](const AppWindow& window) -> std::optional<AgentState> {
        const auto badge = m_state.unassignedBadges().constFind(window.id);
        return badge == m_state.unassignedBadges().constEnd() ? std::nullopt : std::optional(*badge);
    };
    QStringList signature;
    for (const AppWindow& window : windows) {
        const auto folder = m_state.folderPath(window);
        signature.append(QString::number(int(window.kind)) + u'|' + window.title + u'|' +
                         (folder && !folder->trimmed().isEmpty() ? u'f' : u'-') + u'|' + displayName(window));
    }
    if (signature == m_rowsSignature && m_rows->count() > 0) {
        m_rowByWindow.clear();
        for (qsizetype i = 0; i < windows.size(); ++i) {
            auto* row = static_cast<WindowRow*>(m_rows->itemAt(int(i))->widget());
            row->setWindow(windows[i]);
            row->setBadge(badgeOf(windows[i]));
            m_rowByWindow.insert(windows[i].id, row);
        }
        scrollToFocused();
        return;
    }
    m_rowsSignature = signature;

    while (QLayoutItem* item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    m_rowByWindow.clear();
    QWidget* content = m_scroll->widget();
    for (const AppWindow& window : windows) {
        const auto folder = m_state.folderPath(window);
        auto* row =
            new WindowRow(*this, window, badgeOf(window), folder && !folder->trimmed().isEmpty(), content);
        row->follow(
            FocusFollower::attach(row, m_state, FocusTarget::window(window.id), FocusFollower::windowRow));
        m_rows->addWidget(row);
        m_rowByWindow.insert(window.id, row);
    }
    m_rows->addStretch();
    scrollToFocused();
}

void UnassignedListView::scrollToFocused()
{
    const auto& highlight = m_state.focusHighlight();
    if (!highlight)
        return;
    QWidget* focused = nullptr;
    for (const AppWindow& window : m_state.unassigned()) {
        if (highlight->targets.contains(FocusTarget::window(window.id))) {
            focused = m_rowByWindow.value(window.id);
            break;
        }
    }
    if (!focused)
        return;
    m_scroll->widget()->adjustSize();
    QScrollBar* bar = m_scroll->verticalScrollBar();
    const int viewport = m_scroll->viewport()->height();
    int target = bar->value();
    if (focused->y() < target)
        target = focused->y();
    else if (focused->y() + focused->height() > target + viewport)
        target = focused->y() + focused->height() - viewport;
    if (target == bar->value())
        return;
    auto* animation = new QPropertyAnimation(bar, "value", this);
    animation->setDuration(300);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setEndValue(target);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void UnassignedListView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    NinePatch::draw(p, rect(), QMargins(14, 14, 14, 16), QStringLiteral("list-card"),
                    [](QPainter& shape, const QRectF& r) {
                        LauncherDesign::paintCard(shape, r.adjusted(0.5, 0.5, -0.5, -2.5), 2);
                    });
}
