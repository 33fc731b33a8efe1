#include "app/Resident.h"

#include "app/AppDelegate.h"
#include "core/Log.h"
#include "core/state/Scheduling.h"
#include "platform/Platform.h"
#include "platform/Sleeper.h"
#include "platform/SystemProcesses.h"
#include "ui/AccessoryWindow.h"
#include "ui/FocusPulse.h"
#include "ui/Fonts.h"
#include "ui/QtScreens.h"
#include "ui/WindowFocusEffect.h"

#include <QApplication>

extern "C" __attribute__((visibility("default"))) int panedeck_resident_main(int argc, char** argv)
{
    if (!Platform::hasDesktop()) {
        Log::line(QStringLiteral("Panedeck: no desktop to run on (is DISPLAY set?)"));
        return 1;
    }
    // Where an X11 key grab sees keys only over X11 windows, a shortcut of the desktop's own can
    // call the panel instead.
    if (qEnvironmentVariable("XDG_SESSION_TYPE") == QStringLiteral("wayland") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        Log::line(
            QStringLiteral("Panedeck: in a Wayland session the hot key works only while an X11 window has "
                           "the keyboard; bind a desktop shortcut to `panedeck toggle` instead"));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Panedeck"));
    // A resident accessory: it lives without any window and ends only when told to quit.
    QApplication::setQuitOnLastWindowClosed(false);
    // Before anything can be shown, the start-up alerts included: their Japanese needs the bundled
    // fonts on a desktop without a CJK font of its own.
    Fonts::registerBundled();

    const auto accessibility = Platform::makeAccessibility();
    const auto processes = Platform::makeProcesses();
    const auto appleScript = Platform::makeAppleScript();
    const auto workspace = Platform::makeWorkspace();
    const auto bundle = Platform::makeBundle();
    const auto hotkeys = Platform::makeHotkeys();
    const auto keyEvents = Platform::makeKeyEvents([] { return QGuiApplication::focusWindow() != nullptr; });
    ThreadSleeper sleeper;
    const auto terminals = Platform::makeTerminals(*accessibility);
    DesktopServices desktop{*accessibility, *processes, *appleScript, *workspace, sleeper, terminals.get()};
    QtScreens screens;
    WindowFocusEffect focusEffect;
    focusEffect.setReducedMotion(&AccessoryWindow::reducedMotion);
    FocusMotion::setReduced(&AccessoryWindow::reducedMotion);
    SystemScheduling scheduling;

    AppDelegate delegate({desktop, *bundle, *hotkeys, *keyEvents, screens, focusEffect, scheduling,
                          AppStateEnvironment::system(), LayoutStore::defaultFilePath(),
                          qint32(QCoreApplication::applicationPid())});
    if (!delegate.applicationDidFinishLaunching())
        return 0;
    const int status = QApplication::exec();
    // Background work still running ends before the services it uses go: the runs it waits for are
    // asked to end, and the pools are waited for as `scheduling` goes, before everything above it.
    SystemProcesses::endQuietRuns();
    return status;
}
