#include "platform/macos/MacAccessibility.h"

// Apple's AXError (an int32_t) is named MacAXError here: the product's own AXError enumerates the
// same values, and the two cannot share a name.
#define AXError MacAXError
#include <ApplicationServices/ApplicationServices.h>
#undef AXError

#include "platform/macos/CFRef.h"
#include "platform/macos/MacApplications.h"

#include <unistd.h>

namespace {

struct MacElement final : AXElementData {
    explicit MacElement(CFRef<AXUIElementRef> element) : ref(std::move(element))
    {
        if (ref)
            AXUIElementSetMessagingTimeout(ref.get(), MacAccessibility::messagingTimeout);
    }
    CFRef<AXUIElementRef> ref;
};

AXUIElementRef macElement(const AXElement& element)
{
    const auto* e = dynamic_cast<const MacElement*>(element.get());
    return e ? e->ref.get() : nullptr;
}

AXElement wrap(CFRef<AXUIElementRef> element)
{
    return std::make_shared<MacElement>(std::move(element));
}

AXError productError(MacAXError error)
{
    return static_cast<AXError>(error);
}

// A value the product reads: text, a Boolean, an element, a list of elements, a point or a size.
AXValue fromCF(CFTypeRef value)
{
    if (!value)
        return std::monostate{};
    const CFTypeID type = CFGetTypeID(value);
    if (type == CFStringGetTypeID())
        return fromCFString(static_cast<CFStringRef>(value));
    if (type == CFBooleanGetTypeID())
        return CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0;
    if (type == AXUIElementGetTypeID())
        return wrap(CFRef<AXUIElementRef>::retain(static_cast<AXUIElementRef>(value)));
    if (type == CFArrayGetTypeID()) {
        const auto array = static_cast<CFArrayRef>(value);
        AXElementList elements;
        for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
            const CFTypeRef item = CFArrayGetValueAtIndex(array, i);
            if (item && CFGetTypeID(item) == AXUIElementGetTypeID())
                elements.append(wrap(CFRef<AXUIElementRef>::retain(static_cast<AXUIElementRef>(item))));
        }
        return elements;
    }
    if (type == AXValueGetTypeID()) {
        const auto axValue = static_cast<AXValueRef>(value);
        CGPoint point{};
        if (AXValueGetValue(axValue, kAXValueTypeCGPoint, &point))
            return QPointF(point.x, point.y);
        CGSize size{};
        if (AXValueGetValue(axValue, kAXValueTypeCGSize, &size))
            return QSizeF(size.width, size.height);
    }
    return AXUnsupportedValue{};
}

// The value to set: a Boolean, a point or a size; anything else is not settable.
CFRef<CFTypeRef> toCF(const AXValue& value)
{
    if (const bool* flag = std::get_if<bool>(&value))
        return CFRef<CFTypeRef>::retain(*flag ? kCFBooleanTrue : kCFBooleanFalse);
    if (const QPointF* p = std::get_if<QPointF>(&value)) {
        const CGPoint point{p->x(), p->y()};
        return CFRef<CFTypeRef>::adopt(AXValueCreate(kAXValueTypeCGPoint, &point));
    }
    if (const QSizeF* s = std::get_if<QSizeF>(&value)) {
        const CGSize size{s->width(), s->height()};
        return CFRef<CFTypeRef>::adopt(AXValueCreate(kAXValueTypeCGSize, &size));
    }
    return {};
}

} // namespace

bool MacAccessibility::isProcessTrusted(bool promptIfNeeded)
{
    const void* keys[] = {kAXTrustedCheckOptionPrompt};
    const void* values[] = {promptIfNeeded ? kCFBooleanTrue : kCFBooleanFalse};
    const auto options = CFRef<CFDictionaryRef>::adopt(CFDictionaryCreate(kCFAllocatorDefault, keys, values,
                                                                          1, &kCFTypeDictionaryKeyCallBacks,
                                                                          &kCFTypeDictionaryValueCallBacks));
    return AXIsProcessTrustedWithOptions(options.get()) != 0;
}

QList<qint32> MacAccessibility::runningApplications(const QString& bundleIdentifier)
{
    QList<qint32> pids;
    for (const MacApplications::Application& app : MacApplications::withIdentifier(bundleIdentifier))
        pids.append(app.pid);
    return pids;
}

AXElement MacAccessibility::applicationElement(qint32 pid)
{
    return wrap(CFRef<AXUIElementRef>::adopt(AXUIElementCreateApplication(pid)));
}

AXResult MacAccessibility::copyAttribute(const AXElement& element, const QString& attribute)
{
    const AXUIElementRef e = macElement(element);
    if (!e)
        return {AXError::illegalArgument, std::monostate{}};
    CFRef<CFTypeRef> value;
    const MacAXError error = AXUIElementCopyAttributeValue(e, toCFString(attribute).get(), value.out());
    if (error != kAXErrorSuccess)
        return {productError(error), std::monostate{}};
    return {AXError::success, fromCF(value.get())};
}

AXError MacAccessibility::setAttribute(const AXElement& element, const QString& attribute,
                                       const AXValue& value)
{
    const AXUIElementRef e = macElement(element);
    const CFRef<CFTypeRef> converted = toCF(value);
    if (!e || !converted)
        return AXError::illegalArgument;
    return productError(AXUIElementSetAttributeValue(e, toCFString(attribute).get(), converted.get()));
}

AXError MacAccessibility::performAction(const AXElement& element, const QString& action)
{
    const AXUIElementRef e = macElement(element);
    if (!e)
        return AXError::illegalArgument;
    return productError(AXUIElementPerformAction(e, toCFString(action).get()));
}

bool MacAccessibility::activateApplication(qint32 pid)
{
    return MacApplications::activate(pid);
}

std::optional<qint32> MacAccessibility::frontmostApplication()
{
    return MacApplications::frontmost();
}

qint32 MacAccessibility::ownProcessIdentifier()
{
    return qint32(::getpid());
}
