#pragma once

#include "platform/Accessibility.h"
#include "platform/x11/X11Connection.h"

#include <QHash>

// The accessibility operations over an EWMH window manager. Applications are the processes
// (`_NET_WM_PID`) of managed clients, found by their WM_CLASS class; their windows are their clients.
// Frames are outer frames (decorations included) in root coordinates, which are top-left based.
class X11Accessibility final : public Accessibility {
public:
    X11Accessibility();

    // WM_CLASS class names standing in for application identities on X11.
    static QString windowClass(const QString& bundleIdentifier);

    bool isProcessTrusted(bool promptIfNeeded) override;
    QList<qint32> runningApplications(const QString& bundleIdentifier) override;
    AXElement applicationElement(qint32 pid) override;
    AXResult copyAttribute(const AXElement& element, const QString& attribute) override;
    AXError setAttribute(const AXElement& element, const QString& attribute, const AXValue& value) override;
    AXError performAction(const AXElement& element, const QString& action) override;
    bool activateApplication(qint32 pid) override;
    std::optional<qint32> frontmostApplication() override;
    qint32 ownProcessIdentifier() override;

private:
    using Client = X11Connection::Client;
    X11Connection* connection();
    QList<Client> clients(bool withClass);

    AXResult windowsOf(qint32 pid);
    AXResult focusedWindowOf(qint32 pid);
    struct TitleRequest {
        xcb_get_property_cookie_t netName;
        xcb_get_property_cookie_t wmName;
    };
    TitleRequest requestTitle(xcb_window_t window);
    AXResult title(const TitleRequest& request);
    AXResult titleOf(xcb_window_t window);
    AXResult frameOf(xcb_window_t window, bool wantPosition);
    AXResult minimizedState(xcb_window_t window);
    AXError moveResize(xcb_window_t window, const AXValue& value, bool position);
    void activate(xcb_window_t window);

    std::unique_ptr<X11Connection> m_connection;
    bool m_connectTried = false;
};
