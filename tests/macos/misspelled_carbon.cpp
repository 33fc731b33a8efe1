// Must fail: Carbon has RegisterEventHotKey, not RegisterEventHotkey.
#include <Carbon/Carbon.h>

OSStatus grab(EventHotKeyRef* hotKey)
{
    return RegisterEventHotkey(9, 0x900, EventHotKeyID{1, 1}, GetApplicationEventTarget(), 0, hotKey);
}
