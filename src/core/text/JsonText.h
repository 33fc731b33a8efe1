#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <optional>

// The one JSON form every file of the product is written in, and exact number reading.
//
// Written form: two-space indentation, `"key" : value`, keys of every object in ascending order,
// one element per line, empty objects and arrays as `{}` and `[]`, "/" escaped as "\/", control
// characters and a U+FEFF opening a string as escapes, other characters as raw UTF-8, no line feed
// after the closing brace.
namespace JsonText {

QByteArray pretty(const QJsonValue& value);

// A JSON number that is a whole number representable in 64 bits (9 and 9.0 are, 9.5 is not).
std::optional<qint64> integer(const QJsonValue& value);

} // namespace JsonText
