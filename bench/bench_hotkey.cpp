// Times the hot key end to end on a real desktop: from an XTest press of Alt+Super+V to the panel
// being mapped and painted, as a second X client sees it (MapNotify, then the first damage report),
// and `rofi -show window` from its start to the same point, taking turns, with editor windows open
// (50 in one process unless --windows=N --processes=M say otherwise). Also reads the resident memory
// of the running copy before and after 100 openings, and the processor time of an opening with its
// effects played out. Needs an X11 desktop with a window manager (scripts/bench).

#include "BenchDesktop.h"
#include "Residents.h"

#include <QHash>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <unistd.h>
#include <xcb/damage.h>

using namespace BenchDesktop;

namespace {

constexpr int openings = 100;

// The second client: sees windows appear on the root and reports when they are drawn into.
class Observer {
public:
    explicit Observer(X11Connection& x) : m_x(x)
    {
        xcb_connection_t* c = x.raw();
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &xcb_damage_id);
        if (!damage || !damage->present)
            return;
        m_damageEvent = uint8_t(damage->first_event + XCB_DAMAGE_NOTIFY);
        std::free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, x.root(), XCB_CW_EVENT_MASK, &mask);
        x.sync();
        m_ready = true;
    }
    bool ready() const { return m_ready; }

    // Starts watching a window: its mapping and what is drawn into it.
    void watch(xcb_window_t window)
    {
        xcb_connection_t* c = m_x.raw();
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
        const xcb_damage_damage_t damage = xcb_generate_id(c);
        xcb_damage_create(c, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        m_watched.insert(window, damage);
        xcb_flush(c);
    }
    void forgetAll()
    {
        for (const xcb_damage_damage_t damage : std::as_const(m_watched))
            xcb_damage_destroy(m_x.raw(), damage);
        m_watched.clear();
        m_x.sync();
    }

    enum class Seen { nothing, created, mapped, unmapped, drawn };
    struct Event {
        Seen what = Seen::nothing;
        xcb_window_t window = XCB_NONE;
        bool overrideRedirect = false;
    };
    // The next event about a watched window, or a window created on the root.
    Event next(int timeoutMs)
    {
        xcb_connection_t* c = m_x.raw();
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            xcb_generic_event_t* event = xcb_poll_for_event(c);
            if (!event) {
                pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
                ::poll(&fd, 1, 5);
                continue;
            }
            Event seen = classify(event);
            std::free(event);
            if (seen.what != Seen::nothing)
                return seen;
        }
        return {};
    }
    void drain()
    {
        for (const xcb_damage_damage_t damage : std::as_const(m_watched))
            xcb_damage_subtract(m_x.raw(), damage, XCB_NONE, XCB_NONE);
        m_x.sync();
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_x.raw()))
            std::free(event);
    }

private:
    Event classify(xcb_generic_event_t* event)
    {
        const uint8_t type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_create_notify_event_t*>(event);
            if (e->parent == m_x.root())
                return {Seen::created, e->window, bool(e->override_redirect)};
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (m_watched.contains(e->window))
                return {Seen::mapped, e->window, bool(e->override_redirect)};
        } else if (type == XCB_UNMAP_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
            if (m_watched.contains(e->window))
                return {Seen::unmapped, e->window};
        } else if (type == m_damageEvent) {
            const auto* e = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            xcb_damage_subtract(m_x.raw(), e->damage, XCB_NONE, XCB_NONE);
            xcb_flush(m_x.raw());
            if (m_watched.contains(e->drawable))
                return {Seen::drawn, e->drawable};
        }
        return {};
    }

    X11Connection& m_x;
    bool m_ready = false;
    uint8_t m_damageEvent = 0;
    QHash<xcb_window_t, xcb_damage_damage_t> m_watched;
};

struct Bench {
    TestWindows windows;
    std::unique_ptr<Observer> observer;
    XTestKeys keys;
    QProcess panedeck;
    xcb_window_t panel = XCB_NONE;
    int openedCount = 0;

    // Milliseconds since `timer` started until a watched window is mapped and then drawn into;
    // negative when that does not happen within a few seconds. With `newWindows` every window
    // created on the root is watched, and the one that counts is mapped override-redirect.
    double untilPainted(const QElapsedTimer& timer, bool newWindows)
    {
        xcb_window_t mapped = XCB_NONE;
        for (;;) {
            const Observer::Event event = observer->next(5000);
            if (event.what == Observer::Seen::nothing)
                return -1;
            if (event.what == Observer::Seen::created && newWindows)
                observer->watch(event.window);
            if (event.what == Observer::Seen::mapped && (!newWindows || event.overrideRedirect))
                mapped = event.window;
            if (event.what == Observer::Seen::drawn && event.window == mapped)
                return double(timer.nsecsElapsed()) / 1e6;
        }
    }

    // Milliseconds from the press of V to the first drawing into the mapped panel; negative on failure.
    double open()
    {
        observer->drain();
        keys.press(Keysym::superL);
        keys.press(Keysym::altL);
        QElapsedTimer timer;
        timer.start();
        keys.press(Keysym::v);
        const double result = untilPainted(timer, false);
        keys.release(Keysym::v);
        keys.release(Keysym::altL);
        keys.release(Keysym::superL);
        ++openedCount;
        return result;
    }
    bool close()
    {
        keys.hotkey();
        for (;;) {
            const Observer::Event event = observer->next(3000);
            if (event.what == Observer::Seen::nothing)
                return false;
            if (event.what == Observer::Seen::unmapped)
                return true;
        }
    }

