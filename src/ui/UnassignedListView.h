#pragma once

#include "core/agents/AgentStatus.h"
#include "core/windows/AppWindow.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

class AppState;
class PanelHost;
class QLabel;
class QMimeData;
class QProgressBar;
class QPainter;

// The small round agent badge of a slot or a window: a white symbol on a circle in the state's
// colour, "エージェント: <label>" as tooltip and accessible name.
class AgentBadge final : public QWidget {
    Q_OBJECT

public:
    AgentBadge(AgentState state, QWidget* parent);
    AgentState state() const { return m_state; }
    static QString symbolName(AgentState state);
    static QColor colour(AgentState state);
    static QString text(AgentState state);
    // The badge drawn into `bounds` (30 × 18).
    static void paint(QPainter& painter, const QRect& bounds, AgentState state, qreal ratio);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    AgentState m_state;
};

// A 32 × 32 button with a system symbol and a tooltip, as in the panel's icon-button style; drawn
// at `emphasis` opacity and at 0.65 of it while pressed.
class LauncherIconButton final : public QAbstractButton {
    Q_OBJECT

public:
    LauncherIconButton(const QString& symbol, const QString& tooltip, const QColor& colour, QWidget* parent);
    QString symbolName() const { return m_symbol; }
    void setEmphasis(double opacity);
    QSize sizeHint() const override { return {32, 32}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override { update(); }
    void leaveEvent(QEvent*) override { update(); }

private:
    QString m_symbol;
    QColor m_colour;
    double m_emphasis = 1.0;
};

class WindowListView;

// The left column of the panel: the open windows no slot claims. A click jumps to the window and
// hides the panel; a row dragged onto a slot cell assigns the window to it. The rows are one view
// that paints the visible ones from the state's list, so a long list costs what is on screen.
class UnassignedListView final : public QWidget {
    Q_OBJECT

public:
    static inline const QString title = QStringLiteral("未配置のウィンドウ");
    static inline const QString loadingText = QStringLiteral("ターミナルを読み込み中…");
    static inline const QString emptyText = QStringLiteral("すべてのウィンドウが配置されています");
    static inline const QString folderTooltip = QStringLiteral("Finderでフォルダを開く");

    UnassignedListView(AppState& state, PanelHost& host, QWidget* parent = nullptr);

    // The row's main text: the project, the Terminal folder's name or the page's domain, else the title.
    static QString displayName(const AppWindow& window);
    // What a row carries when dragged: "window:<UUID>".
    static QMimeData* dragData(const AppWindow& window);

    // Row actions, also used by the rows' mouse handling.
    void jump(const AppWindow& window);
    void openFolder(const AppWindow& window);

    WindowListView* rows() const { return m_list; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void refresh();

    AppState& m_state;
    PanelHost& m_host;
    QLabel* m_count;
    QProgressBar* m_progress;
    QLabel* m_loading;
    QLabel* m_empty;
    WindowListView* m_list;
};
