#include "platform/x11/X11Accessibility.h"

#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <cmath>
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

// Strict UTF-8: a title that does not decode is not read at all.
std::optional<QString> decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> decodeTitle(const X11Connection::Property& property, xcb_atom_t utf8,
                                   xcb_atom_t compound)
{
    if (property.format != 8)
        return std::nullopt;
    if (property.type == utf8)
        return decodeUtf8(property.data);
    if (property.type == XCB_ATOM_STRING)
        return QString::fromLatin1(property.data);
    // Compound text is only read when it is plain ASCII (no escape sequences to interpret).
    if (property.type == compound) {
        for (const char byte : property.data) {
            if (static_cast<unsigned char>(byte) >= 0x80 || byte == '\x1b')
                return std::nullopt;
        }
        return QString::fromLatin1(property.data);
    }
    return std::nullopt;
}

// _NET_MOVERESIZE_WINDOW flags: north-west gravity (the outer frame's corner), x/y/width/height
// present, and source indication 2 (a pager or similar tool acting for the user).
constexpr uint32_t northWestGravity = 1;
constexpr uint32_t moveFlags = (1u << 8) | (1u << 9);
constexpr uint32_t sizeFlags = (1u << 10) | (1u << 11);
constexpr uint32_t sourceIndication = 2u << 12;

constexpr uint32_t iconicState = 3;

} // namespace

X11Accessibility::X11Accessibility() = default;

QString X11Accessibility::windowClass(const QString& bundleIdentifier)
{
    if (bundleIdentifier == QStringLiteral("com.microsoft.VSCode"))
        return QStringLiteral("Code");
    return {};
}

