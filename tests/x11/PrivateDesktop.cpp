#include "PrivateDesktop.h"

#include "TestWindows.h"
#include "platform/x11/X11Reply.h"

#include <QFile>

namespace {

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// The window manager is ready once it announces itself on the root window.
bool managerReady()
{
    const auto x = X11Connection::open();
    if (!x)
        return false;
    const QByteArray name("_NET_SUPPORTING_WM_CHECK");
    X11Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        x->raw(), xcb_intern_atom(x->raw(), 1, uint16_t(name.size()), name.constData()), nullptr));
    if (!atom || atom->atom == XCB_NONE)
        return false;
    const auto check = x->property(x->requestProperty(x->root(), atom->atom));
    // ... and manages windows: the client list exists, empty or not.
    const auto clients = x->property(x->requestProperty(x->root(), x->atom(X11Connection::NET_CLIENT_LIST)));
    return check && !X11Connection::values32(*check).isEmpty() && clients && clients->type == XCB_ATOM_WINDOW;
}

bool poll(const std::function<bool()>& condition)
{
    return waitUntil(condition, 10000, 30);
}

} // namespace

PrivateDesktop::~PrivateDesktop()
{
    m_manager.kill();
    m_manager.waitForFinished(2000);
    killServer();
}

bool PrivateDesktop::start(QSize size)
{
    // Xvfb picks a free display number itself and writes it to descriptor 3.
    const QString numberFile = m_work.filePath(QStringLiteral("display"));
    m_server.start(QStringLiteral("sh"),
                   {QStringLiteral("-c"),
                    QStringLiteral("exec Xvfb -displayfd 3 -screen 0 %1x%2x24 -nolisten tcp "
                                   "-noreset 3>\"$0\" 2>/dev/null")
                        .arg(size.width())
                        .arg(size.height()),
                    numberFile});
    QByteArray number;
    if (!poll([&] {
            QFile file(numberFile);
            number = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
            return !number.isEmpty();
        }))
        return false;
    qputenv("DISPLAY", ":" + number);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_work.path());
    m_manager.setProcessEnvironment(environment);
    m_manager.setStandardOutputFile(QProcess::nullDevice());
    m_manager.setStandardErrorFile(QProcess::nullDevice());
    m_manager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    return poll(managerReady) && managesWindows();
}

// Ready once a window mapped now is managed: a probe window, mapped again until it is listed.
bool PrivateDesktop::managesWindows()
{
    const auto x = X11Connection::open();
    if (!x)
        return false;
    const xcb_window_t probe = xcb_generate_id(x->raw());
    xcb_create_window(x->raw(), XCB_COPY_FROM_PARENT, probe, x->root(), 0, 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    int attempt = 0;
    const bool managed = poll([&] {
        if (attempt++ % 15 == 0) {
            xcb_unmap_window(x->raw(), probe);
            xcb_map_window(x->raw(), probe);
            x->sync();
        }
        return x->clientList().contains(probe);
    });
    xcb_destroy_window(x->raw(), probe);
    x->sync();
    return managed;
}

QRect PrivateDesktop::geometry(const QString& text)
{
    const QStringList p = QString(text).replace(u'+', u'x').split(u'x');
    return QRect(p.value(2).toInt(), p.value(3).toInt(), p.value(0).toInt(), p.value(1).toInt());
}

bool PrivateDesktop::setMonitors(const QStringList& geometries)
{
    for (const QString& name : std::as_const(m_monitors))
        run(QStringLiteral("xrandr"), {QStringLiteral("--delmonitor"), name});
    m_monitors.clear();
    for (qsizetype i = 0; i < geometries.size(); ++i) {
        // Millimetres do not matter here; the first monitor takes over the server's only output,
        // which would otherwise stand as a monitor of its own over the whole screen.
        const QRect r = geometry(geometries[i]);
        const QString name = QStringLiteral("test%1").arg(i);
        const QString monitor =
            QStringLiteral("%1/300x%2/200+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
        if (!run(QStringLiteral("xrandr"),
                 {QStringLiteral("--setmonitor"), (i == 0 ? QStringLiteral("*") : QString()) + name, monitor,
                  i == 0 ? QStringLiteral("screen") : QStringLiteral("none")}))
            return false;
        m_monitors.append(name);
    }
    return true;
}

void PrivateDesktop::killServer()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.kill();
    m_server.waitForFinished(5000);
}
