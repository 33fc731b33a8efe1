#include "ui/AccessoryWindow.h"

#import <AppKit/AppKit.h>
#include <QWidget>

namespace AccessoryWindow {

// The panel as an accessory application shows it: a floating panel (level 3) that does not
// activate the application yet can become key, stays when the application is deactivated, in the
// light appearance with a shadow. No Dock icon: the application is an accessory.
void prepare(QWidget* window)
{
    [NSApp setActivationPolicy:NSApplicationActivationPolicyAccessory];
    NSView* view = (__bridge NSView*)reinterpret_cast<void*>(window->winId());
    NSWindow* native = view.window;
    if (!native)
        return;
    native.level = NSFloatingWindowLevel;
    if ([native isKindOfClass:[NSPanel class]]) {
        native.styleMask = native.styleMask | NSWindowStyleMaskNonactivatingPanel;
        static_cast<NSPanel*>(native).becomesKeyOnlyIfNeeded = NO;
    }
    native.hidesOnDeactivate = NO;
    native.appearance = [NSAppearance appearanceNamed:NSAppearanceNameAqua];
    native.hasShadow = YES;
}

// The window server composes every window.
bool compositing()
{
    return true;
}

void takeKeyboard(QWidget* window)
{
    window->raise();
    window->activateWindow();
}

// The system's allocator gives unused memory back on its own.
void returnFreedMemory() {}

// The window server takes the alpha value at once.
void setOpacity(QWidget* window, double opacity)
{
    window->setWindowOpacity(opacity);
}

bool reducedMotion()
{
    return [NSWorkspace sharedWorkspace].accessibilityDisplayShouldReduceMotion;
}

} // namespace AccessoryWindow
