#pragma once

#include <QSize>
#include <QWidget>
#include <optional>

class AppState;
class PanelHost;
class SlotCellView;

// The nine slots in a grid, with the outline of the cells that tiling arranges for the current
// tile count. Cells watch the state themselves; the grid redraws the outline when the count changes.
class GridView final : public QWidget {
    Q_OBJECT

public:
    GridView(AppState& state, PanelHost& host, QWidget* parent = nullptr, int columnCount = 3,
             double cellHeight = 136, double spacing = 12, double groupInset = 8);

    SlotCellView* cell(int slot) const;
    // Rows × columns (as height × width) outlined for a tile count; nothing for counts tiling lacks.
    static std::optional<QSize> tileBlock(int tileCount);

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    friend class TileOutline;

    AppState& m_state;
    int m_columnCount;
    double m_cellHeight;
    double m_spacing;
    double m_groupInset;
    QList<SlotCellView*> m_cells;
    QWidget* m_outline;
};
