#include "core/state/AppState.h"

#include "core/control/Launcher.h"
#include "core/control/SafariDiscovery.h"
#include "core/control/TerminalDiscovery.h"
#include "core/control/WindowTiler.h"
#include "core/layout/URLUtil.h"
#include "core/layout/UnassignedFolder.h"
#include "core/shell/AppSupportDirectory.h"
#include "core/text/BoundedFile.h"
#include "core/text/Paths.h"
#include "core/usage/ClaudeCLI.h"
#include "core/windows/WorkspaceHistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

namespace {

// Runs `action` on the main thread, where `self` is checked before anything is touched.
template <typename F> void onMainThread(F action)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(action), Qt::QueuedConnection);
}

std::optional<ClaudeUsage> readUsage(const QString& file)
{
    return ClaudeUsageReader::load(file);
}

QByteArray readEditorStorage(const QString& path)
{
    return BoundedFile::read(path, BoundedFile::editorStorageLimit).value_or(QByteArray());
}

// A badge key: a slot, or a window of the unassigned list.
struct BadgeTarget {
    bool isSlot = true;
    int slot = 0;
    QUuid window;
    bool operator==(const BadgeTarget&) const = default;
};
size_t qHash(const BadgeTarget& t, size_t seed = 0)
{
    return t.isSlot ? qHashMulti(seed, 0, t.slot) : qHashMulti(seed, 1, t.window);
}

} // namespace

AppStateEnvironment AppStateEnvironment::system()
{
    return {WorkspaceHistory::defaultStorageURL(),
            ClaudeUsageReader::defaultFile(),
            QDir::homePath(),
            ClaudeCLI::workingDirectory(),
            AgentStatusStore(),
            [](const QString& path) { return QFileInfo::exists(path); },
            [](const QString& path) {
                const QFileInfo info(path);
                return info.isFile() && info.isExecutable();
            }};
}

AppState::AppState(LayoutStore& store, DesktopServices& desktop, Screens& screens, FocusEffect& focusEffect,
                   Scheduling& scheduling, AppStateEnvironment environment, QObject* parent)
    : QObject(parent), m_store(store), m_desktop(desktop), m_screens(screens), m_focusEffect(focusEffect),
      m_scheduling(scheduling), m_env(std::move(environment)),
      m_discovery(desktop.accessibility, desktop.sleeper)
{
    const Layout& layout = store.layout();
    m_panelTheme = PanelThemes::from(layout.panelTheme);
    m_lastTileCount = allowedTileCount(layout.lastTileCount.value_or(4));
    m_folderShortcuts =
        layout.folderShortcuts.value_or(QList<ShortcutEntry>{}).mid(0, ShortcutLimits::folder);
    m_urlShortcuts = layout.urlShortcuts.value_or(QList<ShortcutEntry>{}).mid(0, ShortcutLimits::url);
    m_appShortcuts = layout.appShortcuts.value_or(QList<ShortcutEntry>{}).mid(0, ShortcutLimits::app);
}

AppState::~AppState()
{
    *m_alive = false;
    if (m_usageTimer)
        m_scheduling.cancel(*m_usageTimer);
}

int AppState::allowedTileCount(qint64 count)
{
    return count == 2 || count == 3 || count == 4 || count == 6 ? int(count) : 4;
}

template <typename T> void AppState::publish(T& field, T value, Field which)
{
    field = std::move(value);
    Q_EMIT changed(which);
}

void AppState::setSettingsSlot(std::optional<int> slot)
{
    publish(m_settingsSlot, slot, Field::settingsSlot);
}

void AppState::setAppSettingsShown(bool shown)
{
    publish(m_appSettingsShown, shown, Field::appSettingsShown);
}

// ----------------------------------------------------------------------------- refresh cycle