X11Connection* X11Accessibility::connection()
{
    if (!m_connectTried) {
        m_connectTried = true;
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

QList<X11Accessibility::Client> X11Accessibility::clients(bool withClass)
{
    X11Connection* x = connection();
    return x ? x->clients(withClass) : QList<Client>{};
}

QList<qint32> X11Accessibility::runningApplications(const QString& bundleIdentifier)
{
    const QByteArray wanted = windowClass(bundleIdentifier).toLatin1();
    if (wanted.isEmpty())
        return {};
    QList<qint32> pids;
    for (const Client& client : clients(true)) {
        if (client.windowClass == wanted && !pids.contains(client.pid))
            pids.append(client.pid);
    }
    return pids;
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
    if (!connection())
        return failed(AXError::cannotComplete);

    if (e->kind == X11Element::application) {
        if (attribute == AXAttribute::windows)
            return windowsOf(e->pid);
        if (attribute == AXAttribute::focusedWindow)
            return focusedWindowOf(e->pid);
        return failed(AXError::attributeUnsupported);
    }
    if (attribute == AXAttribute::title) {
        if (auto listed = e->takeListedTitle())
            return *std::move(listed);
        return titleOf(e->window);
    }
    if (attribute == AXAttribute::position)
        return frameOf(e->window, true);
    if (attribute == AXAttribute::size)
        return frameOf(e->window, false);
    if (attribute == AXAttribute::minimized)
        return minimizedState(e->window);
    return failed(AXError::attributeUnsupported);
}

// The titles come along, read in one batch, since a window list is read to look at the titles.
AXResult X11Accessibility::windowsOf(qint32 pid)
{
    QList<std::pair<xcb_window_t, TitleRequest>> requests;
    for (const Client& client : clients(false)) {
        if (client.pid == pid)
            requests.append({client.window, requestTitle(client.window)});
    }
    AXElementList windows;
    windows.reserve(requests.size());
    for (const auto& [window, request] : requests)
        windows.append(std::make_shared<X11Element>(X11Element::clientWindow, pid, window, title(request)));
    return AXResult{AXError::success, windows};
}

AXResult X11Accessibility::focusedWindowOf(qint32 pid)
{
    const auto active = connection()->activeWindow();
    if (!active || connection()->pidOf(*active) != pid)
        return failed(AXError::noValue);
    return AXResult{AXError::success,
                    AXElement(std::make_shared<X11Element>(X11Element::clientWindow, pid, *active))};
}

X11Accessibility::TitleRequest X11Accessibility::requestTitle(xcb_window_t window)
{
    X11Connection* x = connection();
    return {x->requestProperty(window, x->atom(X11Connection::NET_WM_NAME)),
            x->requestProperty(window, XCB_ATOM_WM_NAME)};
}

AXResult X11Accessibility::titleOf(xcb_window_t window)
{
    return title(requestTitle(window));
}

AXResult X11Accessibility::title(const TitleRequest& request)
{
    X11Connection* x = connection();
    const auto netProperty = x->property(request.netName);
    const auto wmProperty = x->property(request.wmName);
    if (!netProperty || !wmProperty)
        return failed(AXError::invalidUIElement);
    const xcb_atom_t utf8 = x->atom(X11Connection::UTF8_STRING);
    const xcb_atom_t compound = x->atom(X11Connection::COMPOUND_TEXT);
    if (auto title = decodeTitle(*netProperty, utf8, utf8))
        return AXResult{AXError::success, *title};
    if (auto title = decodeTitle(*wmProperty, utf8, compound))
        return AXResult{AXError::success, *title};
    return failed(AXError::noValue);
}

AXResult X11Accessibility::frameOf(xcb_window_t window, bool wantPosition)
{
    X11Connection* x = connection();
    xcb_connection_t* c = x->raw();
    const auto geometryCookie = xcb_get_geometry(c, window);
    const auto originCookie = xcb_translate_coordinates(c, window, x->root(), 0, 0);
    const auto extentsCookie = x->requestProperty(window, x->atom(X11Connection::NET_FRAME_EXTENTS));

    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(c, geometryCookie, nullptr);
    xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(c, originCookie, nullptr);
    const auto extentsProperty = x->property(extentsCookie);
    const bool ok = geometry && origin && extentsProperty;
    AXResult result = failed(AXError::invalidUIElement);
    if (ok) {
        // left, right, top, bottom decoration sizes; none without a reparenting window manager.
        auto extents = extentsProperty->type == XCB_ATOM_CARDINAL ? X11Connection::values32(*extentsProperty)
                                                                  : QList<uint32_t>{};
        extents.resize(4);
        const double left = extents[0], right = extents[1], top = extents[2], bottom = extents[3];
        if (wantPosition)
            result = AXResult{AXError::success, QPointF(origin->dst_x - left, origin->dst_y - top)};
        else
            result = AXResult{AXError::success,
                              QSizeF(geometry->width + left + right, geometry->height + top + bottom)};
    }
    std::free(geometry);
    std::free(origin);
    return result;
}

AXResult X11Accessibility::minimizedState(xcb_window_t window)
{
    X11Connection* x = connection();
    const auto netState = x->requestProperty(window, x->atom(X11Connection::NET_WM_STATE));
    const auto wmState = x->requestProperty(window, x->atom(X11Connection::WM_STATE));
    const auto netProperty = x->property(netState);
    const auto wmProperty = x->property(wmState);
    if (!netProperty || !wmProperty)
        return failed(AXError::invalidUIElement);
    const bool hidden =
        X11Connection::values32(*netProperty).contains(x->atom(X11Connection::NET_WM_STATE_HIDDEN));
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
        return moveResize(e->window, value, true);
    if (attribute == AXAttribute::size)
        return moveResize(e->window, value, false);
    if (attribute == AXAttribute::minimized) {
        const bool* minimize = std::get_if<bool>(&value);
        if (!minimize)
            return AXError::illegalArgument;
        if (*minimize) {
            const uint32_t data[5] = {iconicState, 0, 0, 0, 0};
            x->sendRootMessage(e->window, x->atom(X11Connection::WM_CHANGE_STATE), data);
        } else {
            xcb_map_window(x->raw(), e->window);
            activate(e->window);
        }
        x->sync();
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

AXError X11Accessibility::moveResize(xcb_window_t window, const AXValue& value, bool position)
{
    X11Connection* x = connection();
    uint32_t data[5] = {northWestGravity | sourceIndication, 0, 0, 0, 0};
    if (position) {
        const QPointF* point = std::get_if<QPointF>(&value);
        if (!point || !std::isfinite(point->x()) || !std::isfinite(point->y()) ||
            std::fabs(point->x()) > 32767 || std::fabs(point->y()) > 32767)
            return AXError::illegalArgument;
        data[0] |= moveFlags;
        data[1] = uint32_t(int32_t(std::lround(point->x())));
        data[2] = uint32_t(int32_t(std::lround(point->y())));
    } else {
        const QSizeF* size = std::get_if<QSizeF>(&value);
        if (!size || !std::isfinite(size->width()) || !std::isfinite(size->height()))
            return AXError::illegalArgument;
        // The request carries the client size: take the decorations off the outer size.
        const AXResult outer = frameOf(window, false);
        const QSizeF* current = std::get_if<QSizeF>(&outer.value);
        xcb_get_geometry_reply_t* geometry =
            current ? xcb_get_geometry_reply(x->raw(), xcb_get_geometry(x->raw(), window), nullptr) : nullptr;
        if (!geometry)
            return AXError::invalidUIElement;
        const double decorationWidth = current->width() - geometry->width;
        const double decorationHeight = current->height() - geometry->height;
        std::free(geometry);
        const double width = std::clamp(size->width() - decorationWidth, 1.0, 32767.0);
        const double height = std::clamp(size->height() - decorationHeight, 1.0, 32767.0);
        data[0] |= sizeFlags;
        data[3] = uint32_t(std::lround(width));
        data[4] = uint32_t(std::lround(height));
    }
    x->sendRootMessage(window, x->atom(X11Connection::NET_MOVERESIZE_WINDOW), data);
    x->sync();
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
    activate(e->window);
    x->sync();
    return AXError::success;
}

void X11Accessibility::activate(xcb_window_t window)
{
    X11Connection* x = connection();
    const uint32_t current = x->activeWindow().value_or(XCB_NONE);
    const uint32_t data[5] = {2, XCB_CURRENT_TIME, current, 0, 0};
    x->sendRootMessage(window, x->atom(X11Connection::NET_ACTIVE_WINDOW), data);
}

bool X11Accessibility::activateApplication(qint32 pid)
{
    // Raising a window already activated it: here activation only tells whether the process is
    // still on the desktop.
    for (const Client& client : clients(false)) {
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
