#pragma once

#include "core/agents/AgentStatus.h"
#include "core/agents/AgentStatusStore.h"
#include "core/layout/LayoutStore.h"
#include "core/layout/PanelTheme.h"
#include "core/state/AgentBadges.h"
#include "core/state/Scheduling.h"
#include "core/state/SlotOpening.h"
#include "core/state/UsageMeter.h"
#include "core/state/WindowPlacing.h"
#include "core/usage/ClaudeUsage.h"
#include "core/usage/ClaudeUsageDisplay.h"
#include "core/windows/FocusMatcher.h"
#include "core/windows/SlotMatcher.h"
#include "core/windows/WindowDiscovery.h"
#include "platform/DesktopServices.h"
#include "platform/Screens.h"

#include <QObject>
#include <atomic>

// Where the state finds the files of other programs, and how it tells whether a path exists.
struct AppStateEnvironment {
    QString editorStorageFile; // the editor's storage.json
    QString claudeStateFile;   // Claude Code's .claude.json
    QString home;              // where the `claude` program is looked for
    QString usageWorkingDirectory;
    AgentStatusStore agentStatusStore;
    std::function<bool(const QString&)> fileExists;
    std::function<bool(const QString&)> isExecutable;

    static AppStateEnvironment system();
};

// The one observable object of the resident application: what the panel shows and every action it
// offers. Lives on the main thread; slow work runs in the background and comes back to the main
// thread, where results of superseded work are dropped by generation counters.
class AppState : public QObject {
    Q_OBJECT

public:
    // The published fields; `changed` names the one that changes, before views read it again.
    enum class Field {
        statuses,
        unassigned,
        axTrusted,
        settingsSlot,
        panelTheme,
        terminalLoading,
        appSettingsShown,
        shortcuts,
        lastTileCount,
        agentBadges,
        recentSlots,
        focusHighlight,
        focusDimActive,
        unassignedBadges,
        claudeUsage,
    };
    Q_ENUM(Field)

    struct FocusHighlight {
        QSet<FocusTarget> targets;
        QUuid token;
    };
    static constexpr int focusDimMs = 650;
    static constexpr int maximizeRefreshMs = 600;
    static constexpr int maximizePlacementMs = 400;

    AppState(LayoutStore& store, DesktopServices& desktop, Screens& screens, FocusEffect& focusEffect,
             Scheduling& scheduling, AppStateEnvironment environment, QObject* parent = nullptr);
    ~AppState() override;

    // --- published state
    const QList<SlotStatus>& statuses() const { return m_statuses; }
    const QList<AppWindow>& unassigned() const { return m_unassigned; }
    bool axTrusted() const { return m_axTrusted; }
    std::optional<int> settingsSlot() const { return m_settingsSlot; }
    void setSettingsSlot(std::optional<int> slot);
    PanelTheme panelTheme() const { return m_panelTheme; }
    bool terminalLoading() const { return m_terminalLoading; }
    bool appSettingsShown() const { return m_appSettingsShown; }
    void setAppSettingsShown(bool shown);
    const QList<ShortcutEntry>& folderShortcuts() const { return m_folderShortcuts; }
    const QList<ShortcutEntry>& urlShortcuts() const { return m_urlShortcuts; }
    const QList<ShortcutEntry>& appShortcuts() const { return m_appShortcuts; }
    int lastTileCount() const { return m_lastTileCount; }
    const QHash<int, AgentState>& agentBadges() const { return m_agentBadges; }
    const QSet<int>& recentSlots() const { return m_recentSlots; }
    const std::optional<FocusHighlight>& focusHighlight() const { return m_focusHighlight; }
    bool focusDimActive() const { return m_focusDimActive; }
    const QHash<QUuid, AgentState>& unassignedBadges() const { return m_unassignedBadges; }
    const std::optional<ClaudeUsage>& claudeUsage() const { return m_claudeUsage; }
    LayoutStore& store() { return m_store; }

    // --- refresh cycle
    void refresh();
    void captureFocusedWindow();
    std::optional<SlotStatus> status(int slot) const;
    QList<int> tileSlots() const;
    std::optional<QString> folderPath(const AppWindow& window) const;
    bool isFocusDimmed(const std::optional<FocusTarget>& target) const;

