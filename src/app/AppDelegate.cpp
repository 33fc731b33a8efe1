#include "app/AppDelegate.h"

#include "core/Log.h"
#include "core/shell/SingleInstance.h"
#include "core/shell/ToggleChannel.h"
#include "ui/PanelController.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

QString AppDelegate::hotkeyAlertText(const QString& layoutFile, const QString& home)
{
    QString shown = QDir::cleanPath(layoutFile);
    const QString homePrefix = QDir::cleanPath(home) + u'/';
    if (shown.startsWith(homePrefix))
        shown = QStringLiteral("~/") + shown.mid(homePrefix.size());
    return QStringLiteral("他のアプリが同じホットキーを使用している可能性があります。") + shown +
           QStringLiteral(" の hotkey を変更してアプリを再起動してください。");
}

void AppDelegate::modalAlert(AlertStyle style, const QString& title, const QString& text)
{
    QMessageBox box(style == AlertStyle::warning ? QMessageBox::Warning : QMessageBox::Information, title,
                    title, QMessageBox::Ok);
    box.setInformativeText(text);
    box.exec();
}

AppDelegate::AppDelegate(ResidentServices services, Alert alert, QObject* parent)
    : QObject(parent), m_services(std::move(services)), m_alert(std::move(alert)),
      m_hotkeyManager(m_services.hotkeys), m_doubleTapMonitor(m_services.keyEvents)
{
}

// The triggers go before the objects their handlers reach.
AppDelegate::~AppDelegate()
{
    m_hotkeyManager.unregister();
    m_doubleTapMonitor.stop();
}

bool AppDelegate::applicationDidFinishLaunching()
{
    if (SingleInstance::shouldTerminateForRunningApplications(m_services.bundle, m_services.desktop.workspace,
                                                              m_services.ownPid)) {
        Log::line(SingleInstance::logLine);
        m_alert(AlertStyle::informational, SingleInstance::alertTitle, SingleInstance::alertText);
        return false;
    }

    m_store = std::make_unique<LayoutStore>(m_services.layoutFile);
    m_state =
        std::make_unique<AppState>(*m_store, m_services.desktop, m_services.screens, m_services.focusEffect,
                                   m_services.scheduling, m_services.environment);
    m_panelController =
        std::make_unique<PanelController>(*m_state, m_services.bundle, m_services.desktop.workspace);
    // The answer is read again, without a prompt, by the first refresh.
    m_services.desktop.accessibility.isProcessTrusted(true);

    // Key events reach the double tap's global monitor only once the process is trusted, and the
    // monitor was installed before: when the panel finds access newly granted, the triggers are
    // wired again.
    connect(m_state.get(), &AppState::changed, this, [this](AppState::Field field) {
        if (field != AppState::Field::axTrusted || !m_state->axTrusted() || m_triggersTrusted)
            return;
        Log::line(QStringLiteral("Panedeck: accessibility access granted, triggers wired again"));
        applyTriggerSettings();
    });
    // `panedeck toggle` acts as the hot key does.
    m_toggleListener = std::make_unique<ToggleChannel::Listener>(
        QFileInfo(m_services.layoutFile).absolutePath(), [this] { m_panelController->toggle(); });
    QPointer<AppDelegate> self(this);
    m_state->triggerSettingsChanged = [self] {
        if (self)
            self->applyTriggerSettings();
    };
    applyTriggerSettings();
    return true;
}

void AppDelegate::applyTriggerSettings()
{
    m_hotkeyManager.unregister();
    m_doubleTapMonitor.stop();
    if (!m_store)
        return;
    m_triggersTrusted = m_services.desktop.accessibility.isProcessTrusted(false);
    const Layout& layout = m_store->layout();
    QPointer<AppDelegate> self(this);

    QString hotkey = QStringLiteral("off");
    if (layout.isHotkeyEnabled()) {
        const bool registered = m_hotkeyManager.registerHotkey(layout.hotkey, [self] {
            if (!self || !self->m_panelController)
                return;
            PanelController& panel = *self->m_panelController;
            panel.toggle();
            // What the user types right after the hot key acts on the panel it showed.
            self->m_hotkeyManager.releaseHeldKeys(panel.isVisible() ? panel.panel()->winId() : 0);
        });
        hotkey = registered ? QStringLiteral("on") : QStringLiteral("refused");
        if (!registered)
            m_alert(AlertStyle::warning, hotkeyAlertTitle,
                    hotkeyAlertText(m_store->filePath(), QDir::homePath()));
        if (!self)
            return;
    }

    const DoubleTapKey mode = layout.effectiveDoubleTapKey();
    const int taps = layout.effectiveTapCount();
    m_doubleTapMonitor.start(mode, taps, [self] {
        if (self)
            self->doubleTapAction();
    });
    Log::line(QStringLiteral("Panedeck: triggers wired (hotkey %1, double tap %2 x%3)")
                  .arg(hotkey, rawValue(mode))
                  .arg(taps));
}

void AppDelegate::doubleTapAction()
{
    if (m_state->settingsSlot() || m_state->appSettingsShown() || QApplication::activeModalWidget())
        return;
    if (m_panelController->isVisible()) {
        if (m_state->tileWindows(m_state->lastTileCount()))
            m_panelController->hide();
        return;
    }
    m_panelController->show();
}