void AppState::refresh()
{
    refreshClaudeUsage();
    publish(m_axTrusted, m_desktop.accessibility.isProcessTrusted(false), Field::axTrusted);
    if (!m_axTrusted) {
        m_cachedExtraWindows.clear();
        match({});
        return;
    }
    const QList<AppWindow> editorWindows = m_discovery.listWindows();
    match(editorWindows + m_cachedExtraWindows);

    const int generation = ++m_refreshGeneration;
    publish(m_terminalLoading, true, Field::terminalLoading);
    QPointer<AppState> self(this);
    DesktopServices& desktop = m_desktop;
    m_scheduling.background([self, &desktop, generation, editorWindows] {
        QList<AppWindow> extra =
            TerminalDiscovery::listWindows(desktop) + SafariDiscovery::listWindows(desktop);
        onMainThread([self, generation, editorWindows, extra = std::move(extra)] {
            if (!self || self->m_refreshGeneration != generation)
                return; // a newer refresh owns the listing now
            self->m_cachedExtraWindows = extra;
            self->publish(self->m_terminalLoading, false, Field::terminalLoading);
            self->match(editorWindows + extra);
        });
    });
}

void AppState::match(QList<AppWindow> windows)
{
    auto result = SlotMatcher::match(m_store.layout().slots, std::move(windows), m_env.fileExists);
    publish(m_statuses, std::move(result.statuses), Field::statuses);
    publish(m_unassigned, std::move(result.unassigned), Field::unassigned);
    resolvePendingFocus();
    readOpenFolders();
    refreshAgentBadges();
}

void AppState::readOpenFolders()
{
    m_openFolderPaths = WorkspaceHistory::openFolderPaths(readEditorStorage(m_env.editorStorageFile));
}

void AppState::captureFocusedWindow()
{
    publish(m_focusHighlight, std::optional<FocusHighlight>{}, Field::focusHighlight);
    publish(m_focusDimActive, false, Field::focusDimActive);
    m_pendingFocus = m_discovery.frontmostFocusedWindow();
}

void AppState::resolvePendingFocus()
{
    if (!m_pendingFocus)
        return;
    QList<FocusMatcher::Candidate> candidates;
    for (const SlotStatus& s : m_statuses) {
        if (s.window)
            candidates.append(
                {FocusTarget::slot(s.slot), s.window->pid, s.window->title,
                 s.window->projectName ? std::optional<QStringView>(*s.window->projectName) : std::nullopt});
    }
    for (const AppWindow& w : m_unassigned)
        candidates.append({FocusTarget::window(w.id), w.pid, w.title,
                           w.projectName ? std::optional<QStringView>(*w.projectName) : std::nullopt});
    const QSet<FocusTarget> targets =
        FocusMatcher::targets(m_pendingFocus->pid, m_pendingFocus->title, candidates);
    if (targets.isEmpty())
        return; // a later match (after the background listing) may find it
    m_pendingFocus.reset();
    const QUuid token = QUuid::createUuid();
    publish(m_focusHighlight, std::optional<FocusHighlight>(FocusHighlight{targets, token}),
            Field::focusHighlight);
    publish(m_focusDimActive, true, Field::focusDimActive);
    m_scheduling.after(focusDimMs, this, [this, token] {
        if (m_focusHighlight && m_focusHighlight->token == token)
            publish(m_focusDimActive, false, Field::focusDimActive);
    });
}

std::optional<SlotStatus> AppState::status(int slot) const
{
    for (const SlotStatus& s : m_statuses) {
        if (s.slot == slot)
            return s;
    }
    return std::nullopt;
}

QList<int> AppState::tileSlots() const
{
    return WindowTiler::slots(m_lastTileCount);
}

std::optional<QString> AppState::folderPath(const AppWindow& window) const
{
    return UnassignedFolder::path(window, m_openFolderPaths);
}

bool AppState::isFocusDimmed(const std::optional<FocusTarget>& target) const
{
    return FocusMatcher::isDimmed(
        target, m_focusHighlight ? std::optional(m_focusHighlight->targets) : std::nullopt, m_focusDimActive);
}

// ----------------------------------------------------------------------------- choosing things

