// Stand-in for the syntax check on Linux (see tools/macos-declarations/README.md): AppKit and
// Foundation declarations of Apple's SDK that GNUstep's headers lack, with Apple's signatures.
#pragma once

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

@interface NSApplication (MacOnly)
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)activationPolicy;
@end

@interface NSWindow (MacOnly)
@property NSWindowStyleMask styleMask;
@property(strong) NSAppearance* appearance;
@end

@interface NSWorkspace (MacOnly)
@property(readonly) BOOL accessibilityDisplayShouldReduceMotion;
@end

static const NSEventType NSEventTypeKeyDown = NSKeyDown;
static const NSEventType NSEventTypeFlagsChanged = NSFlagsChanged;
static const NSEventMask NSEventMaskKeyDown = 1ULL << NSKeyDown;
static const NSEventMask NSEventMaskFlagsChanged = 1ULL << NSFlagsChanged;
static const NSEventModifierFlags NSEventModifierFlagCapsLock = 1 << 16;
static const NSEventModifierFlags NSEventModifierFlagShift = 1 << 17;
static const NSEventModifierFlags NSEventModifierFlagControl = 1 << 18;
static const NSEventModifierFlags NSEventModifierFlagOption = 1 << 19;
static const NSEventModifierFlags NSEventModifierFlagCommand = 1 << 20;

@interface NSEvent (MacOnly)
+ (id)addGlobalMonitorForEventsMatchingMask:(NSEventMask)mask handler:(void (^)(NSEvent* event))block;
+ (id)addLocalMonitorForEventsMatchingMask:(NSEventMask)mask handler:(NSEvent* (^)(NSEvent* event))block;
+ (void)removeMonitor:(id)eventMonitor;
@end

