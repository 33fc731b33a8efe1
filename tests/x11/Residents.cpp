#include "Residents.h"

#include "TestFiles.h"
#include "core/layout/LayoutJson.h"
#include "platform/x11/X11Reply.h"

#include <QDir>
#include <QTest>

void Resident::collect()
{
    process.waitForReadyRead(10);
    errors += process.readAllStandardError();
    output += process.readAllStandardOutput();
}

bool Resident::saw(const QByteArray& text, int ms)
{
    return waitUntil(
        [&] {
            collect();
            return errors.contains(text);
        },
        ms);
}

void Residents::reset()
{
    stopAll();
    m_home = std::make_unique<QTemporaryDir>();
}

QString Residents::homePath(const QString& name) const
{
    return name.isEmpty() ? m_home->path() : m_home->filePath(name);
}

QProcessEnvironment Residents::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("HOME"), homePath());
    env.insert(QStringLiteral("XDG_DATA_HOME"), homePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), homePath(QStringLiteral("config")));
    return env;
}

void Residents::writeLayout(const Layout& layout)
{
    QVERIFY(
        TestFiles::write(homePath(QStringLiteral("data/Panedeck/layout.json")), LayoutJson::encode(layout)));
}

Layout Residents::slotsFor(const QStringList& names)
{
    Layout layout;
    for (const QString& name : names) {
        QDir().mkpath(homePath(name));
        SlotEntry entry;
        entry.name = name;
        entry.path = homePath(name);
        layout.slots.insert(QString::number(layout.slots.size() + 1), entry);
    }
    return layout;
}

Resident& Residents::start(const Layout& layout, bool waitForTriggers)
{
    writeLayout(layout);
    auto resident = std::make_unique<Resident>();
    resident->process.setProcessEnvironment(environment());
    resident->process.start(QStringLiteral(PANEDECK_BINARY), QStringList());
    m_residents.push_back(std::move(resident));
    Resident& r = *m_residents.back();
    if (waitForTriggers)
        [&] { QVERIFY2(r.saw("triggers wired"), r.errors.constData()); }();
    return r;
}

void Residents::stopAll()
{
    for (auto& resident : m_residents) {
        resident->process.kill();
        resident->process.waitForFinished(5000);
    }
    m_residents.clear();
}

std::optional<xcb_window_t> Residents::windowOf(Resident& resident, const QString& title)
{
    const auto pid = qint32(resident.process.processId());
    for (const X11Connection::Client& client : m_windows.x().clients(false)) {
        if (client.pid == pid && m_windows.netTitle(client.window) == title)
            return client.window;
    }
    return std::nullopt;
}

std::optional<xcb_window_t> Residents::waitForPanel(Resident& resident)
{
    std::optional<xcb_window_t> panel;
    if (!waitUntil([&] { return (panel = windowOf(resident, QStringLiteral("Panedeck"))).has_value(); })) {
        resident.collect();
        qWarning("no panel: %s", resident.errors.constData());
        return std::nullopt;
    }
    if (!m_windows.waitForActive(*panel)) {
        qWarning("panel not active: %x", m_windows.activeWindow().value_or(0));
        return std::nullopt;
    }
    return panel;
}

QPoint Residents::rootOrigin(xcb_window_t window)
{
    auto* c = m_windows.x().raw();
    X11Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, m_windows.x().root(), 0, 0), nullptr));
    return origin ? QPoint(origin->dst_x, origin->dst_y) : QPoint();
}

QRect Residents::outerFrame(xcb_window_t window)
{
    X11Connection& x = m_windows.x();
    X11Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(x.raw(), xcb_get_geometry(x.raw(), window), nullptr));
    const auto extents = x.property(x.requestProperty(window, x.atom(X11Connection::NET_FRAME_EXTENTS)));
    auto e = extents ? X11Connection::values32(*extents) : QList<uint32_t>{};
    e.resize(4); // left, right, top, bottom
    if (!geometry)
        return {};
    const QPoint origin = rootOrigin(window);
    return QRect(origin.x() - int(e[0]), origin.y() - int(e[2]), geometry->width + int(e[0] + e[1]),
                 geometry->height + int(e[2] + e[3]));
}

QByteArrayList Residents::states(xcb_window_t window)
{
    X11Connection& x = m_windows.x();
    QByteArrayList names;
    const auto property = x.property(x.requestProperty(window, x.atom(X11Connection::NET_WM_STATE)));
    for (const uint32_t atom : property ? X11Connection::values32(*property) : QList<uint32_t>{}) {
        X11Reply<xcb_get_atom_name_reply_t> name(
            xcb_get_atom_name_reply(x.raw(), xcb_get_atom_name(x.raw(), atom), nullptr));
        if (name)
            names.append(
                QByteArray(xcb_get_atom_name_name(name.get()), xcb_get_atom_name_name_length(name.get())));
    }
    return names;
}