void AppState::activateSlot(int slot)
{
    const auto s = status(slot);
    if (!s)
        return;
    acknowledgeAgentBadge(slot);
    if (s->window)
        raiseWindow(*s->window);
    else if (!s->folderMissing)
        launchSlot(slot);
}

void AppState::raiseWindow(const AppWindow& window, bool takeKeyboard)
{
    switch (window.kind) {
    case WindowKind::vscode:
        m_discovery.raise(window, takeKeyboard);
        break;
    case WindowKind::terminal:
        if (window.terminalWindowID)
            TerminalDiscovery::raise(m_desktop, *window.terminalWindowID, takeKeyboard);
        break;
    case WindowKind::safari:
        if (window.safariWindowID && takeKeyboard)
            SafariDiscovery::raise(m_desktop, *window.safariWindowID);
        break;
    }
    focusPointer(window);
}

void AppState::launchSlot(int slot)
{
    const auto s = status(slot);
    if (!s)
        return;
    const SlotEntry& entry = s->entry;
    const QString kind = entry.kind.value_or(QString());
    if (kind == QStringLiteral("terminal")) {
        Launcher::openInTerminal(m_desktop.processes, entry.path);
    } else if (kind == QStringLiteral("safari")) {
        Launcher::openInSafari(m_desktop.processes, entry.url.value_or(QString()));
    } else {
        Launcher::openInVSCode(m_desktop.processes, entry.path);
    }
}

void AppState::focusPointer(const AppWindow& window)
{
    const QList<Screens::Screen> screens = m_screens.screens();
    if (screens.isEmpty())
        return;
    const double primaryHeight = screens.first().frame.bottom();
    const auto frame = currentFrame(window);
    if (!frame)
        return;
    QList<QRectF> frames;
    for (const Screens::Screen& s : screens)
        frames.append(s.frame);
    const QPointF pointer = m_screens.pointerLocation();
    const QPointF center = WindowTiler::appKitPoint(frame->center(), primaryHeight);
    const auto action = WindowTiler::pointerFocusAction(center, pointer, frames);
    if (action.kind == WindowTiler::PointerFocusAction::Kind::warp) {
        m_screens.warpPointer(frame->center());
        m_focusEffect.play(action.to);
    } else if (action.kind == WindowTiler::PointerFocusAction::Kind::effectInPlace) {
        m_focusEffect.play(pointer);
    }
}

std::optional<QRectF> AppState::currentFrame(const AppWindow& window)
{
    switch (window.kind) {
    case WindowKind::vscode:
        return m_discovery.frame(window);
    case WindowKind::terminal:
        return window.terminalWindowID ? TerminalDiscovery::currentBounds(m_desktop, *window.terminalWindowID)
                                       : std::nullopt;
    case WindowKind::safari:
        return window.safariWindowID ? SafariDiscovery::currentBounds(m_desktop, *window.safariWindowID)
                                     : std::nullopt;
    }
    return std::nullopt;
}

bool AppState::openFinder(int slot)
{
    const auto s = status(slot);
    if (!s || s->folderMissing)
        return false;
    return FinderController::raiseOrOpen(m_desktop.workspace, s->entry.path);
}

void AppState::openURL(int slot)
{
    const auto s = status(slot);
    if (s && s->entry.url)
        Launcher::openInSafari(m_desktop.processes, *s->entry.url);
}

bool AppState::openServer(int slot)
{
    const auto s = status(slot);
    if (!s || !s->entry.server)
        return false;
    return Launcher::openInBrowser(m_desktop.processes, Launcher::buildServerURL(s->entry.server->address),
                                   s->entry.server->browser);
}

bool AppState::openFolder(const AppWindow& window)
{
    const auto folder = folderPath(window);
    if (!folder || folder->isEmpty())
        return false;
    return FinderController::raiseOrOpen(m_desktop.workspace, *folder);
}

bool AppState::openFolderShortcut(const ShortcutEntry& shortcut)
{
    return FinderController::raiseOrOpen(m_desktop.workspace, shortcut.target);
}

bool AppState::openURLShortcut(const ShortcutEntry& shortcut)
{
    return Launcher::openInSafari(m_desktop.processes, shortcut.target);
}

