#include "ui/WindowListView.h"

#include "core/state/AppState.h"
#include "core/text/Text.h"
#include "ui/FocusPulse.h"
#include "ui/Icons.h"
#include "ui/LauncherDesign.h"
#include "ui/UnassignedListView.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>
#include <QVariantAnimation>

namespace {

constexpr int leading = 10;
constexpr int trailing = 6;
constexpr int gap = 8;
constexpr int kindSize = 16;
constexpr int badgeWidth = 18 + 2 * 6;
constexpr int buttonSize = 32;

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

// The list's scroll bar: a slim rounded thumb in an empty track, beside the rows. It keeps the
// style's geometry, so clicks and drags behave as the style's own bar does.
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

} // namespace

WindowListView::WindowListView(AppState& state, UnassignedListView& owner, QWidget* parent)
    : QAbstractScrollArea(parent), m_state(state), m_owner(owner), m_dimAnimation(new QVariantAnimation(this)),
      m_anchor(new QWidget(viewport())), m_pulse(new FocusPulse(m_anchor, 8, 18))
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBar(new SlimScrollBar(Qt::Vertical, this));
    verticalScrollBar()->setAttribute(Qt::WA_Hover);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    // The focused row's stand-in: it draws nothing and takes no clicks, the pulse plays around it.
    m_anchor->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_anchor->hide();

    connect(m_dimAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        // Drawn again when the fade reaches its next step, at most once a frame interval, and at
        // its end.
        const int step = qRound(v.toDouble() * FocusDim::steps);
        const int at = m_dimAnimation->currentTime();
        const bool last = at >= m_dimAnimation->duration();
        if (step != m_dimStep && (last || at - m_dimShownAt >= FocusMotion::frameMs)) {
            m_dimStep = step;
            m_dimShownAt = at;
            viewport()->update();
        }
    });
    connect(&m_state, &AppState::changed, this, [this](AppState::Field field) {
        if (field == AppState::Field::focusHighlight)
            followFocus();
        if (field == AppState::Field::focusHighlight || field == AppState::Field::focusDimActive)
            followDimming();
    });
}

void WindowListView::refresh()
{
    QList<Row> rows;
    const QList<AppWindow>& windows = m_state.unassigned();
    rows.reserve(windows.size());
    for (const AppWindow& window : windows) {
        const auto badge = m_state.unassignedBadges().constFind(window.id);
        const auto folder = m_state.folderPath(window);
        rows.append({window, Text::forDisplay(UnassignedListView::displayName(window)),
                     badge == m_state.unassignedBadges().constEnd() ? std::nullopt : std::optional(*badge),
                     folder && !folder->trimmed().isEmpty()});
    }
    m_rows = std::move(rows);
    m_pictures.clear();
    if (m_hoverRow >= m_rows.size())
        m_hoverRow = -1;
    updateRange();
    followFocus();
    followDimming();
    viewport()->update();
}

QRect WindowListView::rowRect(int index) const
{
    return {0, index * (rowHeight + rowSpacing) - verticalScrollBar()->value(),
            viewport()->width() - trailingInset, rowHeight};
}

QRect WindowListView::folderButtonRect(int index) const
{
    if (index < 0 || index >= m_rows.size() || !m_rows[index].hasFolder)
        return {};
    const QRect row = rowRect(index);
    return {row.right() + 1 - trailing - buttonSize, row.center().y() + 1 - buttonSize / 2, buttonSize,
            buttonSize};
}

QRect WindowListView::badgeRect(int index) const
{
    if (index < 0 || index >= m_rows.size() || !m_rows[index].badge)
        return {};
    const QRect row = rowRect(index);
    const int right = m_rows[index].hasFolder ? folderButtonRect(index).left() - gap : row.right() + 1 - trailing;
    return {right - badgeWidth, row.center().y() + 1 - 9, badgeWidth, 18};
}

QRect WindowListView::nameRect(int index) const
{
    const QRect row = rowRect(index);
    const int left = row.left() + leading + kindSize + gap;
    int right = row.right() + 1 - trailing;
    if (const QRect badge = badgeRect(index); badge.isValid())
        right = badge.left() - gap;
    else if (const QRect folder = folderButtonRect(index); folder.isValid())
        right = folder.left() - gap;
    return {left, row.top(), std::max(0, right - left), row.height()};
}

int WindowListView::rowAt(QPoint point) const
{
    const int y = point.y() + verticalScrollBar()->value();
    const int index = y / (rowHeight + rowSpacing);
    if (y < 0 || index >= m_rows.size() || y - index * (rowHeight + rowSpacing) >= rowHeight ||
        point.x() < 0 || point.x() >= viewport()->width() - trailingInset)
        return -1;
    return index;
}

