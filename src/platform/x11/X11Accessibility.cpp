#include "platform/x11/X11Accessibility.h"

#include "platform/linux/TerminalEmulators.h"
#include "platform/x11/X11Reply.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <unistd.h>

namespace {

struct X11Element final : AXElementData {
    enum Kind { application, clientWindow };
    X11Element(Kind kind, qint32 pid, xcb_window_t window, std::optional<AXResult> listedTitle = std::nullopt)
        : kind(kind), pid(pid), window(window), listedTitle(std::move(listedTitle))
    {
    }
    // The title read with the window list, answered once (the next reads ask the server again).
    std::optional<AXResult> takeListedTitle() const
    {
        if (!listedTitle || listedTitleTaken.exchange(true))
            return std::nullopt;
        return listedTitle;
    }

    Kind kind;
    qint32 pid;
    xcb_window_t window;
    std::optional<AXResult> listedTitle;
    mutable std::atomic<bool> listedTitleTaken = false;
};

const X11Element* x11Element(const AXElement& element)
{
    return dynamic_cast<const X11Element*>(element.get());
}

AXResult failed(AXError error)
{
    return AXResult{error, std::monostate{}};
}

// _NET_MOVERESIZE_WINDOW flags: north-west gravity (the outer frame's corner), x/y/width/height
// present, and source indication 2 (a pager or similar tool acting for the user).
constexpr uint32_t northWestGravity = 1;
constexpr uint32_t moveFlags = (1u << 8) | (1u << 9);
constexpr uint32_t sizeFlags = (1u << 10) | (1u << 11);
constexpr uint32_t sourceIndication = 2u << 12;

constexpr uint32_t iconicState = 3;

// _NET_WM_STATE: remove, from a pager-like tool.
constexpr uint32_t stateRemove = 0;
constexpr uint32_t sourceIndicationState = 2;

// A window list read to find the applications serves their window lists this long.
constexpr int listingLifetimeMs = 1000;

} // namespace

X11Accessibility::X11Accessibility() = default;

QList<QByteArray> X11Accessibility::windowClasses(const QString& bundleIdentifier)
{
    if (bundleIdentifier == QStringLiteral("com.microsoft.VSCode"))
        return {QByteArrayLiteral("Code")};
    if (bundleIdentifier == QStringLiteral("com.apple.Terminal")) {
        QList<QByteArray> classes;
        for (const TerminalEmulators::Emulator& emulator : TerminalEmulators::known)
            classes.append(emulator.windowClass);
        return classes;
    }
    return {};
}

AXElement X11Accessibility::windowElement(qint32 pid, quint32 window)
{
    return std::make_shared<X11Element>(X11Element::clientWindow, pid, window);
}

std::optional<quint32> X11Accessibility::windowOf(const AXElement& element)
{
    const X11Element* e = x11Element(element);
    if (!e || e->kind != X11Element::clientWindow)
        return std::nullopt;
    return e->window;
}

// Without a connection (none yet, or the first try failed) each call tries again; one that broke
// stays broken, since its display is gone.
X11Connection* X11Accessibility::connection()
{
    {
        const std::lock_guard lock(m_connectMutex);
        if (!m_connection)
            m_connection = X11Connection::open();
    }
    if (!m_connection || m_connection->broken())
        return nullptr;
    m_connection->drainEvents();
    return m_connection.get();
}

bool X11Accessibility::isProcessTrusted(bool)
{
    return connection() != nullptr;
}

// The client list read to find the applications is the one their windows are taken from: one read
// of the list per listing, however many processes the application runs. Each process's windows are
// answered from it once, and only while it is fresh.
QList<qint32> X11Accessibility::runningApplications(const QString& bundleIdentifier)
{
    const QList<QByteArray> wanted = windowClasses(bundleIdentifier);
    X11Connection* x = connection();
    if (wanted.isEmpty() || !x)
        return {};
    QList<qint32> pids;
    QHash<qint32, QList<xcb_window_t>> windows;
    for (const Client& client : x->clients(true)) {
        if (!wanted.contains(client.windowClass))
            continue;
        if (!windows.contains(client.pid))
            pids.append(client.pid);
        windows[client.pid].append(client.window);
    }
    const std::lock_guard lock(m_listingMutex);
    m_listing.windows = std::move(windows);
    m_listing.age.start();
    return pids;
}

