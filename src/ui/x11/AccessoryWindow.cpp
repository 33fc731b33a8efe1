#include "ui/AccessoryWindow.h"

#include "core/shell/XSettings.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Reply.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <xcb/xcb.h>

namespace {

xcb_atom_t intern(xcb_connection_t* c, const char* name, uint16_t length)
{
    X11Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, length, name), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

// The toolkit's own connection; none on the offscreen platform.
xcb_connection_t* qtConnection()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace

namespace AccessoryWindow {

// The state of a window about to be mapped is its own property; the toolkit adds its states to
// the ones it finds there.
void prepare(QWidget* window)
{
    xcb_connection_t* c = qtConnection();
    if (!c || window->isVisible())
        return;
    static const xcb_atom_t state = intern(c, "_NET_WM_STATE", 13);
    static const xcb_atom_t atoms[2] = {intern(c, "_NET_WM_STATE_SKIP_TASKBAR", 26),
                                        intern(c, "_NET_WM_STATE_SKIP_PAGER", 24)};
    if (state == XCB_NONE || atoms[0] == XCB_NONE || atoms[1] == XCB_NONE)
        return;
    const auto id = xcb_window_t(window->winId());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, state, XCB_ATOM_ATOM, 32, 2, atoms);
    xcb_flush(c);
}

// A compositing manager owns the selection _NET_WM_CM_S<screen>. Without an X11 display (the
// offscreen platform) there is nothing to fall back from.
bool compositing()
{
    xcb_connection_t* c = qtConnection();
    if (!c)
        return true;
    static const xcb_atom_t selection = intern(c, "_NET_WM_CM_S0", 13);
    X11Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    return owner && owner->owner != XCB_NONE;
}

// Asked as a pager asks (source 2), the window manager honours the request; asked as an
// application, it may refuse it while the user's last input went to another window.
void takeKeyboard(QWidget* window)
{
    window->raise();
    window->activateWindow();
    xcb_connection_t* c = qtConnection();
    if (!c)
        return;
    static const xcb_atom_t active = intern(c, "_NET_ACTIVE_WINDOW", 18);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (active == XCB_NONE || !screen)
        return;
    const uint32_t data[5] = {2, XCB_CURRENT_TIME, 0, 0, 0};
    X11Connection::sendRootMessage(c, screen->root, xcb_window_t(window->winId()), active, data);
    xcb_flush(c);
}

// The window's flags say it all to an X11 desktop.
void showOverlay(QWidget* window)
{
    window->show();
}

// The C library keeps freed memory for its next requests; a resident program that is hidden most
// of the time gives it back.
void returnFreedMemory()
{
    malloc_trim(0);
}

void setOpacity(QWidget* window, double opacity)
{
    window->setWindowOpacity(opacity);
    if (xcb_connection_t* c = qtConnection())
        xcb_flush(c);
}

// The desktop's settings manager publishes whether animations are on; without one, or with
// settings that cannot be read, nothing asks for less motion.
bool reducedMotion()
{
    xcb_connection_t* c = qtConnection();
    if (!c)
        return false;
    static const QByteArray selectionName = XSettings::selection(qgetenv("DISPLAY"));
    static const xcb_atom_t selection = intern(c, selectionName.constData(), uint16_t(selectionName.size()));
    static const xcb_atom_t settings = intern(c, "_XSETTINGS_SETTINGS", 19);
    if (selection == XCB_NONE || settings == XCB_NONE)
        return false;
    X11Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
    if (!owner || owner->owner == XCB_NONE)
        return false;
    // A desktop's settings take a few kilobytes (GNOME's about three). The bound keeps a broken or
    // hostile manager from having megabytes copied each time an effect starts; a property past it
    // is not read at all.
    constexpr uint32_t limit = 64 * 1024;
    xcb_generic_error_t* error = nullptr; // the manager may have gone since: its window with it
    X11Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, owner->owner, settings, settings, 0, limit / 4), &error));
    X11Reply<xcb_generic_error_t> failed(error);
    if (!reply || reply->type != settings || reply->format != 8 || reply->bytes_after != 0)
        return false;
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return XSettings::reducedMotion(QByteArrayView(bytes, xcb_get_property_value_length(reply.get())));
}

} // namespace AccessoryWindow