QString WindowListView::shownName(int index) const
{
    const QFontMetrics metrics(LauncherDesign::font(LauncherDesign::TextStyle::caption));
    return metrics.elidedText(m_rows[index].name, Qt::ElideRight, nameRect(index).width());
}

QSize WindowListView::sizeHint() const
{
    // The column is as tall as the panel makes it: the rows scroll inside it.
    return {200, rowHeight};
}

QSize WindowListView::minimumSizeHint() const
{
    return {0, rowHeight};
}

void WindowListView::updateRange()
{
    const int content = m_rows.isEmpty() ? 0 : int(m_rows.size()) * (rowHeight + rowSpacing) - rowSpacing;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, content - viewport()->height()));
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(rowHeight + rowSpacing);
}

void WindowListView::hideEvent(QHideEvent* event)
{
    m_pictures.clear(); // nothing is kept while the panel is away
    QAbstractScrollArea::hideEvent(event);
}

void WindowListView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateRange();
    placeAnchor();
}

void WindowListView::scrollContentsBy(int, int)
{
    placeAnchor();
    viewport()->update();
}

// ----------------------------------------------------------------------------- painting

void WindowListView::paintRow(QPainter& p, int index, const QRect& rect, Hover hover) const
{
    const Row& row = m_rows[index];
    const qreal ratio = devicePixelRatioF();
    const QPoint offset = rect.topLeft() - rowRect(index).topLeft(); // the parts move with the row
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    p.fillPath(path, hover != Hover::none ? LauncherDesign::primaryTint : LauncherDesign::surface);
    p.setPen(QPen(LauncherDesign::hair, 1));
    p.drawPath(path);

    const int middle = rect.top() + rect.height() / 2;
    p.drawPixmap(rect.left() + leading, middle - kindSize / 2,
                 Icons::symbol(kindSymbol(row.window.kind), LauncherDesign::body, kindSize, ratio));
    p.setFont(LauncherDesign::font(LauncherDesign::TextStyle::caption));
    p.setPen(LauncherDesign::ink);
    p.drawText(nameRect(index).translated(offset), Qt::AlignLeft | Qt::AlignVCenter, shownName(index));
    if (row.badge)
        AgentBadge::paint(p, badgeRect(index).translated(offset), *row.badge, ratio);
    if (row.hasFolder) {
        const QRect button = folderButtonRect(index).translated(offset);
        if (hover == Hover::folder) {
            QPainterPath back;
            back.addRoundedRect(QRectF(button), 8, 8);
            p.fillPath(back, QColor(255, 255, 255, 150));
        }
        constexpr int symbolSize = 17;
        p.drawPixmap(button.left() + (buttonSize - symbolSize) / 2, button.top() + (buttonSize - symbolSize) / 2,
                     Icons::symbol(QStringLiteral("folder"), LauncherDesign::body, symbolSize, ratio));
    }
}

// The row drawn alone on a clear picture, as it is dimmed and dragged.
QImage WindowListView::picture(int index, Hover hover) const
{
    const qreal ratio = devicePixelRatioF();
    QImage image(QSize(viewport()->width() - trailingInset, rowHeight) * ratio,
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    paintRow(p, index, QRect(QPoint(), QSize(viewport()->width() - trailingInset, rowHeight)), hover);
    return image;
}

void WindowListView::paintEvent(QPaintEvent* event)
{
    QPainter p(viewport());
    const QRect area = event->rect();
    const int focused = focusedRow(); // drawn in full colour: it plays the pulse instead
    const int first = std::max(0, (area.top() + verticalScrollBar()->value()) / (rowHeight + rowSpacing));
    for (int i = first; i < m_rows.size(); ++i) {
        const QRect rect = rowRect(i);
        if (rect.top() > area.bottom())
            break;
        if (!rect.intersects(area))
            continue;
        const Hover hover = i == m_hoverRow ? m_hover : Hover::none;
        const int step = focused == i ? 0 : m_dimStep;
        if (step == 0) {
            p.save();
            paintRow(p, i, rect, hover);
            p.restore();
            continue;
        }
        // Dimmed: the row's picture moved towards its grey and faded, as any dimmed element of
        // the panel.
        Pictures& pictures = m_pictures[m_rows[i].window.id];
        if (pictures.colour.isNull() || pictures.hover != hover) {
            pictures = {hover, picture(i, hover), {}};
            pictures.gray = FocusDim::grayOf(pictures.colour);
        }
        QImage mixed;
        FocusDim::mix(mixed, pictures.colour, pictures.gray, step);
        p.setOpacity(FocusDim::opacityAt(step));
        p.drawImage(rect.topLeft(), mixed);
        p.setOpacity(1);
    }
}

// ----------------------------------------------------------------------------- focus and dimming

int WindowListView::focusedRow() const
{
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_focused && m_rows[i].window.id == *m_focused)
            return i;
    return -1;
}

