#pragma once

#include "platform/Accessibility.h"
#include "platform/x11/X11Connection.h"

#include <QElapsedTimer>
#include <QHash>
#include <mutex>

// The accessibility operations over an EWMH window manager. Applications are the processes
// (`_NET_WM_PID`) of managed clients, found by their WM_CLASS class; their windows are their clients.
// Frames are outer frames (decorations included) in the top-left space: root coordinates less the
// primary monitor's top-left corner.
class X11Accessibility final : public Accessibility {
public:
    X11Accessibility();

    // WM_CLASS class names standing in for application identities on X11: the editor's "Code", and
    // the terminal emulators for Terminal.
    static QList<QByteArray> windowClasses(const QString& bundleIdentifier);
    // A client window as an element, and back: how windows are named by their X11 id.
    static AXElement windowElement(qint32 pid, quint32 window);
    static std::optional<quint32> windowOf(const AXElement& element);

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
    // The connection, opened on first use; absent when there is no display or it broke. Each
    // operation takes it once and hands it down, so a connection that breaks half-way only makes
    // the remaining requests fail.
    X11Connection* connection();
    std::optional<QList<xcb_window_t>> listedWindows(qint32 pid);

    AXResult windowsOf(X11Connection& x, qint32 pid);
    AXResult focusedWindowOf(X11Connection& x, qint32 pid);
    struct TitleRequest {
        xcb_get_property_cookie_t netName;
        xcb_get_property_cookie_t wmName;
    };
    static TitleRequest requestTitle(X11Connection& x, xcb_window_t window);
    static AXResult title(X11Connection& x, const TitleRequest& request);
    static AXResult frameOf(X11Connection& x, xcb_window_t window, bool wantPosition);
    static AXResult minimizedState(X11Connection& x, xcb_window_t window);
    static AXError moveResize(X11Connection& x, xcb_window_t window, const AXValue& value, bool position);
    static void leaveFixedStates(X11Connection& x, xcb_window_t window);
    static void activate(X11Connection& x, xcb_window_t window);

    std::unique_ptr<X11Connection> m_connection;
    std::mutex m_connectMutex;
    // The window raised last, with its process: the one its application's activation focuses.
    std::mutex m_raisedMutex;
    std::optional<std::pair<qint32, xcb_window_t>> m_raised;
    // The editor windows of the last application listing, by process.
    struct Listing {
        QHash<qint32, QList<xcb_window_t>> windows;
        QElapsedTimer age;
    };
    std::mutex m_listingMutex;
    Listing m_listing;
};
