#include "core/control/SafariDiscovery.h"

#include "core/control/ScriptedWindows.h"

namespace SafariDiscovery {
namespace {
const ScriptedWindows::Application scripted{QStringLiteral("Safari"), QStringLiteral("SafariDiscovery"),
                                            tolerance};
} // namespace

QString listingScript()
{
    return QStringLiteral(
        "tell application \"Safari\"\n"
        "    set out to \"\"\n"
        "    repeat with w in windows\n"
        "        try\n"
        "            set out to out & (id of w) & tab & (name of w) & tab & (URL of current tab of w) "
        "& linefeed\n"
        "        end try\n"
        "    end repeat\n"
        "    return out\n"
        "end tell");
}

QList<WindowInfo> parseWindowList(const QString& text)
{
    QList<WindowInfo> windows;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList pieces = line.split(u'\t');
        if (pieces.size() != 3)
            continue;
        if (const auto id = ScriptedWindows::parseInteger(pieces[0]))
            windows.append({*id, pieces[1], pieces[2]});
    }
    return windows;
}

QList<AppWindow> listWindows(DesktopServices& desktop)
{
    const auto listing = ScriptedWindows::list(desktop, safariBundleID, listingScript());
    if (!listing)
        return {};
    QList<AppWindow> windows;
    for (const WindowInfo& info : parseWindowList(listing->output)) {
        AppWindow window(WindowKind::safari, info.name, std::nullopt,
                         info.url.isEmpty() ? std::nullopt : std::optional<QString>(info.url));
        window.pid = listing->pid;
        window.safariWindowID = info.id;
        windows.append(std::move(window));
    }
    return windows;
}

void raise(DesktopServices& desktop, qint64 windowID)
{
    ScriptedWindows::raise(desktop, scripted, windowID);
}

std::optional<QRectF> currentBounds(DesktopServices& desktop, qint64 windowID)
{
    return ScriptedWindows::currentBounds(desktop, scripted, windowID);
}

bool setBounds(DesktopServices& desktop, qint64 windowID, const QRectF& frame)
{
    return ScriptedWindows::setBounds(desktop, scripted, windowID, frame);
}

} // namespace SafariDiscovery