void WindowListView::followFocus()
{
    const auto& highlight = m_state.focusHighlight();
    std::optional<QUuid> focused;
    if (highlight) {
        for (const Row& row : m_rows) {
            if (highlight->targets.contains(FocusTarget::window(row.window.id))) {
                focused = row.window.id;
                break;
            }
        }
    }
    m_focused = focused;
    placeAnchor();
    m_pulse->setToken(focused && highlight ? std::optional(highlight->token) : std::nullopt);
    scrollToFocused();
}

void WindowListView::followDimming()
{
    // Every row but the focused one is dimmed as the panel's other elements are.
    const bool dimmed = m_state.isFocusDimmed(FocusTarget::window(QUuid()));
    if (dimmed == m_dimmed)
        return;
    m_dimmed = dimmed;
    m_dimAnimation->stop();
    const double amount = double(m_dimStep) / FocusDim::steps;
    const double target = dimmed ? 1.0 : 0.0;
    if (FocusMotion::reduced()) {
        m_dimStep = qRound(target * FocusDim::steps);
        viewport()->update();
        return;
    }
    m_dimShownAt = 0;
    m_dimAnimation->setStartValue(amount);
    m_dimAnimation->setEndValue(target);
    m_dimAnimation->setDuration(dimmed ? FocusDim::dimMs : FocusDim::undimMs);
    m_dimAnimation->setEasingCurve(FocusDim::curve(dimmed));
    m_dimAnimation->start();
}

void WindowListView::placeAnchor()
{
    const int index = focusedRow();
    if (index < 0) {
        m_anchor->hide();
        return;
    }
    m_anchor->setGeometry(rowRect(index));
    m_anchor->show();
}

void WindowListView::scrollToFocused()
{
    const int index = focusedRow();
    if (index < 0)
        return;
    QScrollBar* bar = verticalScrollBar();
    const int top = index * (rowHeight + rowSpacing);
    const int height = viewport()->height();
    int target = bar->value();
    if (top < target)
        target = top;
    else if (top + rowHeight > target + height)
        target = top + rowHeight - height;
    if (target == bar->value())
        return;
    auto* animation = new QPropertyAnimation(bar, "value", this);
    animation->setDuration(300);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setEndValue(target);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

// ----------------------------------------------------------------------------- the pointer

void WindowListView::setHover(int index, Hover hover)
{
    if (index == m_hoverRow && hover == m_hover)
        return;
    if (m_hoverRow >= 0)
        viewport()->update(rowRect(m_hoverRow));
    m_hoverRow = index;
    m_hover = index < 0 ? Hover::none : hover;
    if (index >= 0)
        viewport()->update(rowRect(index));
}

bool WindowListView::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Leave:
        setHover(-1, Hover::none);
        break;
    case QEvent::ToolTip: {
        const QPoint at = static_cast<QHelpEvent*>(event)->pos();
        const int index = rowAt(at);
        QString tip;
        if (index >= 0) {
            if (folderButtonRect(index).contains(at))
                tip = UnassignedListView::folderTooltip;
            else if (badgeRect(index).contains(at))
                tip = AgentBadge::text(*m_rows[index].badge);
            else if (nameRect(index).contains(at) && shownName(index) != m_rows[index].name)
                tip = m_rows[index].name;
        }
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, viewport());
        return true;
    }
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void WindowListView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressedAt = event->position().toPoint();
    m_pressedRow = rowAt(*m_pressedAt);
}

void WindowListView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int index = rowAt(at);
    setHover(index, folderButtonRect(index).contains(at) ? Hover::folder : Hover::row);
    if (!m_pressedAt || m_pressedRow < 0 || !(event->buttons() & Qt::LeftButton) ||
        (at - *m_pressedAt).manhattanLength() < QApplication::startDragDistance())
        return;
    // The drag carries a copy of the window: a drop may list the windows again under it.
    const AppWindow window = m_rows[m_pressedRow].window;
    auto* drag = new QDrag(this);
    drag->setMimeData(UnassignedListView::dragData(window));
    drag->setPixmap(QPixmap::fromImage(picture(m_pressedRow, Hover::none)));
    m_pressedAt.reset();
    drag->exec(Qt::MoveAction | Qt::CopyAction);
}

void WindowListView::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const int index = rowAt(at);
    const bool clicked = m_pressedAt && event->button() == Qt::LeftButton && index >= 0 && index == m_pressedRow;
    m_pressedAt.reset();
    if (!clicked)
        return;
    const AppWindow window = m_rows[index].window;
    if (folderButtonRect(index).contains(at))
        m_owner.openFolder(window);
    else
        m_owner.jump(window);
}
