#include "platform/macos/MacAppleScript.h"

#import <Foundation/Foundation.h>

AppleScript::Outcome MacAppleScript::run(const QString& source)
{
    NSAppleScript* script =
        [[NSAppleScript alloc] initWithSource:[NSString stringWithUTF8String:source.toUtf8().constData()]];
    if (!script)
        return {};
    NSDictionary<NSString*, id>* errorInfo = nil;
    [script executeAndReturnError:&errorInfo];
    if (!errorInfo)
        return {true, std::nullopt};
    id message = errorInfo[NSAppleScriptErrorMessage];
    NSString* description = [message isKindOfClass:[NSString class]] ? message : errorInfo.description;
    return {true, QString::fromUtf8(description.UTF8String)};
}
