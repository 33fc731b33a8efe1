#include "core/state/WindowPlacing.h"

#include "core/control/SafariDiscovery.h"
#include "core/control/TerminalDiscovery.h"
#include "core/control/WindowTiler.h"
#include "core/state/AppState.h"

#include <QPointer>

std::optional<Screens::Screen> WindowPlacing::screenUnderPointer()
{
    const QList<Screens::Screen> screens = m_state.m_screens.screens();
    if (screens.isEmpty())
        return std::nullopt;
    const QPointF pointer = m_state.m_screens.pointerLocation();
    for (const Screens::Screen& s : screens) {
        if (WindowTiler::containsPointer(s.frame, pointer))
            return s;
    }
    return m_state.m_screens.mainScreen();
}

std::optional<QRectF> WindowPlacing::targetFrameForMouseScreen()
{
    const auto screen = screenUnderPointer();
    if (!screen)
        return std::nullopt;
    return WindowTiler::topLeftOriginFrame(screen->visibleFrame,
                                           m_state.m_screens.screens().first().frame.bottom());
}

bool WindowPlacing::tileWindows(int count)
{
    const auto screen = screenUnderPointer();
    if (!screen)
        return false;
    count = AppState::allowedTileCount(count);
    QSet<int> occupied;
    for (const SlotStatus& s : m_state.m_statuses) {
        if (s.window)
            occupied.insert(s.slot);
    }
    const double primaryMaxY = m_state.m_screens.screens().first().frame.bottom();
    QList<Placement> placements;
    for (const WindowTiler::Region& region :
         WindowTiler::occupiedRegions(count, screen->visibleFrame, occupied)) {
        const auto s = m_state.status(region.slot);
        if (s && s->window)
            placements.append({*s->window, WindowTiler::topLeftOriginFrame(region.frame, primaryMaxY)});
    }
    if (placements.isEmpty())
        return false;
    m_state.m_store.setLastTileCount(count);
    m_state.publish(m_state.m_lastTileCount, count, AppState::Field::lastTileCount);
    applyInBackground(std::move(placements));
    return true;
}

void WindowPlacing::setTileCount(int count)
{
    count = AppState::allowedTileCount(count);
    m_state.publish(m_state.m_lastTileCount, count, AppState::Field::lastTileCount);
    m_state.m_store.setLastTileCount(count);
}

bool WindowPlacing::maximizeSlot(int slot)
{
    const auto s = m_state.status(slot);
    if (!s)
        return false;
    const auto target = targetFrameForMouseScreen();
    if (!target)
        return false;
    m_state.m_badges.acknowledge(slot);
    if (s->window) {
        applyInBackground({{*s->window, *target}});
        return true;
    }
    if (s->folderMissing)
        return false;
    m_state.m_opening.launchSlot(slot);
    m_state.m_scheduling.after(AppState::maximizeRefreshMs, &m_state, [this, slot, target] {
        m_state.refresh();
        m_state.m_scheduling.after(AppState::maximizePlacementMs, &m_state, [this, slot, target] {
            const auto launched = m_state.status(slot);
            if (launched && launched->window)
                applyInBackground({{*launched->window, *target}});
        });
    });
    return true;
}

void WindowPlacing::applyInBackground(QList<Placement> placements)
{
    const int generation = ++*m_generation;
    QPointer<AppState> self(&m_state);
    auto currentGeneration = m_generation;
    auto alive = m_state.m_alive;
    DesktopServices& desktop = m_state.m_desktop;
    const WindowDiscovery discovery = m_state.m_discovery;
    // The placement queue runs one task at a time in request order, so a task starts only after its
    // predecessor has finished; one that has been superseded meanwhile does nothing.
    m_state.m_scheduling.placement([=, &desktop] {
        if (!*alive || *currentGeneration != generation)
            return;
        QList<AppWindow> moved;
        for (const Placement& p : placements) {
            bool ok = false;
            switch (p.window.kind) {
            case WindowKind::vscode:
                ok = discovery.move(p.window, p.topLeftFrame);
                break;
            case WindowKind::terminal:
                ok = p.window.terminalWindowID &&
                     TerminalDiscovery::setBounds(desktop, *p.window.terminalWindowID, p.topLeftFrame);
                break;
            case WindowKind::safari:
                ok = p.window.safariWindowID &&
                     SafariDiscovery::setBounds(desktop, *p.window.safariWindowID, p.topLeftFrame);
                break;
            }
            if (ok)
                moved.append(p.window);
        }
        // A panel opened again meanwhile keeps the keyboard: the windows only come to the front.
        onMainThread([self, moved] {
            if (!self)
                return;
            for (const AppWindow& window : moved)
                self->m_opening.raiseWindow(window, !self->m_panelShown);
        });
    });
}
