#pragma once

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Reply.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

// Polls `condition` every `stepMs` until it holds, for up to `ms`.
inline bool waitUntil(const std::function<bool()>& condition, int ms = 5000, int stepMs = 20)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QThread::msleep(static_cast<unsigned long>(stepMs));
    }
    return true;
}
// Holds `condition` false for the whole time.
inline bool staysFalse(const std::function<bool()>& condition, int ms = 900)
{
    return !waitUntil(condition, ms);
}

// The reply to a request, null when it failed: ask(c, xcb_get_geometry(c, w), xcb_get_geometry_reply).
template <typename Cookie, typename Reply>
X11Reply<Reply> ask(xcb_connection_t* c, Cookie cookie,
                    Reply* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**))
{
    return X11Reply<Reply>(reply(c, cookie, nullptr));
}

// A one-shot run of the executable: its status and standard output (-1 and nothing when it crashed
// or hung), and its standard error in `errors` when given.
inline std::pair<int, QString> runPanedeck(const QStringList& args,
                                           const QProcessEnvironment& environment =
                                               QProcessEnvironment::systemEnvironment(),
                                           QString* errors = nullptr)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(PANEDECK_BINARY), args);
    if (!process.waitForFinished(20000))
        return {-1, {}};
    if (errors)
        *errors = QString::fromUtf8(process.readAllStandardError());
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput())};
}

