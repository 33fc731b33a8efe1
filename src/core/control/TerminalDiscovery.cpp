#include "core/control/TerminalDiscovery.h"

#include "core/Log.h"
#include "core/control/ScriptedWindows.h"
#include "core/windows/GeometryText.h"

#include <QSet>
#include <algorithm>

namespace TerminalDiscovery {
namespace {

const ScriptedWindows::Application scripted{QStringLiteral("Terminal"), QStringLiteral("TerminalDiscovery"),
                                            tolerance};

// Walks `lsof -F` output: "p" lines name the current process, "n" lines a name for it. `onName`
// answers whether the process stays current for the following "n" lines.
template <typename OnName> void walkFields(const QString& text, OnName onName)
{
    qint64 pid = 0;
    bool current = false;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u'p')) {
            const auto parsed = ScriptedWindows::parseInteger(line.mid(1));
            current = parsed.has_value();
            pid = parsed.value_or(0);
        } else if (line.startsWith(u'n') && current) {
            current = onName(pid, line.mid(1));
        }
    }
}

} // namespace

QString listingScript()
{
    return QStringLiteral(
        "tell application \"Terminal\"\n"
        "    set out to \"\"\n"
        "    repeat with w in windows\n"
        "        try\n"
        "            set out to out & (id of w) & \"|\" & (tty of selected tab of w) & \"|\" & "
        "(name of w) & linefeed\n"
        "        end try\n"
        "    end repeat\n"
        "    return out\n"
        "end tell");
}

QList<WindowInfo> parseWindowList(const QString& text)
{
    QList<WindowInfo> windows;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype first = line.indexOf(u'|');
        const qsizetype second = first < 0 ? -1 : line.indexOf(u'|', first + 1);
        if (second < 0)
            continue; // fewer than three pieces
        const auto id = ScriptedWindows::parseInteger(line.left(first));
        if (!id)
            continue;
        windows.append({*id, line.mid(first + 1, second - first - 1), line.mid(second + 1)});
    }
    return windows;
}

QHash<QString, QList<qint64>> parsePidsByTTY(const QString& text)
{
    QHash<QString, QList<qint64>> pids;
    walkFields(text, [&](qint64 pid, const QString& name) {
        pids[name].append(pid);
        return true;
    });
    return pids;
}

QHash<qint64, QString> parseCwdByPID(const QString& text)
{
    QHash<qint64, QString> folders;
    walkFields(text, [&](qint64 pid, const QString& name) {
        folders.insert(pid, name);
        return false; // only the first name after each process counts
    });
    return folders;
}

QHash<QString, QString> cwdByTTY(Processes& processes, const QStringList& ttys)
{
    if (ttys.isEmpty())
        return {};
    const auto devices =
        processes.runToEnd(lsof, QStringList{QStringLiteral("-F"), QStringLiteral("pn")} + ttys);
    if (!devices)
        return {};

    QHash<QString, qint64> shellByTTY;
    const auto pidsByTTY = parsePidsByTTY(*devices);
    for (auto it = pidsByTTY.begin(); it != pidsByTTY.end(); ++it)
        shellByTTY.insert(it.key(), *std::min_element(it->begin(), it->end()));
    const QList<qint64> pids = QSet<qint64>(shellByTTY.begin(), shellByTTY.end()).values();
    if (pids.isEmpty())
        return {};

    QStringList idList;
    for (const qint64 pid : pids)
        idList.append(QString::number(pid));
    const auto folders =
        processes.runToEnd(lsof, {QStringLiteral("-a"), QStringLiteral("-p"), idList.join(u','),
                                  QStringLiteral("-d"), QStringLiteral("cwd"), QStringLiteral("-Fn")});
    if (!folders)
        return {};
    const auto cwdByPID = parseCwdByPID(*folders);
    QHash<QString, QString> result;
    for (auto it = shellByTTY.begin(); it != shellByTTY.end(); ++it) {
        if (cwdByPID.contains(*it))
            result.insert(it.key(), cwdByPID.value(*it));
    }
    return result;
}

QList<AppWindow> listWindows(DesktopServices& desktop)
{
    if (desktop.terminals) {
        QList<AppWindow> windows;
        for (const TerminalWindow& found : desktop.terminals->windows()) {
            AppWindow window(WindowKind::terminal, found.title, std::nullopt, found.folder);
            window.pid = found.pid;
            window.terminalWindowID = found.id;
            windows.append(std::move(window));
        }
        return windows;
    }
    const auto listing = ScriptedWindows::list(desktop, terminalBundleID, listingScript());
    if (!listing)
        return {};
    const QList<WindowInfo> infos = parseWindowList(listing->output);
    QStringList ttys;
    for (const WindowInfo& info : infos)
        ttys.append(info.tty);
    const auto folders = cwdByTTY(desktop.processes, ttys);

    QList<AppWindow> windows;
    for (const WindowInfo& info : infos) {
        const auto folder = folders.constFind(info.tty);
        AppWindow window(WindowKind::terminal, info.name, std::nullopt,
                         folder == folders.constEnd() ? std::nullopt : std::optional<QString>(*folder));
        window.pid = listing->pid;
        window.terminalWindowID = info.id;
        windows.append(std::move(window));
    }
    return windows;
}

void raise(DesktopServices& desktop, qint64 windowID, bool activate)
{
    if (desktop.terminals)
        desktop.terminals->raise(windowID, activate);
    else
        ScriptedWindows::raise(desktop, scripted, windowID);
}

std::optional<QRectF> currentBounds(DesktopServices& desktop, qint64 windowID)
{
    if (desktop.terminals)
        return desktop.terminals->frame(windowID);
    return ScriptedWindows::currentBounds(desktop, scripted, windowID);
}

// The terminal emulators are placed as Terminal is: asked, given the same moment to settle, read
// back and asked again, up to the same number of times, with the same tolerance and failure line.
bool setBounds(DesktopServices& desktop, qint64 windowID, const QRectF& frame)
{
    if (!desktop.terminals)
        return ScriptedWindows::setBounds(desktop, scripted, windowID, frame);
    for (int attempt = 0; attempt < ScriptedWindows::attempts; ++attempt) {
        desktop.terminals->requestFrame(windowID, frame);
        desktop.sleeper.sleep(settleDelay);
        const auto actual = desktop.terminals->frame(windowID);
        if (!actual)
            return false;
        if (ScriptedWindows::boundsMatch(*actual, frame, tolerance))
            return true;
    }
    Log::line(QStringLiteral("TerminalDiscovery: failed to settle window ") + QString::number(windowID) +
              QStringLiteral(" at ") + GeometryText::describe(frame));
    return false;
}

} // namespace TerminalDiscovery
