#include "core/windows/WindowDiscovery.h"

#include "core/Log.h"
#include "core/windows/GeometryText.h"
#include "core/windows/TitleParser.h"

#include <cmath>

namespace {

template <typename T> const T* valueAs(const AXResult& result)
{
    return result.succeeded() ? std::get_if<T>(&result.value) : nullptr;
}

bool within(double actual, double wanted)
{
    return std::fabs(actual - wanted) < WindowDiscovery::moveTolerance;
}

} // namespace

WindowDiscovery::WindowDiscovery(Accessibility& accessibility, Sleeper& sleeper)
    : m_ax(accessibility), m_sleeper(sleeper)
{
}

bool WindowDiscovery::isTrusted(bool promptIfNeeded) const
{
    return m_ax.isProcessTrusted(promptIfNeeded);
}

QList<AppWindow> WindowDiscovery::listWindows() const
{
    QList<AppWindow> windows;
    for (const qint32 pid : m_ax.runningApplications(vscodeBundleID)) {
        const AXElement app = m_ax.applicationElement(pid);
        const AXResult list = m_ax.copyAttribute(app, AXAttribute::windows);
        const auto* elements = valueAs<AXElementList>(list);
        if (!elements)
            continue;
        for (const AXElement& element : *elements) {
            if (!element)
                continue;
            const AXResult titleRead = m_ax.copyAttribute(element, AXAttribute::title);
            const auto* title = valueAs<QString>(titleRead);
            if (!title || title->isEmpty())
                continue;
            AppWindow window(WindowKind::vscode, *title, TitleParser::projectName(*title), std::nullopt);
            window.axElement = element;
            window.pid = pid;
            windows.append(std::move(window));
        }
    }
    return windows;
}

std::optional<WindowDiscovery::FocusedWindow> WindowDiscovery::frontmostFocusedWindow() const
{
    const std::optional<qint32> pid = m_ax.frontmostApplication();
    if (!pid || *pid == m_ax.ownProcessIdentifier())
        return std::nullopt;
    const AXResult focused = m_ax.copyAttribute(m_ax.applicationElement(*pid), AXAttribute::focusedWindow);
    const auto* element = valueAs<AXElement>(focused);
    if (!element || !*element)
        return std::nullopt;
    const AXResult titleRead = m_ax.copyAttribute(*element, AXAttribute::title);
    const auto* title = valueAs<QString>(titleRead);
    if (!title)
        return std::nullopt;
    return FocusedWindow{*pid, *title};
}

void WindowDiscovery::raise(const AppWindow& window, bool activate) const
{
    if (!window.axElement)
        return;
    m_ax.performAction(window.axElement, AXAction::raise);
    if (activate)
        m_ax.activateApplication(window.pid);
}

std::optional<QRectF> WindowDiscovery::frame(const AppWindow& window) const
{
    if (!window.axElement)
        return std::nullopt;
    const auto placement = currentFrame(window.axElement);
    if (!placement)
        return std::nullopt;
    return QRectF(placement->position, placement->size);
}

bool WindowDiscovery::move(const AppWindow& window, const QRectF& topLeftFrame) const
{
    if (!window.axElement)
        return false;
    const AXElement& element = window.axElement;

    const AXElement app = m_ax.applicationElement(window.pid);
    const bool enhanced = boolAttribute(app, AXAttribute::enhancedUserInterface).value_or(false);
    if (enhanced)
        m_ax.setAttribute(app, AXAttribute::enhancedUserInterface, false);

    if (boolAttribute(element, AXAttribute::minimized) == true) {
        m_ax.setAttribute(element, AXAttribute::minimized, false);
        m_sleeper.sleep(unminimizeDelay);
    }

    const QRectF target = topLeftFrame.normalized();
    const QPointF position = target.topLeft();
    const QSizeF size = target.size();

    bool arrived = false;
    for (int attempt = 0; attempt < moveAttempts && !arrived; ++attempt) {
        m_ax.setAttribute(element, AXAttribute::size, size);
        m_ax.setAttribute(element, AXAttribute::position, position);
        m_ax.setAttribute(element, AXAttribute::size, size);
        m_ax.setAttribute(element, AXAttribute::position, position);
        m_sleeper.sleep(settleDelay);
        if (settled(element, target)) {
            // A window still moving, or one that snaps back, fails the confirming read.
            m_sleeper.sleep(confirmDelay);
            arrived = settled(element, target);
        }
    }

    if (!arrived) {
        if (const auto actual = currentFrame(element)) {
            Log::line(QStringLiteral("WindowDiscovery: target=") + GeometryText::describe(topLeftFrame) +
                      QStringLiteral(", actual position=") + GeometryText::describe(actual->position) +
                      QStringLiteral(", size=") + GeometryText::describe(actual->size));
        } else {
            Log::line(QStringLiteral("WindowDiscovery: failed to read frame after targeting ") +
                      GeometryText::describe(topLeftFrame));
        }
    }

    if (enhanced)
        m_ax.setAttribute(app, AXAttribute::enhancedUserInterface, true);
    return arrived;
}

bool WindowDiscovery::settled(const AXElement& element, const QRectF& target) const
{
    const auto actual = currentFrame(element);
    return actual && within(actual->position.x(), target.x()) && within(actual->position.y(), target.y()) &&
           within(actual->size.width(), target.width()) && within(actual->size.height(), target.height());
}

std::optional<WindowDiscovery::Placement> WindowDiscovery::currentFrame(const AXElement& element) const
{
    const AXResult positionRead = m_ax.copyAttribute(element, AXAttribute::position);
    if (!positionRead.succeeded() || std::holds_alternative<std::monostate>(positionRead.value))
        return std::nullopt;
    const AXResult sizeRead = m_ax.copyAttribute(element, AXAttribute::size);
    const auto* position = std::get_if<QPointF>(&positionRead.value);
    const auto* size = valueAs<QSizeF>(sizeRead);
    if (!position || !size)
        return std::nullopt;
    return Placement{*position, *size};
}

std::optional<bool> WindowDiscovery::boolAttribute(const AXElement& element, const QString& attribute) const
{
    const AXResult read = m_ax.copyAttribute(element, attribute);
    if (const auto* value = valueAs<bool>(read))
        return *value;
    return std::nullopt;
}
