#pragma once

#include "core/layout/LayoutStore.h"
#include "core/state/AppState.h"
#include "core/triggers/DoubleTapKeyMonitor.h"
#include "core/triggers/HotkeyManager.h"

#include <QObject>
#include <functional>
#include <memory>

class Bundle;
namespace ToggleChannel {
class Listener;
}
class FocusEffect;
class PanelController;
class Screens;

// What the resident application needs from the desktop.
struct ResidentServices {
    DesktopServices& desktop;
    const Bundle& bundle;
    Hotkeys& hotkeys;
    KeyEvents& keyEvents;
    Screens& screens;
    FocusEffect& focusEffect;
    Scheduling& scheduling;
    AppStateEnvironment environment;
    QString layoutFile;
    qint32 ownPid = 0;
};

// The resident application: makes sure it is the only copy, creates the store, the state and the
// panel, and wires the two triggers that open the panel, again whenever their settings change.
class AppDelegate final : public QObject {
    Q_OBJECT

public:
    enum class AlertStyle { informational, warning };
    // Shows an alert and returns when the user has dismissed it.
    using Alert = std::function<void(AlertStyle, const QString& title, const QString& text)>;

    static inline const QString hotkeyAlertTitle = QStringLiteral("ホットキーを登録できませんでした");
    // The text names the layout file the user should edit, written from the home folder.
    static QString hotkeyAlertText(const QString& layoutFile, const QString& home);

    explicit AppDelegate(ResidentServices services, Alert alert = modalAlert, QObject* parent = nullptr);
    ~AppDelegate() override;

    // False when another copy is running: the user has been told, and this one should quit.
    bool applicationDidFinishLaunching();

    LayoutStore* store() const { return m_store.get(); }
    AppState* state() const { return m_state.get(); }
    PanelController* panelController() const { return m_panelController.get(); }
    const HotkeyManager& hotkeyManager() const { return m_hotkeyManager; }
    const DoubleTapKeyMonitor& doubleTapMonitor() const { return m_doubleTapMonitor; }

    static void modalAlert(AlertStyle style, const QString& title, const QString& text);

private:
    void applyTriggerSettings();
    void doubleTapAction();

    ResidentServices m_services;
    Alert m_alert;
    std::unique_ptr<LayoutStore> m_store;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<PanelController> m_panelController;
    HotkeyManager m_hotkeyManager;
    DoubleTapKeyMonitor m_doubleTapMonitor;
    std::unique_ptr<ToggleChannel::Listener> m_toggleListener;
    bool m_triggersTrusted = false; // whether the process was trusted when the triggers were wired
};
