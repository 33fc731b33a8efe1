#pragma once

#include "ui/PanelHost.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <functional>
#include <optional>

class AppState;
class Bundle;
class PanelRootView;
class Workspace;
class QWidget;

// The floating panel: created on first show, centred in the visible frame of the screen under the
// pointer, re-fitted and re-centred whenever the state changes, hidden when it loses the focus
// (unless a sheet is open) or on Escape; while shown it turns 0 and 1–9 into tiling and maximising.
class PanelController final : public QObject, public PanelHost {
    Q_OBJECT

public:
    PanelController(AppState& state, const Bundle& bundle, Workspace& workspace, QObject* parent = nullptr);
    ~PanelController() override;

    void show();
    void hide();
    void toggle();
    bool isVisible() const;
    // How many times the panel has been shown.
    quint64 showings() const { return m_showings; }
    void hidePanel() override { hide(); }

    QWidget* panel() const;
    PanelRootView* rootView() const;
    std::optional<QRectF> targetVisibleFrame() const { return m_targetVisibleFrame; }

    // Called by the panel window.
    void windowDidResignKey();
    void windowDidEndSheet();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createPanel();
    void fitAndCentre();
    void takeKeyboardBack(int attempt);
    bool sheetOpen() const;
    void installKeyMonitor();
    void removeKeyMonitor();

    AppState& m_state;
    const Bundle& m_bundle;
    Workspace& m_workspace;
    QPointer<QWidget> m_panel;
    PanelRootView* m_root = nullptr;
    std::optional<QRectF> m_targetVisibleFrame;
    bool m_sheetEnding = false; // a sheet or alert of the panel has just been hidden
    QMetaObject::Connection m_contentObserver;
    bool m_keyMonitor = false;
    bool m_fitPending = false;
    quint64 m_showings = 0;
};
