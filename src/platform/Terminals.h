#pragma once

#include <QList>
#include <QRectF>
#include <QString>
#include <optional>

// One terminal window: its emulator's process, its title, and the folder its shell works in when
// that can be told.
struct TerminalWindow {
    qint64 id = 0; // stable while the window lives
    qint32 pid = 0;
    QString title;
    std::optional<QString> folder;
    bool operator==(const TerminalWindow&) const = default;
};

// Terminal windows on desktops where Terminal's own scripting is not there: the windows of the
// common terminal emulators. Frames are in the top-left space of the editor windows.
class Terminals {
public:
    virtual ~Terminals() = default;
    virtual QList<TerminalWindow> windows() = 0;
    // Brings the window to the front; with `activate` it takes the keyboard too.
    virtual void raise(qint64 id, bool activate) = 0;
    virtual std::optional<QRectF> frame(qint64 id) = 0;
    // Asks for the frame; the window manager applies it a moment later, or not at all.
    virtual void requestFrame(qint64 id, const QRectF& frame) = 0;
};
