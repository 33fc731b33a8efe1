#include "ui/PanelRootView.h"

#include "core/state/AppState.h"
#include "ui/AppSettingsSheet.h"
#include "ui/FocusPulse.h"
#include "ui/GridView.h"
#include "ui/LauncherDesign.h"
#include "ui/PanelHeaderView.h"
#include "ui/PanelHost.h"
#include "ui/PanelLayout.h"
#include "ui/PermissionView.h"
#include "ui/SheetHost.h"
#include "ui/ShortcutBarView.h"
#include "ui/SlotSettingsSheet.h"
#include "ui/UnassignedListView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr double rowSpacing = 8;
constexpr double cardPadding = 12;
} // namespace

PanelRootView::PanelRootView(AppState& state, PanelHost& host, const Bundle& bundle, Workspace& workspace,
                             QWidget* parent)
    : QWidget(parent), m_state(state), m_host(host), m_bundle(bundle), m_workspace(workspace)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the canvas covers the window: nothing under it is drawn
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(int(PanelLayout::panelPadding), int(PanelLayout::panelPadding),
                               int(PanelLayout::panelPadding), int(PanelLayout::panelPadding));
    column->setSpacing(16);
    // The design's width, whatever the texts inside: they elide in their cells and rows.
    setFixedWidth(int(m_widths.panel));
    m_header = new PanelHeaderView(state, host, bundle, workspace, this);
    m_header->setFixedWidth(int(m_widths.panel - 2 * PanelLayout::panelPadding));
    column->addWidget(m_header);
    arrange();
    m_sheetHost = new SheetHost(this);

    connect(&state, &AppState::changed, this, [this](AppState::Field field) {
        switch (field) {
        case AppState::Field::claudeUsage:
        case AppState::Field::lastTileCount:
            m_header->update();
            break;
        case AppState::Field::axTrusted:
        case AppState::Field::shortcuts:
            arrange();
            break;
        case AppState::Field::settingsSlot:
        case AppState::Field::appSettingsShown:
            QTimer::singleShot(0, this, [this] { followSheets(); });
            break;
        case AppState::Field::panelTheme:
            QWidget::update();
            break;
        default:
            break;
        }
    });
}

void PanelRootView::arrange()
{
    const bool trusted = m_state.axTrusted();
    const bool hasShortcuts = !m_state.folderShortcuts().isEmpty() || !m_state.urlShortcuts().isEmpty() ||
                              !m_state.appShortcuts().isEmpty();
    if (m_arranged && trusted == m_arrangedTrusted && hasShortcuts == m_arrangedShortcuts &&
        m_widths == m_arrangedWidths)
        return;
    m_arrangedWidths = m_widths;
    m_arranged = true;
    m_arrangedTrusted = trusted;
    m_arrangedShortcuts = hasShortcuts;
    delete m_content;
    m_grid = nullptr;
    m_unassigned = nullptr;
    m_shortcuts = nullptr;
    m_permission = nullptr;

    m_content = new QWidget(this);
    m_grid = new GridView(m_state, m_host, m_content, 3, m_widths.cellHeight);
    if (trusted) {
        auto* gridColumn = new QVBoxLayout;
        gridColumn->setContentsMargins(0, 0, 0, 0);
        gridColumn->setSpacing(int(rowSpacing));
        auto* row = new QHBoxLayout(m_content);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(int(PanelLayout::columnSpacing));
        m_unassigned = new UnassignedListView(m_state, m_host, m_content);
        m_unassigned->setFixedWidth(int(m_widths.unassigned));
        m_grid->setFixedWidth(int(m_widths.grid));
        row->addWidget(m_unassigned);
        gridColumn->addWidget(m_grid);
        if (hasShortcuts) {
            m_shortcuts =
                new ShortcutBarView(m_state, m_host, m_widths.grid, rowSpacing, cardPadding, m_content);
            gridColumn->addWidget(m_shortcuts);
        }
        gridColumn->addStretch();
        row->addLayout(gridColumn);
    } else {
        auto* column = new QVBoxLayout(m_content);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(16);
        m_permission = new PermissionView(m_content);
        // The answer is read again when the panel is next opened.
        connect(m_permission, &PermissionView::openSettingsRequested, this, [this] {
            m_workspace.openURL(QStringLiteral(
                "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"));
        });
        column->addWidget(m_permission);
        m_grid->setFixedWidth(int(m_widths.panel - 2 * PanelLayout::panelPadding));
        column->addWidget(m_grid);
        if (hasShortcuts) {
            m_shortcuts = new ShortcutBarView(m_state, m_host, m_widths.panel - 2 * PanelLayout::panelPadding,
                                              rowSpacing, cardPadding, m_content);
            column->addWidget(m_shortcuts);
        }
    }
    layout()->addWidget(m_content);
}

void PanelRootView::fitScreen(const QSizeF& visible)
{
    // Measured once per screen size: showing again on the same screen rebuilds nothing.
    if (visible == m_fittedScreen)
        return;
    m_fittedScreen = visible;
    m_widths = PanelLayout::widths(visible.width());
    setFixedWidth(int(m_widths.panel));
    m_header->setFixedWidth(int(m_widths.panel - 2 * PanelLayout::panelPadding));
    arrange();
    const double excess = sizeHint().height() - (visible.height() - 2 * PanelLayout::screenMargin);
    if (excess > 0) {
        m_widths.cellHeight =
            std::max(PanelLayout::minCellHeight, PanelLayout::cellHeight - std::ceil(excess / 3));
        arrange();
    }
}

void PanelRootView::followSheets()
{
    if (const auto slot = m_state.settingsSlot(); slot && !m_slotSheet) {
        m_slotSheet = new SlotSettingsSheet(m_state, *slot, m_bundle, m_workspace, window());
        m_slotSheet->setAttribute(Qt::WA_DeleteOnClose);
        m_sheetHost->present(m_slotSheet);
    } else if (!slot && m_slotSheet) {
        m_slotSheet->close();
    }
    if (m_state.appSettingsShown() && !m_appSheet) {
        m_appSheet = new AppSettingsSheet(m_state, m_bundle, m_workspace, window());
        m_appSheet->setAttribute(Qt::WA_DeleteOnClose);
        m_sheetHost->present(m_appSheet);
    } else if (!m_state.appSettingsShown() && m_appSheet) {
        m_appSheet->close();
    }
}

void PanelRootView::paintEvent(QPaintEvent*)
{
    // The canvas with the theme's wash over it, mixed once: one opaque fill.
    QColor colour = LauncherDesign::canvas;
    if (const auto tint = ThemeColors::of(m_state.panelTheme()).tint) {
        constexpr double wash = 0.05;
        colour = QColor::fromRgbF(static_cast<float>(colour.redF() * (1 - wash) + tint->redF() * wash),
                                  static_cast<float>(colour.greenF() * (1 - wash) + tint->greenF() * wash),
                                  static_cast<float>(colour.blueF() * (1 - wash) + tint->blueF() * wash));
    }
    QPainter(this).fillRect(rect(), colour);
}
