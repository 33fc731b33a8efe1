#include "platform/Platform.h"
#include "platform/linux/LinuxBundle.h"
#include "platform/linux/LinuxSystemProcesses.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/x11/X11Accessibility.h"
#include "platform/x11/X11Hotkeys.h"
#include "platform/x11/X11KeyEvents.h"
#include "platform/x11/X11Terminals.h"
#include "platform/x11/X11Workspace.h"

#include <QFileInfo>

namespace Platform {

std::unique_ptr<Accessibility> makeAccessibility()
{
    return std::make_unique<X11Accessibility>();
}

std::unique_ptr<Bundle> makeBundle()
{
    return std::make_unique<LinuxBundle>();
}

std::unique_ptr<Workspace> makeWorkspace()
{
    return std::make_unique<X11Workspace>();
}

std::unique_ptr<Processes> makeProcesses()
{
    return std::make_unique<LinuxSystemProcesses>();
}

std::unique_ptr<AppleScript> makeAppleScript()
{
    return std::make_unique<NoAppleScript>();
}

std::unique_ptr<Hotkeys> makeHotkeys()
{
    return std::make_unique<X11Hotkeys>();
}

std::unique_ptr<Terminals> makeTerminals(Accessibility& accessibility)
{
    auto* x11 = dynamic_cast<X11Accessibility*>(&accessibility);
    return x11 ? std::make_unique<X11Terminals>(*x11) : nullptr;
}

std::unique_ptr<KeyEvents> makeKeyEvents(std::function<bool()> ownsKeyboard)
{
    return std::make_unique<X11KeyEvents>(std::move(ownsKeyboard));
}

// The program as it runs now: the installed one, or the one in the build tree while developing.
std::unique_ptr<LoginItem> makeLoginItem()
{
    return std::make_unique<XdgAutostart>(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
}

bool hasDesktop()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || X11Connection::open() != nullptr;
}

std::optional<QString> desktopProblem()
{
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("no X11 display is set (the DISPLAY variable is empty)");
    if (!X11Connection::open())
        return QStringLiteral("the X11 display %1 could not be opened").arg(display);
    return std::nullopt;
}

} // namespace Platform
