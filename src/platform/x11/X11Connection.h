#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

// A private connection to the X server with the EWMH atoms the product uses, interned once.
// Reads are pipelined: callers send every request of a batch first and then collect the replies.
class X11Connection {
public:
    enum Atom {
        NET_CLIENT_LIST,
        NET_ACTIVE_WINDOW,
        NET_WM_NAME,
        NET_WM_PID,
        NET_FRAME_EXTENTS,
        NET_WM_STATE,
        NET_WM_STATE_HIDDEN,
        NET_WM_STATE_MAXIMIZED_VERT,
        NET_WM_STATE_MAXIMIZED_HORZ,
        NET_WM_STATE_FULLSCREEN,
        NET_MOVERESIZE_WINDOW,
        NET_RESTACK_WINDOW,
        WM_STATE,
        WM_CHANGE_STATE,
        UTF8_STRING,
        COMPOUND_TEXT,
        AtomCount
    };

    // Absent when no display can be opened.
    static std::unique_ptr<X11Connection> open();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* raw() const { return m_connection; }
    xcb_window_t root() const { return m_root; }
    xcb_atom_t atom(Atom which) const { return m_atoms[which]; }
    bool broken() const;

    // How much of a property is read. Text (titles, WM_CLASS) is for showing on one line of a panel
    // that elides it: 64 KiB is far more than anyone can see there, and yet long enough for a title
    // naming a folder of the longest path the system allows. Beyond it a window can only slow every
    // listing down, with megabytes to copy and decode each time. Lists of 32-bit values hold windows
    // or atoms, of which a desktop has some thousands at most.
    static constexpr uint32_t textLimit = 64 * 1024; // bytes
    static constexpr uint32_t valuesLimit = 64 * 1024;

    struct Property {
        xcb_atom_t type = XCB_NONE;
        uint8_t format = 0;
        QByteArray data;
        bool complete = true; // false when the value goes on past what was read
    };
    // Up to `maxValues` 32-bit units of the value (four bytes of text each).
    xcb_get_property_cookie_t requestProperty(xcb_window_t window, xcb_atom_t property,
                                              uint32_t maxValues = valuesLimit);
    // A text property, up to textLimit bytes.
    xcb_get_property_cookie_t requestText(xcb_window_t window, xcb_atom_t property);
    // Absent when the window is gone or the read failed; a property that is not set has type None.
    std::optional<Property> property(xcb_get_property_cookie_t cookie);

    // What a property holds, from its bytes alone (any program can set them to anything).
    // The 32-bit values of a property (CARDINAL or WINDOW lists), valuesLimit of them at most.
    static QList<uint32_t> values32(const Property& property);
    // A title: UTF8_STRING (strictly), STRING (Latin-1) or plain-ASCII compound text, of which
    // textLimit bytes at most are decoded; UTF-8 cut short loses the character split at the cut.
    // Absent for any other type, or UTF-8 that does not decode.
    static std::optional<QString> text(const Property& property, xcb_atom_t utf8, xcb_atom_t compound);
    // The class part of WM_CLASS ("instance\0class\0"); empty without one.
    static QByteArray windowClass(const Property& property);
    // _NET_WM_PID; absent unless a CARDINAL from 1 to INT32_MAX.
    static std::optional<qint32> processId(const Property& property);

    // Managed client windows, oldest first; empty without a window manager.
    QList<xcb_window_t> clientList();

    // Managed clients with the process that owns them (`_NET_WM_PID`), in client-list order;
    // clients without a process id are left out.
    struct Client {
        xcb_window_t window;
        qint32 pid;
        QByteArray windowClass; // the class part of WM_CLASS, when asked for
    };
    QList<Client> clients(bool withClass);
    std::optional<qint32> pidOf(xcb_window_t window);
    std::optional<xcb_window_t> activeWindow();

    // The top-left corner of the primary monitor in root coordinates: the origin of the top-left
    // space window frames are given in. The RandR monitor marked primary, else the first one; the
    // root's origin without RandR.
    std::optional<QPoint> primaryOrigin();

    // Sends an EWMH client message to the root window; also on a connection of someone else's.
    void sendRootMessage(xcb_window_t window, xcb_atom_t type, const uint32_t (&data)[5]);
    static void sendRootMessage(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                                const uint32_t (&data)[5]);
    // Waits until the server has handled every request sent so far.
    void sync();
    // Drops queued events and errors of requests whose outcome nobody waits for.
    void drainEvents();

private:
    X11Connection(xcb_connection_t* connection, xcb_window_t root);

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    xcb_atom_t m_atoms[AtomCount] = {};
    bool m_randrChecked = false;
    bool m_hasMonitors = false;
};
