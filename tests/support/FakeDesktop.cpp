#include "FakeDesktop.h"

#include "core/windows/GeometryText.h"

namespace {

struct FakeElement final : AXElementData {
    FakeElement(qint32 pid, int window) : pid(pid), window(window) {}
    qint32 pid;
    int window; // 0 for the application element
};

const FakeElement* fake(const AXElement& element)
{
    return dynamic_cast<const FakeElement*>(element.get());
}

QString name(const FakeElement* e)
{
    return e->window ? QStringLiteral("w%1").arg(e->window) : QStringLiteral("app%1").arg(e->pid);
}

} // namespace

QString describeValue(const AXValue& value)
{
    if (const bool* b = std::get_if<bool>(&value))
        return *b ? QStringLiteral("true") : QStringLiteral("false");
    if (const QPointF* p = std::get_if<QPointF>(&value))
        return GeometryText::describe(*p);
    if (const QSizeF* s = std::get_if<QSizeF>(&value))
        return GeometryText::describe(*s);
    if (const QString* t = std::get_if<QString>(&value))
        return *t;
    return QStringLiteral("<value>");
}

int FakeDesktop::addWindow(Window window)
{
    const int id = m_nextWindow++;
    m_windows.insert(id, std::move(window));
    return id;
}

FakeDesktop::Application& FakeDesktop::addApplication(const QString& bundleIdentifier, qint32 pid,
                                                      QList<int> windows)
{
    Application app;
    app.pid = pid;
    app.windows = std::move(windows);
    m_applications.append({bundleIdentifier, app});
    return m_applications.last().second;
}

FakeDesktop::Application* FakeDesktop::application(qint32 pid)
{
    for (auto& [bundle, app] : m_applications) {
        if (app.pid == pid)
            return &app;
    }
    return nullptr;
}

AXElement FakeDesktop::windowElement(int id, qint32 pid) const
{
    return std::make_shared<FakeElement>(pid, id);
}

QStringList FakeDesktop::callsMatching(const QString& prefix) const
{
    QStringList result;
    for (const QString& call : calls) {
        if (call.startsWith(prefix))
            result.append(call);
    }
    return result;
}

bool FakeDesktop::isProcessTrusted(bool promptIfNeeded)
{
    trustPrompts.append(promptIfNeeded);
    calls.append(QStringLiteral("trusted?"));
    return trusted;
}

QList<qint32> FakeDesktop::runningApplications(const QString& bundleIdentifier)
{
    calls.append(QStringLiteral("running ") + bundleIdentifier);
    QList<qint32> pids;
    for (const auto& [bundle, app] : m_applications) {
        if (bundle == bundleIdentifier)
            pids.append(app.pid);
    }
    return pids;
}

AXElement FakeDesktop::applicationElement(qint32 pid)
{
    return std::make_shared<FakeElement>(pid, 0);
}

std::optional<QRectF> FakeDesktop::readFrame(Window& window, bool consumeScript)
{
    if (!window.scriptedReads.isEmpty()) {
        // An unreadable scripted frame is used up by the position read, which is then all that is read.
        if (consumeScript || !window.scriptedReads.first())
            return window.scriptedReads.takeFirst();
        return window.scriptedReads.first();
    }
    if (!window.frameReadable)
        return std::nullopt;
    return window.frame;
}

AXResult FakeDesktop::copyAttribute(const AXElement& element, const QString& attribute)
{
    const FakeElement* e = fake(element);
    if (!e)
        return {AXError::illegalArgument, {}};
    calls.append(QStringLiteral("copy %1 %2").arg(name(e), attribute));
    if (!trusted)
        return {AXError::apiDisabled, {}};

    if (!e->window) {
        Application* app = application(e->pid);
        if (!app)
            return {AXError::invalidUIElement, {}};
        if (attribute == AXAttribute::windows) {
            if (app->windowsError != AXError::success)
                return {app->windowsError, {}};
            if (!std::holds_alternative<std::monostate>(app->windowsValue))
                return {AXError::success, app->windowsValue};
            AXElementList list;
            for (int id : app->windows)
                list.append(windowElement(id, app->pid));
            return {AXError::success, list};
        }
        if (attribute == AXAttribute::focusedWindow) {
            if (!app->focusedWindow)
                return {AXError::noValue, {}};
            return {AXError::success, windowElement(*app->focusedWindow, app->pid)};
        }
        if (attribute == AXAttribute::enhancedUserInterface && app->enhancedUserInterface)
            return {AXError::success, *app->enhancedUserInterface};
        return {AXError::attributeUnsupported, {}};
    }

    if (!m_windows.contains(e->window))
        return {AXError::invalidUIElement, {}};
    Window& w = m_windows[e->window];
    if (attribute == AXAttribute::title) {
        if (w.titleError != AXError::success)
            return {w.titleError, {}};
        if (!std::holds_alternative<std::monostate>(w.titleValue))
            return {AXError::success, w.titleValue};
        return {AXError::success, w.title};
    }
    if (attribute == AXAttribute::position) {
        // A position read starts a frame read; the size read that follows answers the same frame.
        const auto frame = readFrame(w, false);
        if (!frame)
            return {AXError::cannotComplete, {}};
        return {AXError::success, frame->topLeft()};
    }
    if (attribute == AXAttribute::size) {
        const auto frame = readFrame(w, true);
        if (!frame)
            return {AXError::cannotComplete, {}};
        return {AXError::success, frame->size()};
    }
    if (attribute == AXAttribute::minimized) {
        if (!w.minimized)
            return {AXError::cannotComplete, {}};
        return {AXError::success, *w.minimized};
    }
    return {AXError::attributeUnsupported, {}};
}

AXError FakeDesktop::setAttribute(const AXElement& element, const QString& attribute, const AXValue& value)
{
    const FakeElement* e = fake(element);
    if (!e)
        return AXError::illegalArgument;
    calls.append(QStringLiteral("set %1 %2 %3").arg(name(e), attribute, describeValue(value)));
    if (!e->window) {
        Application* app = application(e->pid);
        if (app && attribute == AXAttribute::enhancedUserInterface && std::holds_alternative<bool>(value))
            app->enhancedUserInterface = std::get<bool>(value);
        return AXError::success;
    }
    if (!m_windows.contains(e->window))
        return AXError::invalidUIElement;
    Window& w = m_windows[e->window];
    QRectF requested = w.lastRequest.value_or(w.frame);
    if (const QPointF* p = std::get_if<QPointF>(&value); p && attribute == AXAttribute::position)
        requested.moveTopLeft(*p);
    else if (const QSizeF* s = std::get_if<QSizeF>(&value); s && attribute == AXAttribute::size)
        requested.setSize(*s);
    else if (const bool* b = std::get_if<bool>(&value); b && attribute == AXAttribute::minimized)
        w.minimized = *b;
    w.lastRequest = requested;
    w.frame = w.constrain ? w.constrain(requested) : requested;
    return AXError::success;
}

AXError FakeDesktop::performAction(const AXElement& element, const QString& action)
{
    const FakeElement* e = fake(element);
    if (!e)
        return AXError::illegalArgument;
    calls.append(QStringLiteral("perform %1 %2").arg(name(e), action));
    return AXError::success;
}

bool FakeDesktop::activateApplication(qint32 pid)
{
    calls.append(QStringLiteral("activate %1").arg(pid));
    return application(pid) != nullptr;
}

std::optional<qint32> FakeDesktop::frontmostApplication()
{
    return frontmost;
}

qint32 FakeDesktop::ownProcessIdentifier()
{
    return ownPid;
}
