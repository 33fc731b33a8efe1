#pragma once

#include "core/windows/AppWindow.h"
#include "platform/DesktopServices.h"

#include <QHash>
#include <QList>
#include <QRectF>

// Terminal's windows, each with the working folder of the shell on its selected tab, found through
// AppleScript and the open-files lister; on desktops without Terminal, the terminal emulators'
// windows as the desktop's Terminals service finds them.
namespace TerminalDiscovery {

inline const QString terminalBundleID = QStringLiteral("com.apple.Terminal");
inline const QString lsof = QStringLiteral("/usr/sbin/lsof");
inline constexpr double tolerance = 16.0;
// How long a terminal emulator's window is given to settle after each request.
inline constexpr double settleDelay = 0.08;

struct WindowInfo {
    qint64 id = 0;
    QString tty;
    QString name;
    bool operator==(const WindowInfo&) const = default;
};

QString listingScript();

QList<AppWindow> listWindows(DesktopServices& desktop);
// With `activate` false the window only comes to the front where the desktop can do that without
// giving it the keyboard (the terminal emulators); the scripted Terminal always comes forward.
void raise(DesktopServices& desktop, qint64 windowID, bool activate = true);
std::optional<QRectF> currentBounds(DesktopServices& desktop, qint64 windowID);
bool setBounds(DesktopServices& desktop, qint64 windowID, const QRectF& frame);

// The parsers of the script and `lsof -F` outputs.
QList<WindowInfo> parseWindowList(const QString& text);
QHash<QString, QList<qint64>> parsePidsByTTY(const QString& text);
QHash<qint64, QString> parseCwdByPID(const QString& text);
// Device path → working folder of the process with the smallest id on it.
QHash<QString, QString> cwdByTTY(Processes& processes, const QStringList& ttys);

} // namespace TerminalDiscovery
