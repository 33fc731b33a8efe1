#include "platform/macos/MacLoginItem.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

LoginItem::Status MacLoginItem::status()
{
    @autoreleasepool {
        switch ([SMAppService mainAppService].status) {
        case SMAppServiceStatusEnabled:
            return Status::on;
        case SMAppServiceStatusRequiresApproval:
            return Status::requiresApproval;
        case SMAppServiceStatusNotRegistered:
        case SMAppServiceStatusNotFound:
            break;
        }
        return Status::off;
    }
}

bool MacLoginItem::setEnabled(bool enabled, QString* error)
{
    @autoreleasepool {
        SMAppService* service = [SMAppService mainAppService];
        NSError* failure = nil;
        const BOOL done =
            enabled ? [service registerAndReturnError:&failure] : [service unregisterAndReturnError:&failure];
        if (!done && failure)
            *error = QString::fromUtf8(failure.localizedDescription.UTF8String);
        return done;
    }
}
