// The portable code keeps its own copies of a few of the system's values, so that it can use them
// on every system. Built on a Mac, against the system's own headers, this file holds each copy to
// the real value: a wrong one fails the Mac build.
#include "core/layout/Layout.h"
#include "platform/Accessibility.h"
#include "platform/Hotkeys.h"
#include "platform/KeyEvents.h"

#define AXError MacAXError
#include <ApplicationServices/ApplicationServices.h>
#undef AXError
#import <AppKit/AppKit.h>
#include <Carbon/Carbon.h>

// Key events as the monitors report them.
static_assert(KeyEvent::keyDown == int(NSEventTypeKeyDown));
static_assert(KeyEvent::flagsChanged == int(NSEventTypeFlagsChanged));
static_assert(KeyEvent::shiftFlag == quint64(NSEventModifierFlagShift));
static_assert(KeyEvent::controlFlag == quint64(NSEventModifierFlagControl));
static_assert(KeyEvent::optionFlag == quint64(NSEventModifierFlagOption));
static_assert(KeyEvent::commandFlag == quint64(NSEventModifierFlagCommand));

// The hot-key service: its modifier bits and the statuses of a refused registration.
static_assert(HotkeyConfig::commandKey == quint32(cmdKey));
static_assert(HotkeyConfig::shiftKey == quint32(shiftKey));
static_assert(HotkeyConfig::optionKey == quint32(optionKey));
static_assert(HotkeyConfig::controlKey == quint32(controlKey));
static_assert(Hotkeys::combinationTaken == eventHotKeyExistsErr);
static_assert(Hotkeys::combinationInvalid == eventHotKeyInvalidErr);
static_assert(Hotkeys::serviceUnavailable == eventInternalErr);

// The accessibility API's errors.
static_assert(int(AXError::success) == kAXErrorSuccess);
static_assert(int(AXError::failure) == kAXErrorFailure);
static_assert(int(AXError::illegalArgument) == kAXErrorIllegalArgument);
static_assert(int(AXError::invalidUIElement) == kAXErrorInvalidUIElement);
static_assert(int(AXError::cannotComplete) == kAXErrorCannotComplete);
static_assert(int(AXError::attributeUnsupported) == kAXErrorAttributeUnsupported);
static_assert(int(AXError::actionUnsupported) == kAXErrorActionUnsupported);
static_assert(int(AXError::apiDisabled) == kAXErrorAPIDisabled);
static_assert(int(AXError::noValue) == kAXErrorNoValue);