    // --- choosing things (SlotOpening)
    void activateSlot(int slot);
    void raiseWindow(const AppWindow& window, bool takeKeyboard = true)
    {
        m_opening.raiseWindow(window, takeKeyboard);
    }
    bool openFinder(int slot) { return m_opening.openFinder(slot); }
    void openURL(int slot) { m_opening.openURL(slot); }
    bool openServer(int slot) { return m_opening.openServer(slot); }
    bool openFolder(const AppWindow& window) { return m_opening.openFolder(window); }
    bool openFolderShortcut(const ShortcutEntry& shortcut) { return m_opening.openFolderShortcut(shortcut); }
    bool openURLShortcut(const ShortcutEntry& shortcut) { return m_opening.openURLShortcut(shortcut); }
    bool openAppShortcut(const ShortcutEntry& shortcut) { return m_opening.openAppShortcut(shortcut); }

    // --- tiling and maximising (WindowPlacing)
    bool tileWindows(int count) { return m_placing.tileWindows(count); }
    void setTileCount(int count) { m_placing.setTileCount(count); }
    bool maximizeSlot(int slot) { return m_placing.maximizeSlot(slot); }
    std::optional<Screens::Screen> screenUnderPointer() { return m_placing.screenUnderPointer(); }

    // --- agent badges and the usage meter (AgentBadges, UsageMeter)
    void setAgentStatusEnabled(bool enabled);
    void panelDidOpen();
    // The panel went away: what finishes from now on may take the keyboard again.
    void panelDidClose();
    void setClaudeUsageEnabled(bool enabled);

    // --- editing the layout
    void applySlotSettings(int slot, const QString& name, const QString& path,
                           const std::optional<QString>& url, const std::optional<QString>& color,
                           const std::optional<ServerEntry>& server);
    void removeSlot(int slot);
    void moveSlot(int from, int to);
    void assignWindow(const AppWindow& window, int slot);
    void updateShortcuts(QList<ShortcutEntry> folder, QList<ShortcutEntry> url, QList<ShortcutEntry> app);
    void setPanelTheme(PanelTheme theme);
    void updateTriggerSettings(bool hotkeyEnabled, DoubleTapKey doubleTapKey, int tapCount);
    std::function<void()> triggerSettingsChanged;

    static int allowedTileCount(qint64 count);

Q_SIGNALS:
    void changed(AppState::Field field);

private:
    // The action groups read the state and publish into it.
    friend class SlotOpening;
    friend class WindowPlacing;
    friend class AgentBadges;
    friend class UsageMeter;

    void match(QList<AppWindow> windows);
    void resolvePendingFocus();
    void readOpenFolders();
    template <typename T> void publish(T& field, T value, Field which)
    {
        field = std::move(value);
        Q_EMIT changed(which);
    }

    LayoutStore& m_store;
    DesktopServices& m_desktop;
    Screens& m_screens;
    FocusEffect& m_focusEffect;
    Scheduling& m_scheduling;
    AppStateEnvironment m_env;
    WindowDiscovery m_discovery;

    QList<SlotStatus> m_statuses;
    QList<AppWindow> m_unassigned;
    bool m_axTrusted = false;
    std::optional<int> m_settingsSlot;
    PanelTheme m_panelTheme = PanelTheme::standard;
    bool m_terminalLoading = false;
    bool m_appSettingsShown = false;
    QList<ShortcutEntry> m_folderShortcuts, m_urlShortcuts, m_appShortcuts;
    int m_lastTileCount = 4;
    QHash<int, AgentState> m_agentBadges;
    QSet<int> m_recentSlots;
    std::optional<FocusHighlight> m_focusHighlight;
    bool m_focusDimActive = false;
    bool m_panelShown = false;
    std::optional<WindowDiscovery::FocusedWindow> m_pendingFocus;
    QHash<QUuid, AgentState> m_unassignedBadges;
    std::optional<ClaudeUsage> m_claudeUsage;
    QList<AppWindow> m_cachedExtraWindows;
    QStringList m_openFolderPaths;
    int m_refreshGeneration = 0;
    // Read by background tasks off the main thread: the state is gone.
    std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);

    SlotOpening m_opening{*this};
    WindowPlacing m_placing{*this};
    AgentBadges m_badges{*this};
    UsageMeter m_usage{*this};
};
