#pragma once

#include "platform/Accessibility.h"
#include "platform/Sleeper.h"

#include <QList>
#include <QMap>
#include <QRectF>
#include <QStringList>
#include <functional>
#include <optional>

// An in-memory desktop behind the accessibility operations. Tests describe applications and windows,
// script how windows answer reads and moves, and read back the calls that were made.
class FakeDesktop final : public Accessibility {
public:
    struct Window {
        QString title;
        AXError titleError = AXError::success;
        AXValue titleValue; // used instead of `title` when not empty
        QRectF frame{0, 0, 800, 600};
        bool frameReadable = true;
        std::optional<bool> minimized = false; // absent: the read fails
        // Where a set position or size really lands; by default exactly where asked.
        std::function<QRectF(const QRectF& requested)> constrain;
        // Frames answered by successive reads before the real frame is used again.
        QList<std::optional<QRectF>> scriptedReads;
        std::optional<QRectF> lastRequest; // what the sets so far asked for
    };
    struct Application {
        qint32 pid = 0;
        QList<int> windows; // ids into the window table
        AXError windowsError = AXError::success;
        AXValue windowsValue;                      // used instead of `windows` when not empty
        std::optional<bool> enhancedUserInterface; // absent: the attribute is unsupported
        std::optional<int> focusedWindow;
    };

    // --- building the desktop
    int addWindow(Window window);
    Application& addApplication(const QString& bundleIdentifier, qint32 pid, QList<int> windows);
    Window& window(int id) { return m_windows[id]; }
    Application* application(qint32 pid);
    AXElement windowElement(int id, qint32 pid) const;

    bool trusted = true;
    std::optional<qint32> frontmost;
    qint32 ownPid = 4242;

    // --- what happened, one line per call ("copy 7 AXTitle", "set w3 AXSize (800.0, 600.0)", ...)
    QStringList calls;
    QStringList callsMatching(const QString& prefix) const;
    QList<bool> trustPrompts;

    // --- Accessibility
    bool isProcessTrusted(bool promptIfNeeded) override;
    QList<qint32> runningApplications(const QString& bundleIdentifier) override;
    AXElement applicationElement(qint32 pid) override;
    AXResult copyAttribute(const AXElement& element, const QString& attribute) override;
    AXError setAttribute(const AXElement& element, const QString& attribute, const AXValue& value) override;
    AXError performAction(const AXElement& element, const QString& action) override;
    bool activateApplication(qint32 pid) override;
    std::optional<qint32> frontmostApplication() override;
    qint32 ownProcessIdentifier() override;

private:
    std::optional<QRectF> readFrame(Window& window, bool consumeScript);
    QMap<int, Window> m_windows;
    QList<std::pair<QString, Application>> m_applications;
    int m_nextWindow = 1;
};

// Records requested sleeps instead of sleeping.
class FakeSleeper final : public Sleeper {
public:
    void sleep(double seconds) override { sleeps.append(seconds); }
    QList<double> sleeps;
};

QString describeValue(const AXValue& value);
