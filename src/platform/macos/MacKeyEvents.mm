#include "platform/macos/MacKeyEvents.h"

#import <AppKit/AppKit.h>

namespace {

KeyEvent translate(NSEvent* event)
{
    KeyEvent e;
    e.type = int(event.type);
    e.keyCode = event.keyCode;
    e.modifierFlags = quint64(event.modifierFlags);
    e.isARepeat = event.type == NSEventTypeKeyDown && event.isARepeat;
    return e;
}

} // namespace

MacKeyEvents::~MacKeyEvents()
{
    for (const Token token : m_monitors.keys())
        removeMonitor(token);
}

std::optional<KeyEvents::Token> MacKeyEvents::add(Handler handler, bool global)
{
    const NSEventMask mask = NSEventMaskKeyDown | NSEventMaskFlagsChanged;
    id monitor = nil;
    if (global) {
        monitor = [NSEvent addGlobalMonitorForEventsMatchingMask:mask
                                                         handler:^(NSEvent* event) {
                                                           handler(translate(event));
                                                         }];
    } else {
        monitor = [NSEvent addLocalMonitorForEventsMatchingMask:mask
                                                        handler:^NSEvent*(NSEvent* event) {
                                                          handler(translate(event));
                                                          return event; // observed, never swallowed
                                                        }];
    }
    if (!monitor)
        return std::nullopt;
    const Token token = m_next++;
    m_monitors.insert(token, (__bridge_retained void*)monitor);
    return token;
}

std::optional<KeyEvents::Token> MacKeyEvents::addGlobalMonitor(Handler handler)
{
    return add(std::move(handler), true);
}

std::optional<KeyEvents::Token> MacKeyEvents::addLocalMonitor(Handler handler)
{
    return add(std::move(handler), false);
}

void MacKeyEvents::removeMonitor(Token token)
{
    void* monitor = m_monitors.take(token);
    if (monitor)
        [NSEvent removeMonitor:(__bridge_transfer id)monitor];
}
