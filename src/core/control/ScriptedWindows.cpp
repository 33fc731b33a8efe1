#include "core/control/ScriptedWindows.h"

#include "core/Log.h"
#include "core/windows/GeometryText.h"

#include <QRegularExpression>
#include <cmath>

namespace ScriptedWindows {
namespace {

QString tell(const QString& application)
{
    return QStringLiteral("tell application \"%1\"\n").arg(application);
}

// The four items of a bounds list as "l,t,r,b"; "¬" continues an AppleScript line.
QString returnItems(const QString& list)
{
    return QStringLiteral("    return (item 1 of %1 as text) & \",\" & \u00AC\n"
                          "        (item 2 of %1 as text) & \",\" & \u00AC\n"
                          "        (item 3 of %1 as text) & \",\" & \u00AC\n"
                          "        (item 4 of %1 as text)\n")
        .arg(list);
}

} // namespace

QString readBoundsScript(const QString& application, qint64 windowID)
{
    return tell(application) + QStringLiteral("    set b to bounds of window id %1\n").arg(windowID) +
           returnItems(QStringLiteral("b")) + QStringLiteral("end tell");
}

QString setBoundsScript(const QString& application, qint64 windowID, const QRectF& frame)
{
    // Edges truncated toward zero.
    const auto edge = [](double v) { return QString::number(qint64(std::trunc(v))); };
    const QRectF f = frame.normalized();
    return tell(application) +
           QStringLiteral("    set bounds of window id %1 to {%2, %3, %4, %5}\n")
               .arg(QString::number(windowID), edge(f.left()), edge(f.top()), edge(f.right()),
                    edge(f.bottom())) +
           QStringLiteral("    delay 0.08\n") +
           QStringLiteral("    set actualBounds to bounds of window id %1\n").arg(windowID) +
           returnItems(QStringLiteral("actualBounds")) + QStringLiteral("end tell");
}

QString raiseScript(const QString& application, qint64 windowID)
{
    return tell(application) + QStringLiteral("    try\n") +
           QStringLiteral("        set index of window id %1 to 1\n").arg(windowID) +
           QStringLiteral("    end try\n    activate\nend tell");
}

std::optional<QString> runCommand(Processes& processes, const QString& script)
{
    return processes.runToEnd(osascript, {QStringLiteral("-e"), script});
}

std::optional<Listing> list(DesktopServices& desktop, const QString& bundleID, const QString& script)
{
    const QList<qint32> running = desktop.accessibility.runningApplications(bundleID);
    if (running.isEmpty())
        return std::nullopt;
    const auto output = runCommand(desktop.processes, script);
    if (!output)
        return std::nullopt;
    return Listing{running.first(), *output};
}

bool runScript(AppleScript& appleScript, const QString& script, const QString& logPrefix)
{
    const AppleScript::Outcome outcome = appleScript.run(script);
    if (!outcome.created)
        return true;
    if (outcome.error) {
        Log::line(logPrefix + QStringLiteral(" script error: ") + *outcome.error);
        return false;
    }
    return true;
}

std::optional<QRectF> parseBounds(const QString& text)
{
    static const QRegularExpression decimal(
        QStringLiteral("\\A[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\z"));
    QList<double> numbers;
    for (const QString& piece : text.trimmed().split(u',', Qt::SkipEmptyParts)) {
        if (decimal.match(piece).hasMatch())
            numbers.append(piece.toDouble());
    }
    if (numbers.size() != 4 ||
        !std::all_of(numbers.begin(), numbers.end(), [](double v) { return std::isfinite(v); }))
        return std::nullopt;
    return QRectF(numbers[0], numbers[1], numbers[2] - numbers[0], numbers[3] - numbers[1]);
}

bool boundsMatch(const QRectF& a, const QRectF& b, double tolerance)
{
    const QRectF x = a.normalized();
    const QRectF y = b.normalized();
    return std::fabs(x.left() - y.left()) < tolerance && std::fabs(x.top() - y.top()) < tolerance &&
           std::fabs(x.width() - y.width()) < tolerance && std::fabs(x.height() - y.height()) < tolerance;
}

std::optional<qint64> parseInteger(const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("\\A[+-]?[0-9]+\\z"));
    if (!integer.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

bool setBounds(Processes& processes, const QString& application, qint64 windowID, const QRectF& frame,
               double tolerance, const QString& logPrefix)
{
    const QRectF f = frame.normalized();
    const auto representable = [](double v) { return std::isfinite(v) && std::fabs(v) < 9.0e18; };
    if (!representable(f.left()) || !representable(f.top()) || !representable(f.right()) ||
        !representable(f.bottom()))
        return false;
    const QString script = setBoundsScript(application, windowID, frame);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        const auto output = runCommand(processes, script);
        if (!output)
            return false;
        const auto actual = parseBounds(*output);
        if (!actual)
            return false;
        if (boundsMatch(*actual, frame, tolerance))
            return true;
    }
    Log::line(logPrefix + QStringLiteral(": failed to settle window ") + QString::number(windowID) +
              QStringLiteral(" at ") + GeometryText::describe(frame));
    return false;
}

void raise(DesktopServices& desktop, const Application& application, qint64 windowID)
{
    runScript(desktop.appleScript, raiseScript(application.name, windowID), application.logPrefix);
}

std::optional<QRectF> currentBounds(DesktopServices& desktop, const Application& application, qint64 windowID)
{
    const auto output = runCommand(desktop.processes, readBoundsScript(application.name, windowID));
    return output ? parseBounds(*output) : std::nullopt;
}

bool setBounds(DesktopServices& desktop, const Application& application, qint64 windowID, const QRectF& frame)
{
    return setBounds(desktop.processes, application.name, windowID, frame, application.tolerance,
                     application.logPrefix);
}

} // namespace ScriptedWindows
