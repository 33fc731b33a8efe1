#include "ui/PanelController.h"

#include "core/state/AppState.h"
#include "ui/AccessoryWindow.h"
#include "ui/PanelRootView.h"
#include "ui/QtScreens.h"
#include "ui/SheetHost.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The panel window: a frameless floating tool window that tells its controller when it loses the
// focus.
class PanelWindow final : public QWidget {
public:
    explicit PanelWindow(PanelController& controller)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
          m_controller(controller)
    {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setWindowTitle(QStringLiteral("Panedeck"));
    }

protected:
    void changeEvent(QEvent* event) override
    {
        // Hiding deactivates too, and the panel may be shown again before the notice is handled:
        // a notice from an earlier showing is not passed on.
        if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible()) {
            const quint64 showing = m_controller.showings();
            QTimer::singleShot(0, this, [this, showing] {
                if (m_controller.showings() == showing)
                    m_controller.windowDidResignKey();
            });
        }
        QWidget::changeEvent(event);
    }

private:
    PanelController& m_controller;
};

} // namespace

PanelController::PanelController(AppState& state, const Bundle& bundle, Workspace& workspace, QObject* parent)
    : QObject(parent), m_state(state), m_bundle(bundle), m_workspace(workspace)
{
}

PanelController::~PanelController()
{
    removeKeyMonitor();
    delete m_panel;
}

QWidget* PanelController::panel() const
{
    return m_panel;
}

PanelRootView* PanelController::rootView() const
{
    return m_root;
}

bool PanelController::isVisible() const
{
    return m_panel && m_panel->isVisible();
}

void PanelController::createPanel()
{
    auto* window = new PanelWindow(*this);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_root = new PanelRootView(m_state, *this, m_bundle, m_workspace, window);
    layout->addWidget(m_root);
    connect(m_root->sheetHost(), &SheetHost::ended, this, &PanelController::windowDidEndSheet);
    m_panel = window;
}

bool PanelController::sheetOpen() const
{
    return m_state.settingsSlot() || m_state.appSettingsShown() || (m_root && m_root->sheetHost()->sheet()) ||
           QApplication::activeModalWidget() != nullptr;
}

void PanelController::show()
{
    ++m_showings;
    m_state.captureFocusedWindow();
    m_state.refresh();
    m_state.panelDidOpen();
    if (!m_panel)
        createPanel();

    m_targetVisibleFrame.reset();
    if (const auto screen = m_state.screenUnderPointer())
        m_targetVisibleFrame = screen->visibleFrame;
    if (!sheetOpen()) {
        if (m_targetVisibleFrame)
            m_root->fitScreen(m_targetVisibleFrame->size());
        fitAndCentre();
    }
    AccessoryWindow::prepare(m_panel);
    m_panel->show();
    // The user asked for the panel: the keyboard comes with it, even where the user's last input
    // went to another window.
    AccessoryWindow::takeKeyboard(m_panel);

    // The content may grow after its first layout: once more on the next turn of the event loop.
    QPointer<QWidget> panel = m_panel;
    QTimer::singleShot(0, this, [this, panel] {
        if (panel && !sheetOpen())
            fitAndCentre();
    });
    QObject::disconnect(m_contentObserver);
    m_contentObserver = connect(
        &m_state, &AppState::changed, this,
        [this] {
            if (m_panel && !sheetOpen())
                fitAndCentre();
        },
        Qt::QueuedConnection);
    installKeyMonitor();
}

// A sheet stays attached, with whatever the user typed into it, until the panel is shown again.
void PanelController::hide()
{
    removeKeyMonitor();
    QObject::disconnect(m_contentObserver);
    m_state.panelDidClose();
    if (m_panel)
        m_panel->hide();
    // Once the pictures of the panel's effects, dropped with it, are freed.
    QTimer::singleShot(0, this, [] { AccessoryWindow::returnFreedMemory(); });
}

void PanelController::toggle()
{
    if (isVisible())
        hide();
    else
        show();
}

void PanelController::fitAndCentre()
{
    if (!m_panel)
        return;
    m_panel->adjustSize();
    const QSize size = m_panel->sizeHint().expandedTo(m_panel->minimumSizeHint());
    if (size.width() <= 0 || size.height() <= 0)
        return;
    m_panel->resize(size);
    if (!m_targetVisibleFrame)
        return;
    // Centre in the visible frame, converted to Qt's desktop space; where the panel is taller than
    // the screen its top stays on it.
    const QRectF target = QtScreens::toDesktop(*m_targetVisibleFrame);
    const double x = std::max(target.left(), target.center().x() - size.width() / 2.0);
    const double y = std::max(target.top(), target.center().y() - size.height() / 2.0);
    m_panel->move(int(x), int(y));
}

// The keyboard also leaves with a sheet that ends; the panel then takes it back instead.
void PanelController::windowDidResignKey()
{
    if (!isVisible() || sheetOpen() || m_sheetEnding || (m_panel && m_panel->isActiveWindow()))
        return;
    hide();
}

// The panel takes the keyboard back from the sheet or alert that ended, so that Escape, the digits
// and clicking into another application work on it as before.
void PanelController::windowDidEndSheet()
{
    m_sheetEnding = false;
    if (!isVisible() || sheetOpen())
        return;
    fitAndCentre();
    takeKeyboardBack(0);
}

// The window manager may still be busy with the sheet that ended, and give the focus to the window
// behind the panel after our request: the request is repeated a few times, until the panel has it.
void PanelController::takeKeyboardBack(int attempt)
{
    if (!isVisible() || sheetOpen() || m_panel->isActiveWindow())
        return;
    AccessoryWindow::takeKeyboard(m_panel);
    if (attempt < 4)
        QTimer::singleShot(50 << attempt, this, [this, attempt] { takeKeyboardBack(attempt + 1); });
}

void PanelController::installKeyMonitor()
{
    if (m_keyMonitor)
        return;
    qApp->installEventFilter(this);
    m_keyMonitor = true;
}

void PanelController::removeKeyMonitor()
{
    if (!m_keyMonitor)
        return;
    qApp->removeEventFilter(this);
    m_keyMonitor = false;
}

bool PanelController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide && watched->isWidgetType() && m_panel) {
        const auto* window = static_cast<QWidget*>(watched);
        if (window->isWindow() && window != m_panel && window->parentWidget() &&
            window->parentWidget()->window() == m_panel) {
            m_sheetEnding = true;
            QTimer::singleShot(0, this, [this] { windowDidEndSheet(); });
        }
        return false;
    }
    // A key press passes the application's filters once for every widget it travels through; it is
    // looked at once, on its way to the widget that has the focus in the panel.
    if (event->type() != QEvent::KeyPress || !m_panel)
        return QObject::eventFilter(watched, event);
    QWidget* receiver = m_panel->focusWidget() ? m_panel->focusWidget() : m_panel.data();
    if (watched != receiver)
        return QObject::eventFilter(watched, event);
    if (sheetOpen())
        return false; // the sheet's fields get their keys
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        hide();
        return true;
    }
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (key->key() == Qt::Key_0) {
        if (m_state.tileWindows(
                AppState::allowedTileCount(m_state.store().layout().lastTileCount.value_or(4))))
            hide();
        return true;
    }
    if (key->key() >= Qt::Key_1 && key->key() <= Qt::Key_9) {
        const int slot = key->key() - Qt::Key_0;
        if (m_state.status(slot) && m_state.maximizeSlot(slot))
            hide();
        return true;
    }
    return false;
}
