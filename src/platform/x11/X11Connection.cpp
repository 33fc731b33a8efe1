#include "platform/x11/X11Connection.h"

#include "platform/x11/X11Reply.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <xcb/randr.h>

namespace {

constexpr const char* atomNames[X11Connection::AtomCount] = {
    "_NET_CLIENT_LIST",
    "_NET_ACTIVE_WINDOW",
    "_NET_WM_NAME",
    "_NET_WM_PID",
    "_NET_FRAME_EXTENTS",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_STATE_MAXIMIZED_VERT",
    "_NET_WM_STATE_MAXIMIZED_HORZ",
    "_NET_WM_STATE_FULLSCREEN",
    "_NET_MOVERESIZE_WINDOW",
    "_NET_RESTACK_WINDOW",
    "WM_STATE",
    "WM_CHANGE_STATE",
    "UTF8_STRING",
    "COMPOUND_TEXT",
};

} // namespace

std::unique_ptr<X11Connection> X11Connection::open()
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (!connection || xcb_connection_has_error(connection)) {
        if (connection)
            xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem; ++i)
        xcb_screen_next(&screens);
    if (!screens.rem) {
        xcb_disconnect(connection);
        return nullptr;
    }

    std::unique_ptr<X11Connection> result(new X11Connection(connection, screens.data->root));
    xcb_intern_atom_cookie_t cookies[AtomCount];
    for (int i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(connection, 0, uint16_t(std::strlen(atomNames[i])), atomNames[i]);
    for (int i = 0; i < AtomCount; ++i) {
        X11Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookies[i], nullptr));
        result->m_atoms[i] = reply ? reply->atom : XCB_NONE;
    }
    if (result->broken())
        return nullptr;
    return result;
}

X11Connection::X11Connection(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root)
{
}

X11Connection::~X11Connection()
{
    xcb_disconnect(m_connection);
}

bool X11Connection::broken() const
{
    return xcb_connection_has_error(m_connection) != 0;
}

xcb_get_property_cookie_t X11Connection::requestProperty(xcb_window_t window, xcb_atom_t property,
                                                         uint32_t maxValues)
{
    return xcb_get_property(m_connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, maxValues);
}

xcb_get_property_cookie_t X11Connection::requestText(xcb_window_t window, xcb_atom_t property)
{
    return requestProperty(window, property, textLimit / 4);
}

std::optional<X11Connection::Property> X11Connection::property(xcb_get_property_cookie_t cookie)
{
    xcb_generic_error_t* error = nullptr;
    X11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(m_connection, cookie, &error));
    std::free(error);
    if (!reply)
        return std::nullopt;
    Property result;
    result.type = reply->type;
    result.format = reply->format;
    result.complete = reply->bytes_after == 0;
    const int length = xcb_get_property_value_length(reply.get());
    if (length > 0)
        result.data = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
    return result;
}

QList<uint32_t> X11Connection::values32(const Property& property)
{
    QList<uint32_t> values;
    const auto count = std::min(property.data.size() / qsizetype(sizeof(uint32_t)), qsizetype(valuesLimit));
    if (property.format != 32 || count == 0)
        return values;
    values.resize(count);
    std::memcpy(values.data(), property.data.constData(), size_t(count) * sizeof(uint32_t));
    return values;
}

namespace {

// Text cut short may end inside a character: its first bytes are dropped. Anything else that is
// wrong stays for the decoder to refuse.
void dropSplitCharacter(QByteArray& utf8)
{
    qsizetype start = utf8.size();
    qsizetype continuations = 0;
    while (continuations < 3 && start > 0 && (static_cast<unsigned char>(utf8[start - 1]) & 0xC0) == 0x80) {
        --start;
        ++continuations;
    }
    if (start == 0)
        return;
    const auto lead = static_cast<unsigned char>(utf8[start - 1]);
    const qsizetype length = lead >= 0xF8 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length > continuations + 1)
        utf8.truncate(start - 1);
}

} // namespace

std::optional<QString> X11Connection::text(const Property& property, xcb_atom_t utf8, xcb_atom_t compound)
{
    if (property.format != 8)
        return std::nullopt;
    QByteArray bytes = property.data.left(textLimit);
    if (property.type == utf8) {
        if (!property.complete || property.data.size() > bytes.size())
            dropSplitCharacter(bytes);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString decoded = decoder.decode(bytes);
        if (decoder.hasError())
            return std::nullopt;
        return decoded;
    }
    if (property.type == XCB_ATOM_STRING)
        return QString::fromLatin1(bytes);
    // Compound text is only read when it is plain ASCII (no escape sequences to interpret).
    if (property.type == compound) {
        for (const char byte : std::as_const(bytes)) {
            if (static_cast<unsigned char>(byte) >= 0x80 || byte == '\x1b')
                return std::nullopt;
        }
        return QString::fromLatin1(bytes);
    }
    return std::nullopt;
}

