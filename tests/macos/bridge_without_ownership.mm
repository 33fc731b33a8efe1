// Must fail: an Objective-C object cast to a plain pointer without saying who owns it.
#import <Foundation/Foundation.h>

void* handOver(NSString* text)
{
    return (void*)text;
}