bool AppState::openAppShortcut(const ShortcutEntry& shortcut)
{
    return Launcher::openApplication(m_desktop.workspace, shortcut.target);
}

// ----------------------------------------------------------------------------- tiling and maximising

std::optional<Screens::Screen> AppState::screenUnderPointer()
{
    const QList<Screens::Screen> screens = m_screens.screens();
    if (screens.isEmpty())
        return std::nullopt;
    const QPointF pointer = m_screens.pointerLocation();
    for (const Screens::Screen& s : screens) {
        if (WindowTiler::containsPointer(s.frame, pointer))
            return s;
    }
    return m_screens.mainScreen();
}

std::optional<QRectF> AppState::targetFrameForMouseScreen()
{
    const auto screen = screenUnderPointer();
    if (!screen)
        return std::nullopt;
    return WindowTiler::topLeftOriginFrame(screen->visibleFrame, m_screens.screens().first().frame.bottom());
}

bool AppState::tileWindows(int count)
{
    const auto screen = screenUnderPointer();
    if (!screen)
        return false;
    count = allowedTileCount(count);
    QSet<int> occupied;
    for (const SlotStatus& s : m_statuses) {
        if (s.window)
            occupied.insert(s.slot);
    }
    const double primaryMaxY = m_screens.screens().first().frame.bottom();
    QList<WindowPlacement> placements;
    for (const WindowTiler::Region& region :
         WindowTiler::occupiedRegions(count, screen->visibleFrame, occupied)) {
        const auto s = status(region.slot);
        if (s && s->window)
            placements.append({*s->window, WindowTiler::topLeftOriginFrame(region.frame, primaryMaxY)});
    }
    if (placements.isEmpty())
        return false;
    m_store.setLastTileCount(count);
    publish(m_lastTileCount, count, Field::lastTileCount);
    applyPlacementsInBackground(std::move(placements));
    return true;
}

void AppState::setTileCount(int count)
{
    count = allowedTileCount(count);
    publish(m_lastTileCount, count, Field::lastTileCount);
    m_store.setLastTileCount(count);
}

bool AppState::maximizeSlot(int slot)
{
    const auto s = status(slot);
    if (!s)
        return false;
    const auto target = targetFrameForMouseScreen();
    if (!target)
        return false;
    acknowledgeAgentBadge(slot);
    if (s->window) {
        applyPlacementsInBackground({{*s->window, *target}});
        return true;
    }
    if (s->folderMissing)
        return false;
    launchSlot(slot);
    m_scheduling.after(maximizeRefreshMs, this, [this, slot, target] {
        refresh();
        m_scheduling.after(maximizePlacementMs, this, [this, slot, target] {
            const auto launched = status(slot);
            if (launched && launched->window)
                applyPlacementsInBackground({{*launched->window, *target}});
        });
    });
    return true;
}

void AppState::applyPlacementsInBackground(QList<WindowPlacement> placements)
{
    const int generation = ++*m_placementGeneration;
    QPointer<AppState> self(this);
    auto currentGeneration = m_placementGeneration;
    auto alive = m_alive;
    DesktopServices& desktop = m_desktop;
    const WindowDiscovery discovery = m_discovery;
    // The placement queue runs one task at a time in request order, so a task starts only after its
    // predecessor has finished; one that has been superseded meanwhile does nothing.
    m_scheduling.placement([=, &desktop] {
        if (!*alive || *currentGeneration != generation)
            return;
        QList<AppWindow> moved;
        for (const WindowPlacement& p : placements) {
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
                self->raiseWindow(window, !self->m_panelShown);
        });
    });
}

// ----------------------------------------------------------------------------- badges and usage

