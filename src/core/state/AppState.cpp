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

QByteArray readEditorStorage(const QString& path)
{
    return BoundedFile::read(path, BoundedFile::editorStorageLimit).value_or(QByteArray());
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
}

int AppState::allowedTileCount(qint64 count)
{
    return count == 2 || count == 3 || count == 4 || count == 6 ? int(count) : 4;
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
    m_usage.refresh();
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
    m_badges.refresh();
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
    m_badges.acknowledge(slot);
    if (s->window)
        m_opening.raiseWindow(*s->window);
    else if (!s->folderMissing)
        m_opening.launchSlot(slot);
}

// ----------------------------------------------------------------------------- badges and usage

void AppState::setAgentStatusEnabled(bool enabled)
{
    m_store.setAgentStatusEnabled(enabled);
    refresh();
}

void AppState::panelDidOpen()
{
    m_panelShown = true;
    m_usage.panelOpened();
}

void AppState::panelDidClose()
{
    m_panelShown = false;
}

void AppState::setClaudeUsageEnabled(bool enabled)
{
    m_store.setClaudeUsageEnabled(enabled);
    m_usage.setEnabled(enabled);
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
