#include "ui/AccessoryWindow.h"

#import <AppKit/AppKit.h>
#include <QWidget>

namespace {

NSWindow* nativeWindow(QWidget* window)
{
    NSView* view = (__bridge NSView*)reinterpret_cast<void*>(window->winId());
    return view.window;
}

} // namespace

namespace AccessoryWindow {

// The panel as an accessory application shows it: a floating panel (level 3) that does not
// activate the application yet can become key, stays when the application is deactivated, in the
// light appearance with a shadow. No Dock icon: the application is an accessory. The toolkit makes
// the window when it is first asked for it, here, so it is a non-activating panel before it is
// ever on screen.
void prepare(QWidget* window)
{
    [NSApp setActivationPolicy:NSApplicationActivationPolicyAccessory];
    NSWindow* native = nativeWindow(window);
    if (!native)
        return;
    native.level = NSFloatingWindowLevel;
    if ([native isKindOfClass:[NSPanel class]]) {
        native.styleMask = native.styleMask | NSWindowStyleMaskNonactivatingPanel;
        static_cast<NSPanel*>(native).becomesKeyOnlyIfNeeded = NO;
    }
    native.hidesOnDeactivate = NO;
    native.movableByWindowBackground = NO;
    native.appearance = [NSAppearance appearanceNamed:NSAppearanceNameAqua];
    native.hasShadow = YES;
}

// The window server composes every window.
bool compositing()
{
    return true;
}

// The panel becomes key and comes to the front; the application is activated, ignoring other
// applications, so that the keys typed next reach it and a click elsewhere takes the key status
// away again. (The option is deprecated from macOS 14, where it has no effect.)
void takeKeyboard(QWidget* window)
{
    window->raise();
    window->activateWindow();
    if (NSWindow* native = nativeWindow(window))
        [native makeKeyAndOrderFront:nil];
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wdeprecated-declarations"
    [NSApp activateIgnoringOtherApps:YES];
#pragma clang diagnostic pop
}

// A borderless window at level 1000, on every space and beside full-screen windows, out of the
// window cycle (collection behaviour 0x149), which the mouse passes through; ordered in front
// whether or not this application is active.
void showOverlay(QWidget* window)
{
    constexpr NSInteger overlayLevel = 1000;
    constexpr NSUInteger everywhere = NSUInteger(NSWindowCollectionBehaviorCanJoinAllSpaces) |
                                      NSUInteger(NSWindowCollectionBehaviorTransient) |
                                      NSUInteger(NSWindowCollectionBehaviorIgnoresCycle) |
                                      NSUInteger(NSWindowCollectionBehaviorFullScreenAuxiliary);
    static_assert(everywhere == 0x149);
    NSWindow* native = nativeWindow(window);
    if (native) {
        native.level = overlayLevel;
        native.collectionBehavior = NSWindowCollectionBehavior(everywhere);
        native.ignoresMouseEvents = YES;
        native.hidesOnDeactivate = NO;
        native.hasShadow = NO;
    }
    window->show();
    [native orderFrontRegardless];
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
