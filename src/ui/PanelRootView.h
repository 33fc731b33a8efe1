#pragma once

#include "ui/PanelLayout.h"

#include <QPointer>
#include <QSizeF>
#include <QWidget>

class AppState;
class AppSettingsSheet;
class Bundle;
class GridView;
class PanelHeaderView;
class PanelHost;
class PermissionView;
class SheetHost;
class ShortcutBarView;
class SlotSettingsSheet;
class UnassignedListView;
class Workspace;
class QBoxLayout;

// The panel's content: the header, then the unassigned windows beside the slot grid and the shortcut
// bar, or, without accessibility access, the permission notice above the grid. Opens the settings
// sheets while the state says they are shown.
class PanelRootView final : public QWidget {
    Q_OBJECT

public:
    PanelRootView(AppState& state, PanelHost& host, const Bundle& bundle, Workspace& workspace,
                  QWidget* parent = nullptr);

    PanelHeaderView* header() const { return m_header; }
    GridView* grid() const { return m_grid; }
    UnassignedListView* unassignedList() const { return m_unassigned; }
    ShortcutBarView* shortcutBar() const { return m_shortcuts; }
    PermissionView* permissionView() const { return m_permission; }
    // Where the settings sheets and the panel's alerts are shown.
    SheetHost* sheetHost() const { return m_sheetHost; }
    // Shrinks the panel to a screen of this usable size (the design's measures where they fit).
    void fitScreen(const QSizeF& visible);

    // Signals the permission view's button; the platform decides what to open.

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void arrange();
    void followSheets();

    AppState& m_state;
    PanelHost& m_host;
    const Bundle& m_bundle;
    Workspace& m_workspace;
    PanelHeaderView* m_header = nullptr;
    QWidget* m_content = nullptr;
    GridView* m_grid = nullptr;
    UnassignedListView* m_unassigned = nullptr;
    ShortcutBarView* m_shortcuts = nullptr;
    PermissionView* m_permission = nullptr;
    SheetHost* m_sheetHost = nullptr;
    PanelLayout::Widths m_widths;
    PanelLayout::Widths m_arrangedWidths;
    QSizeF m_fittedScreen;
    QPointer<SlotSettingsSheet> m_slotSheet;
    QPointer<AppSettingsSheet> m_appSheet;
    bool m_arrangedTrusted = false;
    bool m_arrangedShortcuts = false;
    bool m_arranged = false;
};