void AppState::refreshAgentBadges()
{
    const Layout& layout = m_store.layout();
    if (!layout.isAgentStatusEnabled()) {
        if (!m_agentBadges.isEmpty())
            publish(m_agentBadges, QHash<int, AgentState>{}, Field::agentBadges);
        if (!m_recentSlots.isEmpty())
            publish(m_recentSlots, QSet<int>{}, Field::recentSlots);
        return;
    }
    const AgentStatusStore& store = m_env.agentStatusStore;
    const QList<AgentStatusEntry> entries = store.loadEntries();
    const QDateTime now = m_scheduling.now();
    const QList<ActivityRecord> activity = store.recordActivity(entries, now);

    QHash<int, QString> slotPaths;
    QHash<BadgeTarget, QString> targets;
    for (const SlotStatus& s : m_statuses) {
        if (!s.entry.path.isEmpty()) {
            slotPaths.insert(s.slot, s.entry.path);
            targets.insert({true, s.slot, {}}, s.entry.path);
        }
    }
    for (const AppWindow& w : m_unassigned) {
        if (const auto folder = folderPath(w))
            targets.insert({false, 0, w.id}, *folder);
    }
    const auto badges = AgentStatus::badges<BadgeTarget>(targets, entries, store.acknowledgements(), now);
    QHash<int, AgentState> slotBadges;
    QHash<QUuid, AgentState> windowBadges;
    for (auto it = badges.begin(); it != badges.end(); ++it) {
        if (it.key().isSlot)
            slotBadges.insert(it.key().slot, *it);
        else
            windowBadges.insert(it.key().window, *it);
    }
    publish(m_agentBadges, std::move(slotBadges), Field::agentBadges);
    publish(m_unassignedBadges, std::move(windowBadges), Field::unassignedBadges);
    publish(m_recentSlots,
            AgentStatus::recentlyUsed<int>(slotPaths, activity, AgentStatusStore::recentWindow, now),
            Field::recentSlots);
}

void AppState::acknowledgeAgentBadge(int slot)
{
    if (!m_store.layout().isAgentStatusEnabled())
        return;
    const auto s = status(slot);
    if (!s || s->entry.path.isEmpty())
        return;
    m_env.agentStatusStore.acknowledge(s->entry.path, m_scheduling.now());
    refreshAgentBadges();
}

void AppState::setAgentStatusEnabled(bool enabled)
{
    m_store.setAgentStatusEnabled(enabled);
    refresh();
}

void AppState::publishUsage(const std::optional<ClaudeUsage>& usage)
{
    if (usage != m_claudeUsage)
        publish(m_claudeUsage, usage, Field::claudeUsage);
}

void AppState::refreshClaudeUsage()
{
    if (!m_store.layout().isClaudeUsageEnabled()) {
        if (m_claudeUsage)
            publish(m_claudeUsage, std::optional<ClaudeUsage>{}, Field::claudeUsage);
        return;
    }
    QPointer<AppState> self(this);
    const QString file = m_env.claudeStateFile;
    m_scheduling.background([self, file] {
        auto usage = readUsage(file);
        onMainThread([self, usage] {
            if (self)
                self->publishUsage(usage);
        });
    });
}

void AppState::runUsageRefresh()
{
    if (m_usageRefreshRunning)
        return;
    const auto executable = ClaudeCLI::find(m_env.home, m_env.isExecutable);
    if (!executable)
        return;
    m_usageRefreshRunning = true;
    QPointer<AppState> self(this);
    Processes& processes = m_desktop.processes;
    const QString workingDirectory = m_env.usageWorkingDirectory;
    const QString file = m_env.claudeStateFile;
    m_scheduling.background([self, &processes, executable = *executable, workingDirectory, file] {
        ClaudeCLI::runUsage(processes, executable, workingDirectory);
        auto usage = readUsage(file);
        onMainThread([self, usage] {
            if (!self)
                return;
            self->m_usageRefreshRunning = false;
            self->publishUsage(usage);
        });
    });
}

void AppState::scheduleNextUsageRefresh()
{
    if (m_usageTimer) {
        m_scheduling.cancel(*m_usageTimer);
        m_usageTimer.reset();
    }
    const QDateTime now = m_scheduling.now();
    const auto next = m_usageSchedule.nextRun(now);
    if (!next)
        return;
    m_usageTimer =
        m_scheduling.after(int(std::max<qint64>(now.msecsTo(*next), 0)), this, [this] { usageTimerFired(); });
}

