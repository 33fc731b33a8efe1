#pragma once

#include "platform/DesktopServices.h"

#include <QRectF>
#include <QString>
#include <optional>

// What Terminal and Safari windows share: they are reached through AppleScript, by window id, and
// their bounds are four integers left, top, right, bottom in the top-left-origin desktop space.
namespace ScriptedWindows {

inline const QString osascript = QStringLiteral("/usr/bin/osascript");

QString readBoundsScript(const QString& application, qint64 windowID);
QString setBoundsScript(const QString& application, qint64 windowID, const QRectF& frame);
QString raiseScript(const QString& application, qint64 windowID);

// Runs a script through osascript; its output, or absent.
std::optional<QString> runCommand(Processes& processes, const QString& script);
// A scriptable application's windows as its listing script prints them, with the application's
// process; absent when the application does not run or the script printed nothing readable.
struct Listing {
    qint32 pid = 0;
    QString output;
};
std::optional<Listing> list(DesktopServices& desktop, const QString& bundleID, const QString& script);
// Runs a script; false after logging `logPrefix` + "script error: " + the description.
bool runScript(AppleScript& appleScript, const QString& script, const QString& logPrefix);

// "left,top,right,bottom" (white space and line ends around it ignored) as a frame.
std::optional<QRectF> parseBounds(const QString& text);
bool boundsMatch(const QRectF& a, const QRectF& b, double tolerance);

// A whole decimal integer: optional sign, digits only.
std::optional<qint64> parseInteger(const QString& text);

// How many times a window is asked to take its bounds before it counts as not placed.
inline constexpr int attempts = 4;

// Sets the bounds, reading them back each time, up to 4 attempts; logs the failure line with
// `logPrefix` after the last one.
bool setBounds(Processes& processes, const QString& application, qint64 windowID, const QRectF& frame,
               double tolerance, const QString& logPrefix);

// One scriptable application: its name in scripts, the prefix of its log lines and how close a
// window must land to count as placed.
struct Application {
    QString name;
    QString logPrefix;
    double tolerance;
};
void raise(DesktopServices& desktop, const Application& application, qint64 windowID);
std::optional<QRectF> currentBounds(DesktopServices& desktop, const Application& application,
                                    qint64 windowID);
bool setBounds(DesktopServices& desktop, const Application& application, qint64 windowID,
               const QRectF& frame);

} // namespace ScriptedWindows
