#pragma once

#include "core/agents/AgentStatus.h"
#include "core/windows/AppWindow.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <QUuid>
#include <optional>

class AppState;
class FocusPulse;
class QVariantAnimation;
class UnassignedListView;

// The rows of the unassigned-window list: one view that paints the rows in sight from the state's
// list. Dimmed as a whole while the panel shows where the user came from, except the row that
// stands for that window, which plays the pulse instead.
class WindowListView final : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int rowHeight = 40;
    static constexpr int rowSpacing = 6;
    static constexpr int trailingInset = 4;

    struct Row {
        AppWindow window;
        QString name;
        std::optional<AgentState> badge;
        bool hasFolder = false;
    };

    WindowListView(AppState& state, UnassignedListView& owner, QWidget* parent);

    // Takes the state's list again: rows, badges, folders and the focused row.
    void refresh();
    const QList<Row>& rows() const { return m_rows; }

    // Where a row and its parts are, in the viewport's coordinates.
    QRect rowRect(int index) const;
    QRect badgeRect(int index) const;
    QRect folderButtonRect(int index) const;
    QRect nameRect(int index) const;
    // The row under a point of the viewport, or -1.
    int rowAt(QPoint point) const;
    // The row's name as drawn: cut short with "…" where it does not fit.
    QString shownName(int index) const;

    FocusPulse* pulse() const { return m_pulse; }
    QVariantAnimation* dimAnimation() const { return m_dimAnimation; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    enum class Hover { none, row, folder };
    void paintRow(QPainter& painter, int index, const QRect& rect, Hover hover) const;
    QImage picture(int index, Hover hover) const;
    void setHover(int index, Hover hover);
    void updateRange();
    void followFocus();
    void followDimming();
    void placeAnchor();
    void scrollToFocused();
    int focusedRow() const;

    AppState& m_state;
    UnassignedListView& m_owner;
    QList<Row> m_rows;
    int m_hoverRow = -1;
    Hover m_hover = Hover::none;
    std::optional<QPoint> m_pressedAt;
    int m_pressedRow = -1;

    // The dimming of the rows: its amount in tenths as last drawn, and for each dimmed row its
    // picture in colour and in grey, made once per look of the row.
    QVariantAnimation* m_dimAnimation;
    bool m_dimmed = false;
    int m_dimStep = 0;
    int m_dimShownAt = 0;
    struct Pictures {
        Hover hover;
        QImage colour;
        QImage gray;
    };
    mutable QHash<QUuid, Pictures> m_pictures;

    // The focused row's place, which the pulse follows.
    QWidget* m_anchor;
    FocusPulse* m_pulse;
    std::optional<QUuid> m_focused;
};
