#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Internet date-times without fractional seconds: "2025-06-09T05:12:00Z" or with a signed
// hours:minutes offset ("2025-06-09T14:12:00+09:00"). Anything else, fractions and a blank for
// "T" included, does not parse.
namespace IsoTime {
std::optional<QDateTime> parse(const QString& text);
// In UTC with "Z".
QString format(const QDateTime& time);
} // namespace IsoTime
