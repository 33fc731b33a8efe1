#include "platform/macos/MacBundle.h"

#import <Foundation/Foundation.h>

namespace {

NSString* ns(const QString& text)
{
    return [NSString stringWithUTF8String:text.toUtf8().constData()];
}

std::optional<QString> text(NSString* string)
{
    if (!string)
        return std::nullopt;
    return QString::fromUtf8(string.UTF8String);
}

} // namespace

// Strings, numbers and Booleans are read; other kinds of value are reported as present but empty.
std::optional<QVariant> MacBundle::infoValue(const QString& key) const
{
    @autoreleasepool {
        id value = [[NSBundle mainBundle] objectForInfoDictionaryKey:ns(key)];
        if (!value)
            return std::nullopt;
        if ([value isKindOfClass:[NSString class]])
            return QVariant(QString::fromUtf8([value UTF8String]));
        if ([value isKindOfClass:[NSNumber class]])
            return QVariant([value doubleValue]);
        return QVariant();
    }
}

std::optional<QString> MacBundle::resourcePath(const QString& name, const QString& extension) const
{
    @autoreleasepool {
        return text([[NSBundle mainBundle] pathForResource:ns(name) ofType:ns(extension)]);
    }
}

std::optional<QString> MacBundle::bundleIdentifier() const
{
    @autoreleasepool {
        return text([NSBundle mainBundle].bundleIdentifier);
    }
}
