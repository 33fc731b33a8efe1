#include "core/text/IsoTime.h"

#include <QRegularExpression>

namespace IsoTime {

std::optional<QDateTime> parse(const QString& text)
{
    // Qt's ISO parser alone is lenient (a blank for "T", fractions, offsets without a colon, and
    // hour 24 for the next day's midnight): the shape is checked first.
    static const QRegularExpression shape(QStringLiteral("\\A[0-9]{4}-[0-9]{2}-[0-9]{2}T([01][0-9]|2[0-3]):["
                                                         "0-5][0-9]:[0-5][0-9](Z|[+-][0-9]{2}:[0-9]{2})\\z"));
    if (!shape.match(text).hasMatch())
        return std::nullopt;
    const QDateTime time = QDateTime::fromString(text, Qt::ISODate);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

QString format(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

} // namespace IsoTime
