#pragma once

#include "TestWindows.h"
#include "XTestKeys.h"
#include "core/layout/Layout.h"

#include <QByteArrayList>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

// One resident copy; standard error is collected as it comes.
struct Resident {
    QProcess process;
    QByteArray errors;
    QByteArray output;
    void collect();
    bool saw(const QByteArray& text, int ms = 5000);
};

// Resident copies of the real executable on the test desktop, each test with a home folder of its
// own, and what the desktop says about their windows.
class Residents {
public:
    explicit Residents(TestWindows& windows) : m_windows(windows) {}
    ~Residents() { stopAll(); }

    // A fresh home folder (and no copies running).
    void reset();
    QString homePath(const QString& name = {}) const;
    QProcessEnvironment environment() const;
    void writeLayout(const Layout& layout);
    // A layout with one slot per name, numbered from 1, each on a folder of that name in the home.
    Layout slotsFor(const QStringList& names);
    // Starts a copy on `layout`; with `waitForTriggers` it returns once the copy says it is ready.
    Resident& start(const Layout& layout, bool waitForTriggers = true);
    void stopAll();

    // Waits for the panel of `resident` to be shown and to have the keyboard.
    std::optional<xcb_window_t> waitForPanel(Resident& resident);
    // Opens it with the hot key, then waits as above.
    std::optional<xcb_window_t> showPanel(Resident& resident, XTestKeys& keys)
    {
        keys.hotkey();
        return waitForPanel(resident);
    }
    // A managed window of `resident` with this title, if one is mapped.
    std::optional<xcb_window_t> windowOf(Resident& resident, const QString& title);
    // Where a window's top-left corner is on the root window.
    QPoint rootOrigin(xcb_window_t window);
    // A window's outer frame (decorations included) on the root window.
    QRect outerFrame(xcb_window_t window);
    // The names of a window's _NET_WM_STATE atoms.
    QByteArrayList states(xcb_window_t window);

private:
    TestWindows& m_windows;
    std::unique_ptr<QTemporaryDir> m_home;
    std::vector<std::unique_ptr<Resident>> m_residents;
};
