#include "TestWindows.h"

#include "platform/x11/X11Reply.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QThread>
#include <unistd.h>

bool waitUntil(const std::function<bool()>& condition, int ms, int stepMs)
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

bool staysFalse(const std::function<bool()>& condition, int ms)
{
    return !waitUntil(condition, ms);
}

TestWindows::TestWindows() : m_x(X11Connection::open()) {}

TestWindows::~TestWindows()
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

QString TestWindows::netTitle(xcb_window_t window)
{
    const auto title = m_x->property(m_x->requestProperty(window, m_x->atom(X11Connection::NET_WM_NAME)));
    return title ? QString::fromUtf8(title->data) : QString();
}

std::optional<xcb_window_t> TestWindows::waitForClient(const std::function<bool(xcb_window_t)>& matches)
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

std::optional<xcb_window_t> TestWindows::spawnTerminal(const QString& windowClass, const QString& title,
                                                       const QString& folder)
{
    auto terminal = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    terminal->setProcessEnvironment(environment);
    // The title and the folder travel as $0 and $1 so that no shell quoting is involved.
    terminal->start(
        QStringLiteral("xterm"),
        {QStringLiteral("-class"), windowClass, QStringLiteral("-xrm"),
         QStringLiteral("XTerm*utf8Title: true"), QStringLiteral("-e"), QStringLiteral("sh"),
         QStringLiteral("-c"),
         QStringLiteral("printf '\\033]2;%s\\007' \"$0\"; [ -z \"$1\" ] || cd \"$1\"; exec sleep 600"), title,
         folder});
    if (!terminal->waitForStarted(5000))
        return std::nullopt;
    m_terminals.push_back(std::move(terminal));
    return waitForClient([&](xcb_window_t window) { return netTitle(window) == title; });
}

std::optional<xcb_window_t> TestWindows::createWindow(const QByteArray& windowClass,
                                                      const std::vector<Name>& names)
{
    xcb_connection_t* c = m_x->raw();
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, m_x->root(), 50, 50, 400, 300, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    const QByteArray classBytes = QByteArray("panedeck-test") + '\0' + windowClass + '\0';
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        uint32_t(classBytes.size()), classBytes.constData());
    const uint32_t pid = uint32_t(::getpid());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, m_x->atom(X11Connection::NET_WM_PID),
                        XCB_ATOM_CARDINAL, 32, 1, &pid);
    for (const Name& name : names)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, name.property, name.type, 8,
                            uint32_t(name.bytes.size()), name.bytes.constData());
    xcb_map_window(c, window);
    m_x->sync();
    m_windows.push_back(window);
    return waitForClient([&](xcb_window_t client) { return client == window; });
}

void TestWindows::activate(xcb_window_t window)
{
    const uint32_t data[5] = {2, XCB_CURRENT_TIME, 0, 0, 0};
    m_x->sendRootMessage(window, m_x->atom(X11Connection::NET_ACTIVE_WINDOW), data);
    m_x->sync();
}

xcb_atom_t TestWindows::atom(const QByteArray& name)
{
    X11Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        m_x->raw(), xcb_intern_atom(m_x->raw(), 0, uint16_t(name.size()), name.constData()), nullptr));
    return atom ? atom->atom : XCB_NONE;
}

QList<xcb_window_t> TestWindows::topLevels()
{
    X11Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_x->raw(), xcb_query_tree(m_x->raw(), m_x->root()), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return QList<xcb_window_t>(children, children + xcb_query_tree_children_length(tree.get()));
}

std::pair<QPoint, uint16_t> TestWindows::pointer()
{
    X11Reply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(m_x->raw(), xcb_query_pointer(m_x->raw(), m_x->root()), nullptr));
    if (!reply)
        return {QPoint(-1, -1), 0};
    return {QPoint(reply->root_x, reply->root_y), reply->mask};
}