// Whether a window manager manages what is mapped now: a probe window, mapped again until it is
// listed (which the manager's announcement on the root window comes before), for up to 20 seconds.
inline bool managesWindows(X11Connection& x)
{
    const xcb_window_t probe = xcb_generate_id(x.raw());
    xcb_create_window(x.raw(), XCB_COPY_FROM_PARENT, probe, x.root(), 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    int attempt = 0;
    const bool managed = waitUntil(
        [&] {
            if (attempt++ % 15 == 0) {
                xcb_unmap_window(x.raw(), probe);
                xcb_map_window(x.raw(), probe);
                x.sync();
            }
            return x.clientList().contains(probe);
        },
        20000, 30);
    xcb_destroy_window(x.raw(), probe);
    x.sync();
    return managed;
}

// Throwaway windows on the test desktop: real xterm clients, and bare windows made here when a test
// needs properties no terminal would set.
class TestWindows {
public:
    TestWindows() : m_x(X11Connection::open()) {}
    ~TestWindows()
    {
        for (auto& terminal : m_terminals) {
            terminal->kill();
            terminal->waitForFinished(2000);
        }
        if (m_x) {
            for (xcb_window_t window : m_windows)
                xcb_destroy_window(m_x->raw(), window);
            m_x->sync();
        }
    }

    bool available() const { return m_x != nullptr; }
    X11Connection& x() { return *m_x; }
    xcb_connection_t* c() { return m_x->raw(); }

    // An xterm with the given WM_CLASS class and UTF-8 title, its shell working in `folder` when one
    // is given; the managed client, once it is listed.
    std::optional<xcb_window_t> spawnTerminal(const QString& windowClass, const QString& title,
                                              const QString& folder = {})
    {
        auto terminal = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"LANG"_s, u"C.UTF-8"_s);
        terminal->setProcessEnvironment(environment);
        // The title and the folder travel as $0 and $1 so that no shell quoting is involved.
        terminal->start(u"xterm"_s,
                        {u"-class"_s, windowClass, u"-xrm"_s, u"XTerm*utf8Title: true"_s, u"-e"_s, u"sh"_s,
                         u"-c"_s,
                         u"printf '\\033]2;%s\\007' \"$0\"; [ -z \"$1\" ] || cd \"$1\"; exec sleep 600"_s,
                         title, folder});
        if (!terminal->waitForStarted(5000))
            return std::nullopt;
        m_terminals.push_back(std::move(terminal));
        return waitForClient([&](xcb_window_t window) { return netTitle(window) == title; });
    }
    // A bare window of this process, with these (property, type, bytes) set before it is mapped;
    // none when it is not managed.
    using Name = std::tuple<xcb_atom_t, xcb_atom_t, QByteArray>;
    xcb_window_t createWindow(const QByteArray& windowClass, const std::vector<Name>& names)
    {
        const xcb_window_t window = xcb_generate_id(c());
        xcb_create_window(c(), XCB_COPY_FROM_PARENT, window, m_x->root(), 50, 50, 400, 300, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        const QByteArray classBytes = QByteArray("panedeck-test") + '\0' + windowClass + '\0';
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            uint32_t(classBytes.size()), classBytes.constData());
        const uint32_t pid = uint32_t(::getpid());
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, window, m_x->atom(X11Connection::NET_WM_PID),
                            XCB_ATOM_CARDINAL, 32, 1, &pid);
        for (const auto& [property, type, bytes] : names)
            xcb_change_property(c(), XCB_PROP_MODE_REPLACE, window, property, type, 8, uint32_t(bytes.size()),
                                bytes.constData());
        xcb_map_window(c(), window);
        m_x->sync();
        m_windows.push_back(window);
        return waitForClient([&](xcb_window_t client) { return client == window; }).value_or(XCB_NONE);
    }
    // An editor's window titled in UTF-8 (without size increments, so that frames can be exact).
    xcb_window_t createEditor(const QByteArray& title)
    {
        return createWindow(
            "Code", {{m_x->atom(X11Connection::NET_WM_NAME), m_x->atom(X11Connection::UTF8_STRING), title}});
    }

    std::optional<xcb_window_t> activeWindow() { return m_x->activeWindow(); }
    // Polls until the active window is `window`, for up to five seconds.
    bool waitForActive(xcb_window_t window)
    {
        return waitUntil([&] { return activeWindow() == window; });
    }
    // Gives the keyboard to a window, as a click on it would.
    void activate(xcb_window_t window)
    {
        const uint32_t data[5] = {2, XCB_CURRENT_TIME, 0, 0, 0};
        m_x->sendRootMessage(window, m_x->atom(X11Connection::NET_ACTIVE_WINDOW), data);
        m_x->sync();
    }
    QString netTitle(xcb_window_t window)
    {
        const auto title = m_x->property(m_x->requestProperty(window, m_x->atom(X11Connection::NET_WM_NAME)));
        return title ? QString::fromUtf8(title->data) : QString();
    }
    xcb_atom_t atom(const QByteArray& name)
    {
        const auto atom =
            ask(c(), xcb_intern_atom(c(), 0, uint16_t(name.size()), name.constData()), xcb_intern_atom_reply);
        return atom ? atom->atom : XCB_NONE;
    }
    // The windows on the root, bottom first.
    QList<xcb_window_t> topLevels()
    {
        const auto tree = ask(c(), xcb_query_tree(c(), m_x->root()), xcb_query_tree_reply);
        if (!tree)
            return {};
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        return QList<xcb_window_t>(children, children + xcb_query_tree_children_length(tree.get()));
    }
    // The pointer's place on the root and the modifier state.
    std::pair<QPoint, uint16_t> pointer()
    {
        const auto reply = ask(c(), xcb_query_pointer(c(), m_x->root()), xcb_query_pointer_reply);
        if (!reply)
            return {QPoint(-1, -1), 0};
        return {QPoint(reply->root_x, reply->root_y), reply->mask};
    }
    // Where a window's top-left corner is on the root window.
    QPoint rootOrigin(xcb_window_t window)
    {
        const auto origin = ask(c(), xcb_translate_coordinates(c(), window, m_x->root(), 0, 0),
                                xcb_translate_coordinates_reply);
        return origin ? QPoint(origin->dst_x, origin->dst_y) : QPoint();
    }
    // A window's outer frame (decorations included) on the root window.
    QRect outerFrame(xcb_window_t window)
    {
        const auto geometry = ask(c(), xcb_get_geometry(c(), window), xcb_get_geometry_reply);
        const auto extents =
            m_x->property(m_x->requestProperty(window, m_x->atom(X11Connection::NET_FRAME_EXTENTS)));
        auto e = extents ? X11Connection::values32(*extents) : QList<uint32_t>{};
        e.resize(4); // left, right, top, bottom
        if (!geometry)
            return {};
        const QPoint origin = rootOrigin(window);
        return QRect(origin.x() - int(e[0]), origin.y() - int(e[2]), geometry->width + int(e[0] + e[1]),
                     geometry->height + int(e[2] + e[3]));
    }
    // Whether a window's _NET_WM_STATE holds the named state.
    bool hasState(xcb_window_t window, const QByteArray& state)
    {
        const auto property =
            m_x->property(m_x->requestProperty(window, m_x->atom(X11Connection::NET_WM_STATE)));
        return property && X11Connection::values32(*property).contains(atom(state));
    }

private:
    std::optional<xcb_window_t> waitForClient(const std::function<bool(xcb_window_t)>& matches)
    {
        std::optional<xcb_window_t> found;
        waitUntil(
            [&] {
                for (xcb_window_t window : m_x->clientList())
                    if (matches(window))
                        found = window;
                return found.has_value();
            },
            10000, 30);
        return found;
    }

    std::unique_ptr<X11Connection> m_x;
    std::vector<std::unique_ptr<QProcess>> m_terminals;
    std::vector<xcb_window_t> m_windows;
};

// The test's main: without a display it exits with what CTest counts as skipped (SKIP_RETURN_CODE in
// tests/CMakeLists.txt), since a run without one must never look green; else the test's functions.
#define PANEDECK_X11_TEST_MAIN(TestObject)                                                                   \
    int main(int argc, char* argv[])                                                                         \
    {                                                                                                        \
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {                                                        \
            std::fputs("SKIP: no X11 display (scripts/test provides one)\n", stderr);                        \
            return 77;                                                                                       \
        }                                                                                                    \
        QCoreApplication app(argc, argv);                                                                    \
        TestObject test;                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
