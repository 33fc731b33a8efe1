// Must fail: a CoreFoundation reference released by hand, outside its holder.
#include <ApplicationServices/ApplicationServices.h>

void forget(AXUIElementRef element)
{
    CFRelease(element);
}
