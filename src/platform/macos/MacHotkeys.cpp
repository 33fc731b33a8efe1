#include "platform/macos/MacHotkeys.h"

#include <Carbon/Carbon.h>

namespace {

// "PNDK": the signature that marks the hot key as this application's.
constexpr OSType signature = 0x504E444B;

// The event's hot-key identity is not looked at: this process registers one hot key only.
OSStatus onHotKey(EventHandlerCallRef, EventRef, void* userData)
{
    if (!userData)
        return noErr;
    const auto* pressed = static_cast<const std::function<void()>*>(userData);
    if (*pressed)
        (*pressed)();
    return noErr;
}

} // namespace

MacHotkeys::~MacHotkeys()
{
    unregisterHotKey();
    removeHandler();
}

int MacHotkeys::installHandler(std::function<void()> pressed)
{
    removeHandler();
    m_pressed = std::move(pressed);
    const EventTypeSpec type{kEventClassKeyboard, kEventHotKeyPressed};
    static const EventHandlerUPP handler = NewEventHandlerUPP(onHotKey);
    EventHandlerRef installed = nullptr;
    const OSStatus status =
        InstallEventHandler(GetApplicationEventTarget(), handler, 1, &type, &m_pressed, &installed);
    m_handler = installed;
    return int(status);
}

void MacHotkeys::removeHandler()
{
    if (m_handler)
        RemoveEventHandler(static_cast<EventHandlerRef>(m_handler));
    m_handler = nullptr;
    m_pressed = nullptr;
}

int MacHotkeys::registerHotKey(quint32 keyCode, quint32 modifiers)
{
    unregisterHotKey();
    EventHotKeyRef registered = nullptr;
    const OSStatus status = RegisterEventHotKey(keyCode, modifiers, EventHotKeyID{signature, 1},
                                                GetApplicationEventTarget(), 0, &registered);
    m_hotKey = registered;
    return int(status);
}

void MacHotkeys::unregisterHotKey()
{
    if (m_hotKey)
        UnregisterEventHotKey(static_cast<EventHotKeyRef>(m_hotKey));
    m_hotKey = nullptr;
}