void AppState::usageTimerFired()
{
    m_usageTimer.reset();
    const QDateTime now = m_scheduling.now();
    if (!m_usageSchedule.endsAt || now > *m_usageSchedule.endsAt)
        return;
    if (!m_store.layout().isClaudeUsageEnabled())
        return;
    runUsageRefresh();
    scheduleNextUsageRefresh();
}

void AppState::panelDidClose()
{
    m_panelShown = false;
}

void AppState::panelDidOpen()
{
    m_panelShown = true;
    if (!m_store.layout().isClaudeUsageEnabled())
        return;
    const bool due = m_usageSchedule.panelOpened(m_scheduling.now());
    if (due) {
        runUsageRefresh();
        scheduleNextUsageRefresh();
    } else if (!m_usageTimer) {
        scheduleNextUsageRefresh();
    }
}

void AppState::setClaudeUsageEnabled(bool enabled)
{
    m_store.setClaudeUsageEnabled(enabled);
    if (enabled) {
        refreshClaudeUsage();
        return;
    }
    if (m_usageTimer) {
        m_scheduling.cancel(*m_usageTimer);
        m_usageTimer.reset();
    }
    m_usageSchedule = ClaudeUsageRefreshSchedule{};
    publishUsage(std::nullopt);
}

// ----------------------------------------------------------------------------- editing the layout

void AppState::applySlotSettings(int slot, const QString& name, const QString& path,
                                 const std::optional<QString>& url, const std::optional<QString>& color,
                                 const std::optional<ServerEntry>& server)
{
    m_store.applySettings(slot, name, path, url, color, server);
    refresh();
}

void AppState::removeSlot(int slot)
{
    m_store.removeEntry(slot);
    refresh();
}

void AppState::moveSlot(int from, int to)
{
    m_store.moveEntry(from, to);
    refresh();
}

void AppState::assignWindow(const AppWindow& window, int slot)
{
    SlotEntry entry;
    switch (window.kind) {
    case WindowKind::vscode:
        if (!window.projectName)
            return;
        entry.name = *window.projectName;
        entry.path = UnassignedFolder::path(window, m_openFolderPaths).value_or(QString());
        entry.matchKey = window.projectName;
        break;
    case WindowKind::terminal: {
        const QString folder = window.folderPath.value_or(QString()).trimmed();
        entry.name = folder.isEmpty() ? window.title : Paths::lastComponent(folder);
        entry.path = folder;
        entry.kind = rawValue(WindowKind::terminal);
        entry.matchKey = window.title;
        break;
    }
    case WindowKind::safari:
        entry.name = URLUtil::domain(window.folderPath).value_or(window.title);
        entry.url = window.folderPath.value_or(QString());
        entry.kind = rawValue(WindowKind::safari);
        break;
    }
    m_store.assign(entry, slot);
    refresh();
}

void AppState::updateShortcuts(QList<ShortcutEntry> folder, QList<ShortcutEntry> url,
                               QList<ShortcutEntry> app)
{
    folder = folder.mid(0, ShortcutLimits::folder);
    url = url.mid(0, ShortcutLimits::url);
    app = app.mid(0, ShortcutLimits::app);
    m_folderShortcuts = folder;
    m_urlShortcuts = url;
    m_appShortcuts = app;
    Q_EMIT changed(Field::shortcuts);
    m_store.setShortcuts(folder, url, app);
}

void AppState::setPanelTheme(PanelTheme theme)
{
    publish(m_panelTheme, theme, Field::panelTheme);
    m_store.setPanelTheme(PanelThemes::rawValue(theme));
}

void AppState::updateTriggerSettings(bool hotkeyEnabled, DoubleTapKey doubleTapKey, int tapCount)
{
    m_store.setTriggerSettings(hotkeyEnabled, rawValue(doubleTapKey), tapCount);
    if (triggerSettingsChanged)
        triggerSettingsChanged();
}
