#pragma once

#include "core/windows/AppWindow.h"
#include "platform/Accessibility.h"
#include "platform/Sleeper.h"

#include <QList>
#include <QRectF>
#include <optional>

// Lists, raises, reads and moves the editor's windows through the accessibility service. Frames are
// in the top-left-origin desktop space. Holds no state of its own between calls.
class WindowDiscovery {
public:
    static inline const QString vscodeBundleID = QStringLiteral("com.microsoft.VSCode");

    // Checks of the move sequence.
    static constexpr double moveTolerance = 6.0; // every edge must differ by strictly less
    static constexpr int moveAttempts = 8;
    static constexpr double unminimizeDelay = 0.35;
    static constexpr double settleDelay = 0.1;
    static constexpr double confirmDelay = 0.18;

    struct FocusedWindow {
        qint32 pid = 0;
        QString title;
    };

    WindowDiscovery(Accessibility& accessibility, Sleeper& sleeper);

    bool isTrusted(bool promptIfNeeded) const;
    QList<AppWindow> listWindows() const;
    // The focused window of the frontmost application, any application but this process.
    std::optional<FocusedWindow> frontmostFocusedWindow() const;
    // Brings the window to the front; with `activate` its application too, which gives it the keyboard.
    void raise(const AppWindow& window, bool activate = true) const;
    std::optional<QRectF> frame(const AppWindow& window) const;
    // Moves and resizes, verifying that the window settled there; false after every attempt failed.
    bool move(const AppWindow& window, const QRectF& topLeftFrame) const;

private:
    struct Placement {
        QPointF position;
        QSizeF size;
    };
    std::optional<Placement> currentFrame(const AXElement& element) const;
    std::optional<bool> boolAttribute(const AXElement& element, const QString& attribute) const;
    bool settled(const AXElement& element, const QRectF& target) const;

    Accessibility& m_ax;
    Sleeper& m_sleeper;
};
