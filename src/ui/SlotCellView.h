#pragma once

#include "core/windows/SlotMatcher.h"

#include <QWidget>
#include <memory>

class AppState;
class PanelHost;
class QAbstractButton;
class QHBoxLayout;
class QLabel;
class QMenu;
class QMessageBox;
class QMimeData;
class LauncherIconButton;
class AgentBadge;

// One numbered slot of the grid: empty, or a project with its window, badges and actions. A click
// jumps to the project, the buttons open its folder, address or server, the settings, and the cell
// takes drops of unassigned windows ("window:<UUID>") and of other slots ("slot:<n>").
class SlotCellView final : public QWidget {
    Q_OBJECT

public:
    static inline const QString emptyText = QStringLiteral("空きスロット");
    static inline const QString noFolderText = QStringLiteral("フォルダ未登録");
    static inline const QString recentText = QStringLiteral("現在開発中");
    static inline const QString recentTooltip = QStringLiteral("直近3日以内に開発していました");
    static inline const QString missingText = QStringLiteral("フォルダが見つかりません");
    static inline const QString maximizeText = QStringLiteral("最大化");

    SlotCellView(int slot, AppState& state, PanelHost& host, QWidget* parent = nullptr);
    int slot() const { return m_slot; }

    // Reads the slot's status, badge and activity again.
    void refresh();

    // The mouse actions, callable without a mouse.
    void click();
    void maximize();
    // What dragging this cell carries ("slot:<n>"); nothing for an empty slot.
    QMimeData* dragData() const;
    // Handles dropped text as a drop on this cell would, at once.
    void drop(const QString& text);
    // The context menu of an assigned slot; none for an empty one.
    std::unique_ptr<QMenu> contextMenu();

    QList<LauncherIconButton*> actionButtons() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void openFolder();
    void openURL();
    void openServer();
    void openSettings();
    void showMissingAlert();
    void showBrowserError();

    int m_slot;
    AppState& m_state;
    PanelHost& m_host;
    std::optional<SlotStatus> m_status;
    std::optional<QPoint> m_pressedAt;
    bool m_dropTarget = false;

    QWidget* m_emptyContent;
    QWidget* m_assignedContent;
    QLabel* m_number;
    QLabel* m_kind;
    QLabel* m_name;
    QLabel* m_detail;
    QWidget* m_recent;
    QHBoxLayout* m_chips;
    AgentBadge* m_badge = nullptr;
    QWidget* m_missing;
    QAbstractButton* m_maximize;
    LauncherIconButton* m_folderButton;
    LauncherIconButton* m_urlButton;
    LauncherIconButton* m_serverButton;
    LauncherIconButton* m_settingsButton;
};
