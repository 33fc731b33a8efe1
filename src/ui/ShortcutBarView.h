#pragma once

#include "core/layout/Layout.h"

#include <QAbstractButton>
#include <QWidget>
#include <functional>

class AppState;
class PanelHost;
class QHBoxLayout;
class QVBoxLayout;

// One shortcut: its icon and, when there is room, its name on one line cut at the tail; the target
// as the tooltip.
class ShortcutButton final : public QAbstractButton {
    Q_OBJECT

public:
    // The icon and the name together are at most this wide.
    static constexpr double maxContentWidth = 170;

    ShortcutButton(const ShortcutEntry& entry, const QPixmap& icon, bool showsLabel, QWidget* parent,
                   double maxWidth = 1e9);
    const ShortcutEntry& entry() const { return m_entry; }
    bool showsLabel() const { return m_showsLabel; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    ShortcutEntry m_entry;
    QPixmap m_icon;
    bool m_showsLabel;
};

// The card of one-click shortcuts below the slot grid: folders and applications on a first row,
// web addresses on a second. Application buttons drop their names when the folder and application
// buttons would not fit the card with theirs. A shortcut that opened hides the panel; one that
// failed leaves it open.
class ShortcutBarView final : public QWidget {
    Q_OBJECT

public:
    ShortcutBarView(AppState& state, PanelHost& host, double containerWidth, double rowSpacing,
                    double cardPadding, QWidget* parent = nullptr);

    // The width of a name in the 14-point label font, as the fitting rules count it.
    static double labelWidth(const QString& name);
    // For tests: measures names another way.
    void setLabelMeasure(std::function<double(const QString&)> measure);

    bool showsAppLabels() const;
    QList<ShortcutButton*> buttons() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void rebuild();
    using Action = std::function<bool(const ShortcutEntry&)>;
    // One row: labelled buttons for `labeled` (of `entries`, in order), capped so that the whole row
    // fits the card, and icon-only buttons for the rest.
    struct RowPart {
        const QList<ShortcutEntry>& entries;
        QString symbol;
        bool labeled;
        Action action;
    };
    QHBoxLayout* row(const QList<RowPart>& parts);

    AppState& m_state;
    PanelHost& m_host;
    double m_containerWidth;
    double m_rowSpacing;
    double m_cardPadding;
    std::function<double(const QString&)> m_measure = &ShortcutBarView::labelWidth;
    QVBoxLayout* m_column;
    QWidget* m_body = nullptr;
};