std::optional<QList<xcb_window_t>> X11Accessibility::listedWindows(qint32 pid)
{
    const std::lock_guard lock(m_listingMutex);
    if (!m_listing.age.isValid() || m_listing.age.hasExpired(listingLifetimeMs))
        m_listing.windows.clear();
    if (!m_listing.windows.contains(pid))
        return std::nullopt;
    return m_listing.windows.take(pid);
}

AXElement X11Accessibility::applicationElement(qint32 pid)
{
    return std::make_shared<X11Element>(X11Element::application, pid, XCB_NONE);
}

AXResult X11Accessibility::copyAttribute(const AXElement& element, const QString& attribute)
{
    const X11Element* e = x11Element(element);
    if (!e)
        return failed(AXError::illegalArgument);
    X11Connection* x = connection();
    if (!x)
        return failed(AXError::cannotComplete);

    if (e->kind == X11Element::application) {
        if (attribute == AXAttribute::windows)
            return windowsOf(*x, e->pid);
        if (attribute == AXAttribute::focusedWindow)
            return focusedWindowOf(*x, e->pid);
        return failed(AXError::attributeUnsupported);
    }
    if (attribute == AXAttribute::title) {
        if (auto listed = e->takeListedTitle())
            return *std::move(listed);
        return title(*x, requestTitle(*x, e->window));
    }
    if (attribute == AXAttribute::position)
        return frameOf(*x, e->window, true);
    if (attribute == AXAttribute::size)
        return frameOf(*x, e->window, false);
    if (attribute == AXAttribute::minimized)
        return minimizedState(*x, e->window);
    return failed(AXError::attributeUnsupported);
}

// The titles come along, read in one batch, since a window list is read to look at the titles.
AXResult X11Accessibility::windowsOf(X11Connection& x, qint32 pid)
{
    QList<xcb_window_t> own;
    if (auto listed = listedWindows(pid)) {
        own = *std::move(listed);
    } else {
        for (const Client& client : x.clients(false)) {
            if (client.pid == pid)
                own.append(client.window);
        }
    }
    QList<TitleRequest> requests;
    requests.reserve(own.size());
    for (const xcb_window_t window : own)
        requests.append(requestTitle(x, window));
    AXElementList windows;
    windows.reserve(own.size());
    for (qsizetype i = 0; i < own.size(); ++i)
        windows.append(
            std::make_shared<X11Element>(X11Element::clientWindow, pid, own[i], title(x, requests[i])));
    return AXResult{AXError::success, windows};
}

AXResult X11Accessibility::focusedWindowOf(X11Connection& x, qint32 pid)
{
    const auto active = x.activeWindow();
    if (!active || x.pidOf(*active) != pid)
        return failed(AXError::noValue);
    return AXResult{AXError::success,
                    AXElement(std::make_shared<X11Element>(X11Element::clientWindow, pid, *active))};
}

X11Accessibility::TitleRequest X11Accessibility::requestTitle(X11Connection& x, xcb_window_t window)
{
    return {x.requestText(window, x.atom(X11Connection::NET_WM_NAME)),
            x.requestText(window, XCB_ATOM_WM_NAME)};
}

AXResult X11Accessibility::title(X11Connection& x, const TitleRequest& request)
{
    const auto netProperty = x.property(request.netName);
    const auto wmProperty = x.property(request.wmName);
    if (!netProperty || !wmProperty)
        return failed(AXError::invalidUIElement);
    const xcb_atom_t utf8 = x.atom(X11Connection::UTF8_STRING);
    const xcb_atom_t compound = x.atom(X11Connection::COMPOUND_TEXT);
    // _NET_WM_NAME is never compound text.
    if (auto title = X11Connection::text(*netProperty, utf8, utf8))
        return AXResult{AXError::success, *title};
    if (auto title = X11Connection::text(*wmProperty, utf8, compound))
        return AXResult{AXError::success, *title};
    return failed(AXError::noValue);
}

