#pragma once

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <optional>
#include <variant>

// The accessibility-style view of the desktop that window discovery is written against. It mirrors
// the handful of operations the product needs from the macOS accessibility service; other desktops
// implement the same operations over their own window system.

// An opaque element (an application or one of its windows). Backends derive their own data from it;
// an empty pointer is "no element".
class AXElementData {
public:
    virtual ~AXElementData() = default;
};
using AXElement = std::shared_ptr<const AXElementData>;
using AXElementList = QList<AXElement>;

// A value of a kind the product never reads (returned as-is so that callers can reject it).
struct AXUnsupportedValue {
    bool operator==(const AXUnsupportedValue&) const = default;
};

// No value, an element, an array of elements, text, a Boolean, a point or a size.
using AXValue = std::variant<std::monostate, AXElement, AXElementList, QString, bool, QPointF, QSizeF,
                             AXUnsupportedValue>;

// The error codes of the accessibility service, by their macOS values.
enum class AXError : int {
    success = 0,
    failure = -25200,
    illegalArgument = -25201,
    invalidUIElement = -25202,
    cannotComplete = -25204,
    attributeUnsupported = -25205,
    actionUnsupported = -25206,
    apiDisabled = -25211,
    noValue = -25212,
};

struct AXResult {
    AXError error = AXError::success;
    AXValue value;

    bool succeeded() const { return error == AXError::success; }
};

namespace AXAttribute {
inline const QString windows = QStringLiteral("AXWindows");
inline const QString title = QStringLiteral("AXTitle");
inline const QString focusedWindow = QStringLiteral("AXFocusedWindow");
inline const QString position = QStringLiteral("AXPosition");
inline const QString size = QStringLiteral("AXSize");
inline const QString minimized = QStringLiteral("AXMinimized");
inline const QString enhancedUserInterface = QStringLiteral("AXEnhancedUserInterface");
} // namespace AXAttribute

namespace AXAction {
inline const QString raise = QStringLiteral("AXRaise");
} // namespace AXAction

class Accessibility {
public:
    virtual ~Accessibility() = default;

    // Whether this process may use the service; with the prompt allowed the system may ask the user.
    virtual bool isProcessTrusted(bool promptIfNeeded) = 0;
    // Process ids of the running applications with this identity, in the order the system gives.
    virtual QList<qint32> runningApplications(const QString& bundleIdentifier) = 0;
    virtual AXElement applicationElement(qint32 pid) = 0;
    virtual AXResult copyAttribute(const AXElement& element, const QString& attribute) = 0;
    virtual AXError setAttribute(const AXElement& element, const QString& attribute,
                                 const AXValue& value) = 0;
    virtual AXError performAction(const AXElement& element, const QString& action) = 0;
    // Brings the process to the front; false when no such process runs.
    virtual bool activateApplication(qint32 pid) = 0;
    virtual std::optional<qint32> frontmostApplication() = 0;
    virtual qint32 ownProcessIdentifier() = 0;
};