QByteArray X11Connection::windowClass(const Property& property)
{
    if (property.format != 8)
        return {};
    const QByteArray bytes = property.data.left(textLimit);
    const qsizetype instanceEnd = bytes.indexOf('\0');
    if (instanceEnd < 0)
        return {};
    const qsizetype classEnd = bytes.indexOf('\0', instanceEnd + 1);
    return bytes.mid(instanceEnd + 1, classEnd < 0 ? -1 : classEnd - instanceEnd - 1);
}

std::optional<qint32> X11Connection::processId(const Property& property)
{
    if (property.type != XCB_ATOM_CARDINAL)
        return std::nullopt;
    const auto values = values32(property);
    if (values.isEmpty() || values.first() == 0 || values.first() > uint32_t(INT32_MAX))
        return std::nullopt;
    return qint32(values.first());
}

QList<xcb_window_t> X11Connection::clientList()
{
    const auto list = property(requestProperty(m_root, atom(NET_CLIENT_LIST)));
    if (!list || list->type != XCB_ATOM_WINDOW)
        return {};
    return values32(*list);
}

QList<X11Connection::Client> X11Connection::clients(bool withClass)
{
    const QList<xcb_window_t> windows = clientList();
    QList<xcb_get_property_cookie_t> pidCookies, classCookies;
    for (const xcb_window_t window : windows) {
        pidCookies.append(requestProperty(window, atom(NET_WM_PID), 1));
        if (withClass)
            classCookies.append(requestText(window, XCB_ATOM_WM_CLASS));
    }
    QList<Client> result;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const auto pidProperty = property(pidCookies[i]);
        const auto pid = pidProperty ? processId(*pidProperty) : std::nullopt;
        std::optional<Property> classProperty;
        if (withClass)
            classProperty = property(classCookies[i]);
        if (!pid)
            continue;
        Client client{windows[i], *pid, {}};
        if (classProperty)
            client.windowClass = windowClass(*classProperty);
        result.append(client);
    }
    return result;
}

std::optional<qint32> X11Connection::pidOf(xcb_window_t window)
{
    const auto pid = property(requestProperty(window, atom(NET_WM_PID), 1));
    return pid ? processId(*pid) : std::nullopt;
}

std::optional<xcb_window_t> X11Connection::activeWindow()
{
    const auto active = property(requestProperty(m_root, atom(NET_ACTIVE_WINDOW), 1));
    if (!active || active->type != XCB_ATOM_WINDOW)
        return std::nullopt;
    const auto values = values32(*active);
    if (values.isEmpty() || values.first() == XCB_NONE)
        return std::nullopt;
    return values.first();
}

std::optional<QPoint> X11Connection::primaryOrigin()
{
    if (!m_randrChecked) {
        m_randrChecked = true;
        const xcb_query_extension_reply_t* randr = xcb_get_extension_data(m_connection, &xcb_randr_id);
        if (randr && randr->present) {
            X11Reply<xcb_randr_query_version_reply_t> version(xcb_randr_query_version_reply(
                m_connection, xcb_randr_query_version(m_connection, 1, 5), nullptr));
            m_hasMonitors = version && (version->major_version > 1 || version->minor_version >= 5);
        }
    }
    if (broken())
        return std::nullopt;
    if (!m_hasMonitors)
        return QPoint(0, 0);
    X11Reply<xcb_randr_get_monitors_reply_t> reply(
        xcb_randr_get_monitors_reply(m_connection, xcb_randr_get_monitors(m_connection, m_root, 1), nullptr));
    if (!reply)
        return broken() ? std::nullopt : std::optional<QPoint>(QPoint(0, 0));
    std::optional<QPoint> first;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
         xcb_randr_monitor_info_next(&it)) {
        const QPoint corner(it.data->x, it.data->y);
        if (it.data->primary)
            return corner;
        if (!first)
            first = corner;
    }
    return first.value_or(QPoint(0, 0));
}

void X11Connection::sendRootMessage(xcb_window_t window, xcb_atom_t type, const uint32_t (&data)[5])
{
    sendRootMessage(m_connection, m_root, window, type, data);
}

void X11Connection::sendRootMessage(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                                    const uint32_t (&data)[5])
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    std::memcpy(event.data.data32, data, sizeof data);
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

void X11Connection::sync()
{
    X11Reply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
}

void X11Connection::drainEvents()
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
        std::free(event);
}
