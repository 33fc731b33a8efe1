// Must fail: a C string where the accessibility API takes a CFStringRef.
#include <ApplicationServices/ApplicationServices.h>

AXError title(AXUIElementRef window, CFTypeRef* value)
{
    return AXUIElementCopyAttributeValue(window, "AXTitle", value);
}
