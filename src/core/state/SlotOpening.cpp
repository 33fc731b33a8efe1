#include "core/state/SlotOpening.h"

#include "core/control/Launcher.h"
#include "core/control/SafariDiscovery.h"
#include "core/control/TerminalDiscovery.h"
#include "core/control/WindowTiler.h"
#include "core/state/AppState.h"

void SlotOpening::raiseWindow(const AppWindow& window, bool takeKeyboard)
{
    switch (window.kind) {
    case WindowKind::vscode:
        m_state.m_discovery.raise(window, takeKeyboard);
        break;
    case WindowKind::terminal:
        if (window.terminalWindowID)
            TerminalDiscovery::raise(m_state.m_desktop, *window.terminalWindowID, takeKeyboard);
        break;
    case WindowKind::safari:
        if (window.safariWindowID && takeKeyboard)
            SafariDiscovery::raise(m_state.m_desktop, *window.safariWindowID);
        break;
    }
    focusPointer(window);
}

void SlotOpening::launchSlot(int slot)
{
    const auto s = m_state.status(slot);
    if (!s)
        return;
    const SlotEntry& entry = s->entry;
    switch (entry.windowKind()) {
    case WindowKind::terminal:
        Launcher::openInTerminal(m_state.m_desktop.processes, entry.path);
        break;
    case WindowKind::safari:
        Launcher::openInSafari(m_state.m_desktop.processes, entry.url.value_or(QString()));
        break;
    case WindowKind::vscode:
        Launcher::openInVSCode(m_state.m_desktop.processes, entry.path);
        break;
    }
}

void SlotOpening::focusPointer(const AppWindow& window)
{
    const QList<Screens::Screen> screens = m_state.m_screens.screens();
    if (screens.isEmpty())
        return;
    const double primaryHeight = screens.first().frame.bottom();
    const auto frame = currentFrame(window);
    if (!frame)
        return;
    QList<QRectF> frames;
    for (const Screens::Screen& s : screens)
        frames.append(s.frame);
    const QPointF pointer = m_state.m_screens.pointerLocation();
    const QPointF center = WindowTiler::appKitPoint(frame->center(), primaryHeight);
    const auto action = WindowTiler::pointerFocusAction(center, pointer, frames);
    if (action.kind == WindowTiler::PointerFocusAction::Kind::warp) {
        m_state.m_screens.warpPointer(frame->center());
        m_state.m_focusEffect.play(action.to);
    } else if (action.kind == WindowTiler::PointerFocusAction::Kind::effectInPlace) {
        m_state.m_focusEffect.play(pointer);
    }
}

std::optional<QRectF> SlotOpening::currentFrame(const AppWindow& window)
{
    switch (window.kind) {
    case WindowKind::vscode:
        return m_state.m_discovery.frame(window);
    case WindowKind::terminal:
        return window.terminalWindowID
                   ? TerminalDiscovery::currentBounds(m_state.m_desktop, *window.terminalWindowID)
                   : std::nullopt;
    case WindowKind::safari:
        return window.safariWindowID
                   ? SafariDiscovery::currentBounds(m_state.m_desktop, *window.safariWindowID)
                   : std::nullopt;
    }
    return std::nullopt;
}

bool SlotOpening::openFinder(int slot)
{
    const auto s = m_state.status(slot);
    if (!s || s->folderMissing)
        return false;
    return FinderController::raiseOrOpen(m_state.m_desktop.workspace, s->entry.path);
}

void SlotOpening::openURL(int slot)
{
    const auto s = m_state.status(slot);
    if (s && s->entry.url)
        Launcher::openInSafari(m_state.m_desktop.processes, *s->entry.url);
}

bool SlotOpening::openServer(int slot)
{
    const auto s = m_state.status(slot);
    if (!s || !s->entry.server)
        return false;
    return Launcher::openInBrowser(m_state.m_desktop.processes,
                                   Launcher::buildServerURL(s->entry.server->address),
                                   s->entry.server->browser);
}

bool SlotOpening::openFolder(const AppWindow& window)
{
    const auto folder = m_state.folderPath(window);
    if (!folder || folder->isEmpty())
        return false;
    return FinderController::raiseOrOpen(m_state.m_desktop.workspace, *folder);
}

bool SlotOpening::openFolderShortcut(const ShortcutEntry& shortcut)
{
    return FinderController::raiseOrOpen(m_state.m_desktop.workspace, shortcut.target);
}

bool SlotOpening::openURLShortcut(const ShortcutEntry& shortcut)
{
    return Launcher::openInSafari(m_state.m_desktop.processes, shortcut.target);
}

bool SlotOpening::openAppShortcut(const ShortcutEntry& shortcut)
{
    return Launcher::openApplication(m_state.m_desktop.workspace, shortcut.target);
}