    // Milliseconds from starting rofi to the first drawing into its mapped window.
    double rofi()
    {
        observer->forgetAll();
        observer->drain();
        QElapsedTimer timer;
        timer.start();
        const pid_t pid = spawnQuietly({"rofi", "-show", "window"});
        if (pid < 0)
            return -1;
        // Its window is created plain and made override-redirect before it is mapped.
        const double result = untilPainted(timer, true);
        ::kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        observer->forgetAll();
        return result;
    }

    // Seconds of processor time the running copy has used so far.
    double cpuSeconds()
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(panedeck.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return fields.size() > 12
                   ? (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK))
                   : -1;
    }

    double residentMegabytes()
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(panedeck.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
        return -1;
    }
};

// Starts the copy over nine slots, in the home folder of `residents`; true once its hot key is on.
bool startPanedeck(Bench& b, Residents& residents)
{
    QStringList names;
    for (int slot = 1; slot <= 9; ++slot)
        names << u"project%1"_s.arg(slot);
    if (!TestFiles::write(residents.homePath(u"data/Panedeck/layout.json"_s),
                          LayoutJson::encode(residents.slotsFor(names))))
        return false;
    b.panedeck.setProcessEnvironment(residents.environment());
    // Its log goes to a file, which never fills up the way an unread pipe would.
    const QString log = residents.homePath(u"panedeck.log"_s);
    b.panedeck.setStandardErrorFile(log);
    b.panedeck.start(QStringLiteral(PANEDECK_BINARY), QStringList());
    QByteArray errors;
    waitUntil([&] { return (errors = TestFiles::read(log)).contains("triggers wired"); }, 20000, 50);
    return errors.contains("hotkey on");
}

} // namespace

int main(int argc, char** argv)
{
    const Windows windows = takeWindows(argc, argv);
    Bench b;
    if (!b.windows.available() || !b.keys.available()) {
        std::fprintf(stderr, "bench_hotkey: no X11 display\n");
        return 1;
    }
    b.observer = std::make_unique<Observer>(b.windows.x());
    if (!b.observer->ready() || !openEditorWindows(b.windows.x(), windows)) {
        std::fprintf(stderr, "bench_hotkey: no damage extension, or the test windows were not listed\n");
        return 1;
    }
    Residents residents(b.windows);
    residents.reset();
    if (!startPanedeck(b, residents)) {
        std::fprintf(stderr, "bench_hotkey: panedeck did not start with its hot key\n");
        return 1;
    }
    QThread::msleep(1000);
    const double idle = b.residentMegabytes();

    // The first synthetic key switches the server's keyboard device (every client hears of it);
    // then the first opening creates the panel window, from then on watched.
    b.keys.tap(Keysym::shiftL);
    b.keys.hotkey();
    const auto pid = qint32(b.panedeck.processId());
    waitUntil(
        [&] {
            for (const X11Connection::Client& client : b.windows.x().clients(false))
                b.panel = client.pid == pid ? client.window : b.panel;
            return b.panel != XCB_NONE;
        },
        30000, 10);
    if (!b.panel) {
        std::fprintf(stderr, "bench_hotkey: the panel did not appear\n");
        return 1;
    }
    ++b.openedCount;
    QThread::msleep(300);
    b.observer->watch(b.panel);
    b.close();
    QThread::msleep(300);
    const double afterFirst = b.residentMegabytes();

    // An opening, closed again before rofi's turn; rofi, ended before the next opening.
    Pairs pairs;
    const bool compared = pairs.take(
        windows.samples,
        [&] {
            const double ms = b.open();
            return b.close() ? ms : -1;
        },
        [&] {
            const double ms = b.rofi();
            b.observer->watch(b.panel);
            return ms;
        });
    if (!compared) {
        std::fprintf(stderr, "bench_hotkey: an opening or rofi was not seen drawn\n");
        return 1;
    }

    while (b.openedCount < openings) {
        const double opened = b.open();
        const bool closed = b.close();
        if (opened < 0 || !closed) {
            std::fprintf(stderr, "bench_hotkey: an opening failed (%s)\n",
                         opened < 0 ? "not shown" : "not hidden");
            break;
        }
    }
    QThread::msleep(1000);
    const double afterAll = b.residentMegabytes();
    const int openedThen = b.openedCount;

    // Processor time per opening with the pulse and the dimming played out: opened from the last
    // editor window, whose row (far down the list) plays the pulse while everything else dims.
    xcb_window_t from = XCB_NONE;
    for (const X11Connection::Client& client : b.windows.x().clients(false))
        if (client.pid != qint32(b.panedeck.processId()))
            from = client.window;
    constexpr int played = 10;
    const double cpuBefore = b.cpuSeconds();
    for (int i = 0; i < played && from != XCB_NONE; ++i) {
        b.windows.activate(from);
        QThread::msleep(200);
        if (b.open() < 0)
            break;
        QThread::msleep(1300); // the pulse lasts 1.05 s, the dimming 0.65 s and 0.3 s back
        b.close();
    }
    const double cpuPerOpening = (b.cpuSeconds() - cpuBefore) * 1000 / played;
    b.panedeck.kill();
    b.panedeck.waitForFinished(5000);

    std::printf("%d windows in %d processes (target: ratio <= 0.33):\n", windows.count, windows.processes);
    pairs.report("hot key to panel painted", "rofi -show window to painted");
    std::printf(
        "resident memory: %.1f MB idle after start, %.1f MB after the first opening, %.1f MB after %d "
        "openings (growth %.1f MB; targets <= 50 MB with 50 windows, <= 60 MB with 1,000)\n",
        idle, afterFirst, afterAll, openedThen, afterAll - afterFirst);
    std::printf("processor time per opening with the pulse and dimming played out: %.1f ms (target <= 40)\n",
                cpuPerOpening);
    return 0;
}