// Positions are in the top-left space: root coordinates less the primary monitor's corner.
AXResult X11Accessibility::frameOf(X11Connection& x, xcb_window_t window, bool wantPosition)
{
    xcb_connection_t* c = x.raw();
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto originCookie = xcb_translate_coordinates(c, window, x.root(), 0, 0);
    const auto extentsCookie = x.requestProperty(window, x.atom(X11Connection::NET_FRAME_EXTENTS), 4);

    X11Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    X11Reply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, originCookie, nullptr));
    const auto extentsProperty = x.property(extentsCookie);
    const auto primary = wantPosition ? x.primaryOrigin() : std::optional<QPoint>(QPoint());
    if (!geometry || !origin || !extentsProperty || !primary)
        return failed(AXError::invalidUIElement);
    // left, right, top, bottom decoration sizes; none without a reparenting window manager.
    auto extents = extentsProperty->type == XCB_ATOM_CARDINAL ? X11Connection::values32(*extentsProperty)
                                                              : QList<uint32_t>{};
    extents.resize(4);
    const double left = extents[0], right = extents[1], top = extents[2], bottom = extents[3];
    if (wantPosition)
        return AXResult{AXError::success,
                        QPointF(origin->dst_x - left - primary->x(), origin->dst_y - top - primary->y())};
    return AXResult{AXError::success,
                    QSizeF(geometry->width + left + right, geometry->height + top + bottom)};
}

AXResult X11Accessibility::minimizedState(X11Connection& x, xcb_window_t window)
{
    const auto netState = x.requestProperty(window, x.atom(X11Connection::NET_WM_STATE));
    const auto wmState = x.requestProperty(window, x.atom(X11Connection::WM_STATE), 1);
    const auto netProperty = x.property(netState);
    const auto wmProperty = x.property(wmState);
    if (!netProperty || !wmProperty)
        return failed(AXError::invalidUIElement);
    const bool hidden =
        X11Connection::values32(*netProperty).contains(x.atom(X11Connection::NET_WM_STATE_HIDDEN));
    const auto icccm = X11Connection::values32(*wmProperty);
    const bool iconic = !icccm.isEmpty() && icccm.first() == iconicState;
    return AXResult{AXError::success, hidden || iconic};
}

