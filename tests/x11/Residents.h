#pragma once

#include "TestFiles.h"
#include "TestWindows.h"
#include "XTestKeys.h"
#include "core/layout/Layout.h"
#include "core/layout/LayoutJson.h"

#include <QDir>
#include <QTemporaryDir>

// One resident copy; standard error is collected as it comes.
struct Resident {
    QProcess process;
    QByteArray errors;
    QByteArray output;
    // Standard error so far.
    const QByteArray& collect()
    {
        process.waitForReadyRead(10);
        output += process.readAllStandardOutput();
        return errors += process.readAllStandardError();
    }
    bool saw(const QByteArray& text, int ms = 5000)
    {
        return waitUntil([&] { return collect().contains(text); }, ms);
    }
};

// Resident copies of the real executable on the test desktop, each test with a home folder of its
// own, and their windows.
class Residents {
public:
    explicit Residents(TestWindows& windows) : m_windows(windows) {}
    ~Residents() { stopAll(); }

    // A fresh home folder (and no copies running).
    void reset()
    {
        stopAll();
        m_home = std::make_unique<QTemporaryDir>();
    }
    QString homePath(const QString& name = {}) const
    {
        return name.isEmpty() ? m_home->path() : m_home->filePath(name);
    }
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"QT_QPA_PLATFORM"_s);
        env.insert(u"HOME"_s, homePath());
        env.insert(u"XDG_DATA_HOME"_s, homePath(u"data"_s));
        env.insert(u"XDG_CONFIG_HOME"_s, homePath(u"config"_s));
        return env;
    }
    // A layout with one slot per name, numbered from 1, each on a folder of that name in the home.
    Layout slotsFor(const QStringList& names)
    {
        Layout layout;
        for (const QString& name : names) {
            QDir().mkpath(homePath(name));
            layout.slots.insert(QString::number(layout.slots.size() + 1),
                                {.name = name, .path = homePath(name)});
        }
        return layout;
    }
    // Starts a copy on `layout`; with `waitForTriggers` it returns once the copy says it is ready.
    Resident& start(const Layout& layout, bool waitForTriggers = true)
    {
        [&] {
            QVERIFY(TestFiles::write(homePath(u"data/Panedeck/layout.json"_s), LayoutJson::encode(layout)));
        }();
        Resident& r = *m_residents.emplace_back(std::make_unique<Resident>());
        r.process.setProcessEnvironment(environment());
        r.process.start(QStringLiteral(PANEDECK_BINARY), QStringList());
        if (waitForTriggers)
            [&] { QVERIFY2(r.saw("triggers wired"), r.errors.constData()); }();
        return r;
    }
    void stopAll()
    {
        for (auto& resident : m_residents) {
            resident->process.kill();
            resident->process.waitForFinished(5000);
        }
        m_residents.clear();
    }

    // A managed window of `resident` with this title, if one is mapped.
    std::optional<xcb_window_t> windowOf(Resident& resident, const QString& title)
    {
        const auto pid = qint32(resident.process.processId());
        for (const X11Connection::Client& client : m_windows.x().clients(false)) {
            if (client.pid == pid && m_windows.netTitle(client.window) == title)
                return client.window;
        }
        return std::nullopt;
    }
    // Polls for such a window, for up to five seconds.
    std::optional<xcb_window_t> waitForWindow(Resident& resident, const QString& title)
    {
        std::optional<xcb_window_t> window;
        waitUntil([&] { return (window = windowOf(resident, title)).has_value(); });
        return window;
    }
    // Opens the panel of `resident` with the hot key and waits for it to be shown and to have the keyboard.
    std::optional<xcb_window_t> showPanel(Resident& resident, XTestKeys& keys)
    {
        keys.hotkey();
        const auto panel = waitForWindow(resident, u"Panedeck"_s);
        if (panel && m_windows.waitForActive(*panel))
            return panel;
        resident.collect();
        qWarning("panel %x, active %x: %s", panel.value_or(0), m_windows.activeWindow().value_or(0),
                 resident.errors.constData());
        return std::nullopt;
    }

private:
    TestWindows& m_windows;
    std::unique_ptr<QTemporaryDir> m_home;
    std::vector<std::unique_ptr<Resident>> m_residents;
};
