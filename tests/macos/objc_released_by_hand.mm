// Must fail: an Objective-C object released by hand, which reference counting does itself.
#import <Foundation/Foundation.h>

void forget(NSString* text)
{
    [text release];
}