AXError X11Accessibility::setAttribute(const AXElement& element, const QString& attribute,
                                       const AXValue& value)
{
    const X11Element* e = x11Element(element);
    if (!e)
        return AXError::illegalArgument;
    X11Connection* x = connection();
    if (!x)
        return AXError::cannotComplete;
    if (e->kind != X11Element::clientWindow)
        return AXError::attributeUnsupported;

    if (attribute == AXAttribute::position)
        return moveResize(*x, e->window, value, true);
    if (attribute == AXAttribute::size)
        return moveResize(*x, e->window, value, false);
    if (attribute == AXAttribute::minimized) {
        const bool* minimize = std::get_if<bool>(&value);
        if (!minimize)
            return AXError::illegalArgument;
        if (*minimize) {
            const uint32_t data[5] = {iconicState, 0, 0, 0, 0};
            x->sendRootMessage(e->window, x->atom(X11Connection::WM_CHANGE_STATE), data);
        } else {
            xcb_map_window(x->raw(), e->window);
            activate(*x, e->window);
        }
        x->sync();
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

// A maximised or full-screen window keeps its place whatever it is asked: it leaves those states
// first, as a minimised one is shown again before it is moved.
void X11Accessibility::leaveFixedStates(X11Connection& x, xcb_window_t window)
{
    const auto state = x.property(x.requestProperty(window, x.atom(X11Connection::NET_WM_STATE)));
    if (!state)
        return;
    const QList<uint32_t> atoms = X11Connection::values32(*state);
    const xcb_atom_t vertical = x.atom(X11Connection::NET_WM_STATE_MAXIMIZED_VERT);
    const xcb_atom_t horizontal = x.atom(X11Connection::NET_WM_STATE_MAXIMIZED_HORZ);
    const xcb_atom_t fullScreen = x.atom(X11Connection::NET_WM_STATE_FULLSCREEN);
    const xcb_atom_t netState = x.atom(X11Connection::NET_WM_STATE);
    if (atoms.contains(fullScreen)) {
        const uint32_t data[5] = {stateRemove, fullScreen, XCB_NONE, sourceIndicationState, 0};
        x.sendRootMessage(window, netState, data);
    }
    if (atoms.contains(vertical) || atoms.contains(horizontal)) {
        const uint32_t data[5] = {stateRemove, vertical, horizontal, sourceIndicationState, 0};
        x.sendRootMessage(window, netState, data);
    }
}

AXError X11Accessibility::moveResize(X11Connection& x, xcb_window_t window, const AXValue& value,
                                     bool position)
{
    uint32_t data[5] = {northWestGravity | sourceIndication, 0, 0, 0, 0};
    if (position) {
        const QPointF* point = std::get_if<QPointF>(&value);
        const auto primary = x.primaryOrigin();
        if (!primary)
            return AXError::cannotComplete;
        if (!point || !std::isfinite(point->x()) || !std::isfinite(point->y()))
            return AXError::illegalArgument;
        const double rootX = point->x() + primary->x(), rootY = point->y() + primary->y();
        if (std::fabs(rootX) > 32767 || std::fabs(rootY) > 32767)
            return AXError::illegalArgument;
        data[0] |= moveFlags;
        data[1] = uint32_t(int32_t(std::trunc(rootX))); // cut, not rounded: cells meet without overlapping
        data[2] = uint32_t(int32_t(std::trunc(rootY)));
    } else {
        const QSizeF* size = std::get_if<QSizeF>(&value);
        if (!size || !std::isfinite(size->width()) || !std::isfinite(size->height()))
            return AXError::illegalArgument;
        // The request carries the client size: take the decorations off the outer size.
        const AXResult outer = frameOf(x, window, false);
        const QSizeF* current = std::get_if<QSizeF>(&outer.value);
        X11Reply<xcb_get_geometry_reply_t> geometry(
            current ? xcb_get_geometry_reply(x.raw(), xcb_get_geometry(x.raw(), window), nullptr) : nullptr);
        if (!geometry)
            return AXError::invalidUIElement;
        const double decorationWidth = current->width() - geometry->width;
        const double decorationHeight = current->height() - geometry->height;
        const double width = std::clamp(size->width() - decorationWidth, 1.0, 32767.0);
        const double height = std::clamp(size->height() - decorationHeight, 1.0, 32767.0);
        data[0] |= sizeFlags;
        data[3] = uint32_t(std::trunc(width));
        data[4] = uint32_t(std::trunc(height));
    }
    leaveFixedStates(x, window);
    x.sendRootMessage(window, x.atom(X11Connection::NET_MOVERESIZE_WINDOW), data);
    x.sync();
    return AXError::success;
}

AXError X11Accessibility::performAction(const AXElement& element, const QString& action)
{
    const X11Element* e = x11Element(element);
    if (!e)
        return AXError::illegalArgument;
    X11Connection* x = connection();
    if (!x)
        return AXError::cannotComplete;
    if (e->kind != X11Element::clientWindow || action != AXAction::raise)
        return AXError::actionUnsupported;
    // Raising puts the window in front of the others without giving it the keyboard, as the raise
    // of an accessibility service does; activating its application afterwards gives it that.
    const uint32_t data[5] = {sourceIndicationState, XCB_NONE, XCB_STACK_MODE_ABOVE, 0, 0};
    x->sendRootMessage(e->window, x->atom(X11Connection::NET_RESTACK_WINDOW), data);
    x->sync();
    const std::lock_guard lock(m_raisedMutex);
    m_raised = {e->pid, e->window};
    return AXError::success;
}

void X11Accessibility::activate(X11Connection& x, xcb_window_t window)
{
    const uint32_t current = x.activeWindow().value_or(XCB_NONE);
    const uint32_t data[5] = {2, XCB_CURRENT_TIME, current, 0, 0};
    x.sendRootMessage(window, x.atom(X11Connection::NET_ACTIVE_WINDOW), data);
}

bool X11Accessibility::activateApplication(qint32 pid)
{
    // The application's window raised last takes the keyboard; activation also tells whether the
    // process is still on the desktop.
    X11Connection* x = connection();
    if (!x)
        return false;
    std::optional<xcb_window_t> raised;
    {
        const std::lock_guard lock(m_raisedMutex);
        if (m_raised && m_raised->first == pid)
            raised = m_raised->second;
        m_raised.reset();
    }
    if (raised) {
        activate(*x, *raised);
        x->sync();
    }
    for (const Client& client : x->clients(false)) {
        if (client.pid == pid)
            return true;
    }
    return false;
}

std::optional<qint32> X11Accessibility::frontmostApplication()
{
    X11Connection* x = connection();
    if (!x)
        return std::nullopt;
    const auto active = x->activeWindow();
    if (!active)
        return std::nullopt;
    return x->pidOf(*active);
}

qint32 X11Accessibility::ownProcessIdentifier()
{
    return qint32(::getpid());
}
