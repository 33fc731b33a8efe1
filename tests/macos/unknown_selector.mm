// Must fail: NSRunningApplication answers activateWithOptions:, not activateIgnoringOtherApps:.
#import <AppKit/AppKit.h>

bool bringForward(NSRunningApplication* app)
{
    return [app activateIgnoringOtherApps:YES];
}
