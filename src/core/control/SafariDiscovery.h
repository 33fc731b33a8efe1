#pragma once

#include "core/windows/AppWindow.h"
#include "platform/DesktopServices.h"

#include <QList>
#include <QRectF>

// Safari's windows with the address of each window's current tab, through AppleScript.
namespace SafariDiscovery {

inline const QString safariBundleID = QStringLiteral("com.apple.Safari");
inline constexpr double tolerance = 6.0;

struct WindowInfo {
    qint64 id = 0;
    QString name;
    QString url;
    bool operator==(const WindowInfo&) const = default;
};

QString listingScript();

QList<AppWindow> listWindows(DesktopServices& desktop);
void raise(DesktopServices& desktop, qint64 windowID);
std::optional<QRectF> currentBounds(DesktopServices& desktop, qint64 windowID);
bool setBounds(DesktopServices& desktop, qint64 windowID, const QRectF& frame);

// Lines of id, name and address separated by tabs; exactly three pieces or the line is skipped.
QList<WindowInfo> parseWindowList(const QString& text);

} // namespace SafariDiscovery
