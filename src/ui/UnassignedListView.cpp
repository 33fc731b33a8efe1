#include "ui/UnassignedListView.h"

#include "core/layout/DragPayload.h"
#include "core/layout/URLUtil.h"
#include "core/state/AppState.h"
#include "core/text/Paths.h"
#include "ui/Icons.h"
#include "ui/LauncherDesign.h"
#include "ui/NinePatch.h"
#include "ui/PanelHost.h"
#include "ui/WindowListView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QVBoxLayout>

using LauncherDesign::TextStyle;

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
    paint(p, rect(), m_state, devicePixelRatioF());
}

void AgentBadge::paint(QPainter& p, const QRect& bounds, AgentState state, qreal ratio)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF circle(bounds.left() + 6, bounds.top(), 18, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(colour(state));
    p.drawEllipse(circle);
    constexpr int symbolSize = 11; // the size-9 bold symbol's drawn extent
    p.drawPixmap(QPointF(circle.center().x() - symbolSize / 2.0, circle.center().y() - symbolSize / 2.0),
                 Icons::symbol(symbolName(state), Qt::white, symbolSize, ratio));
    p.restore();
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
    header->addWidget(LauncherDesign::symbolLabel(QStringLiteral("rectangle.stack"), LauncherDesign::body, 16, this));
    // Where the column is narrow the title elides.
    QLabel* heading = LauncherDesign::elidingLabel(Qt::ElideRight, this);
    heading->setText(title);
    heading->setFont(LauncherDesign::font(TextStyle::label));
    QPalette ink = heading->palette();
    ink.setColor(QPalette::WindowText, LauncherDesign::ink);
    heading->setPalette(ink);
    header->addWidget(heading);
    m_count = LauncherDesign::tabularLabel(QString(), LauncherDesign::font(TextStyle::micro),
                                           LauncherDesign::primaryDeep, this);
    m_count->setFixedHeight(20);
    m_count->setMinimumWidth(20);
    m_count->setAlignment(Qt::AlignCenter);
    m_count->setContentsMargins(7, 0, 7, 0);
    m_count->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border-radius: 10px; }")
                               .arg(LauncherDesign::primaryTint.name(), LauncherDesign::primaryDeep.name()));
    header->addWidget(m_count);
    header->addStretch();
    column->addLayout(header);

    // While Terminal windows are gathered, a line of its own under the title: a small indicator in
    // the design's colours and the note, whole at the column's width.
    auto* loading = new QHBoxLayout;
    loading->setSpacing(6);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_progress->setFixedSize(22, 6);
    m_progress->setStyleSheet(
        QStringLiteral("QProgressBar { background: %1; border: none; border-radius: 3px; }"
                       "QProgressBar::chunk { background: %2; border-radius: 3px; }")
            .arg(LauncherDesign::primaryTint.name(), LauncherDesign::primary.name()));
    m_progress->setToolTip(loadingText);
    loading->addWidget(m_progress);
    m_loading = LauncherDesign::elidingLabel(Qt::ElideRight, this);
    m_loading->setText(loadingText);
    m_loading->setFont(LauncherDesign::font(TextStyle::micro));
    QPalette muted = m_loading->palette();
    muted.setColor(QPalette::WindowText, LauncherDesign::muted);
    m_loading->setPalette(muted);
    m_loading->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    loading->addWidget(m_loading, 1);
    column->addLayout(loading);

    m_empty = LauncherDesign::label(emptyText, LauncherDesign::font(TextStyle::caption), LauncherDesign::muted, this);
    m_empty->setWordWrap(true);
    column->addWidget(m_empty);
    m_list = new WindowListView(state, *this, this);
    column->addWidget(m_list, 1);
    column->addStretch();

    connect(&m_state, &AppState::changed, this, [this](AppState::Field field) {
        if (field == AppState::Field::unassigned || field == AppState::Field::unassignedBadges ||
            field == AppState::Field::terminalLoading)
            refresh();
    });
    refresh();
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

void UnassignedListView::refresh()
{
    const QList<AppWindow>& windows = m_state.unassigned();
    m_count->setText(QString::number(windows.size()));
    m_progress->setVisible(m_state.terminalLoading());
    m_loading->setVisible(m_state.terminalLoading());
    m_empty->setVisible(windows.isEmpty());
    m_list->setVisible(!windows.isEmpty());
    m_list->refresh();
}

void UnassignedListView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    NinePatch::draw(p, rect(), QMargins(14, 14, 14, 16), QStringLiteral("list-card"),
                    [](QPainter& shape, const QRectF& r) {
                        LauncherDesign::paintCard(shape, r.adjusted(0.5, 0.5, -0.5, -2.5), 2);
                    });
}
