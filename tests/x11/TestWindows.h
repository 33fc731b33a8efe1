#pragma once

#include "platform/x11/X11Connection.h"

#include <QByteArray>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QTest>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Polls `condition` every `stepMs` until it holds, for up to `ms`.
bool waitUntil(const std::function<bool()>& condition, int ms = 5000, int stepMs = 20);
// Holds `condition` false for the whole time.
bool staysFalse(const std::function<bool()>& condition, int ms = 900);

// Throwaway windows on the test desktop: real xterm clients, and bare windows made here when a test
// needs properties no terminal would set.
class TestWindows {
public:
    TestWindows();
    ~TestWindows();

    bool available() const { return m_x != nullptr; }
    X11Connection& x() { return *m_x; }

    // An xterm with the given WM_CLASS class and UTF-8 title, its shell working in `folder` when one
    // is given; the managed client, once it is listed.
    std::optional<xcb_window_t> spawnTerminal(const QString& windowClass, const QString& title,
                                              const QString& folder = {});
    // A bare window of this process; `names` are (property, type, bytes) to set before mapping.
    struct Name {
        xcb_atom_t property;
        xcb_atom_t type;
        QByteArray bytes;
    };
    std::optional<xcb_window_t> createWindow(const QByteArray& windowClass, const std::vector<Name>& names);

    std::optional<xcb_window_t> activeWindow() { return m_x->activeWindow(); }
    // Polls until the active window is `window`, for up to five seconds.
    bool waitForActive(xcb_window_t window)
    {
        return waitUntil([&] { return activeWindow() == window; });
    }
    // Gives the keyboard to a window, as a click on it would.
    void activate(xcb_window_t window);
    QString netTitle(xcb_window_t window);
    xcb_atom_t atom(const QByteArray& name);
    // The windows on the root, bottom first.
    QList<xcb_window_t> topLevels();
    // The pointer's place on the root and the modifier state.
    std::pair<QPoint, uint16_t> pointer();

private:
    std::optional<xcb_window_t> waitForClient(const std::function<bool(xcb_window_t)>& matches);

    std::unique_ptr<X11Connection> m_x;
    std::vector<std::unique_ptr<QProcess>> m_terminals;
    std::vector<xcb_window_t> m_windows;
};

// What CTest counts as skipped (SKIP_RETURN_CODE in tests/CMakeLists.txt): without a display the
// end-to-end tests cannot run, and a run without one must never look green.
constexpr int skippedWithoutDisplay = 77;

// The test's main: skipped without a display, else the test object's functions.
#define PANEDECK_X11_TEST_MAIN(TestObject)                                                                   \
    int main(int argc, char* argv[])                                                                         \
    {                                                                                                        \
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {                                                        \
            std::fputs("SKIP: no X11 display (scripts/test provides one)\n", stderr);                        \
            return skippedWithoutDisplay;                                                                    \
        }                                                                                                    \
        QCoreApplication app(argc, argv);                                                                    \
        TestObject test;                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                              \
    }
