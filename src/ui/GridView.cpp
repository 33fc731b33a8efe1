#include "ui/GridView.h"

#include "core/layout/Layout.h"
#include "core/state/AppState.h"
#include "ui/FocusPulse.h"
#include "ui/LauncherDesign.h"
#include "ui/NinePatch.h"
#include "ui/SlotCellView.h"

#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>

constexpr double lineWidth = 2;

// Drawn over the cells; takes no mouse input.
class TileOutline final : public QWidget {
public:
    explicit TileOutline(GridView& grid) : QWidget(&grid), m_grid(grid)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const auto block = GridView::tileBlock(m_grid.m_state.lastTileCount());
        if (!block)
            return;
        const double inset = m_grid.m_groupInset, spacing = m_grid.m_spacing;
        const int columns = m_grid.m_columnCount;
        const double gridWidth = width() - 2 * inset;
        const double cellWidth = (gridWidth - spacing * (columns - 1)) / columns;
        const double blockWidth = cellWidth * block->width() + spacing * (block->width() - 1);
        const double blockHeight = m_grid.m_cellHeight * block->height() + spacing * (block->height() - 1);
        // The outline reaches `inset` past the block on every side; the stroke lies inside it.
        const QRect outline(0, 0, qRound(blockWidth + 2 * inset), qRound(blockHeight + 2 * inset));
        const double radius = inset + 12;
        const int end = qCeil(radius) + 2;
        QPainter p(this);
        NinePatch::draw(
            p, outline, QMargins(end, end, end, end), QStringLiteral("tile-outline|%1").arg(radius),
            [radius](QPainter& shape, const QRectF& r) {
                shape.setRenderHint(QPainter::Antialiasing);
                QColor colour = LauncherDesign::primaryDeep;
                colour.setAlphaF(0.72f);
                shape.setPen(QPen(colour, lineWidth));
                shape.setBrush(Qt::NoBrush);
                const double half = lineWidth / 2;
                shape.drawRoundedRect(r.adjusted(half, half, -half, -half), radius - half, radius - half);
            });
    }

private:
    GridView& m_grid;
};

GridView::GridView(AppState& state, PanelHost& host, QWidget* parent, int columnCount, double cellHeight,
                   double spacing, double groupInset)
    : QWidget(parent), m_state(state), m_columnCount(columnCount), m_cellHeight(cellHeight),
      m_spacing(spacing), m_groupInset(groupInset)
{
    auto* grid = new QGridLayout(this);
    const int inset = int(groupInset);
    grid->setContentsMargins(inset, inset, inset, inset);
    grid->setSpacing(int(spacing));
    for (int slot = Layout::firstSlot; slot <= Layout::lastSlot; ++slot) {
        auto* cell = new SlotCellView(slot, state, host, this);
        cell->setFixedHeight(int(cellHeight));
        FocusFollower::attach(cell, state, FocusTarget::slot(slot), FocusFollower::slotCell);
        const int index = slot - Layout::firstSlot;
        grid->addWidget(cell, index / columnCount, index % columnCount);
        m_cells.append(cell);
    }
    for (int column = 0; column < columnCount; ++column)
        grid->setColumnStretch(column, 1);
    m_outline = new TileOutline(*this);
    m_outline->raise();

    connect(&m_state, &AppState::changed, this, [this](AppState::Field field) {
        if (field == AppState::Field::lastTileCount)
            m_outline->update();
    });
}

SlotCellView* GridView::cell(int slot) const
{
    return Layout::isSlot(slot) ? m_cells.at(slot - Layout::firstSlot) : nullptr;
}

std::optional<QSize> GridView::tileBlock(int tileCount)
{
    switch (tileCount) {
    case 2:
        return QSize(2, 1);
    case 3:
        return QSize(3, 1);
    case 4:
        return QSize(2, 2);
    case 6:
        return QSize(3, 2);
    default:
        return std::nullopt;
    }
}

void GridView::resizeEvent(QResizeEvent*)
{
    m_outline->setGeometry(rect());
    m_outline->raise();
}
