#include "core/text/IsoTime.h"

#include <QRegularExpression>

namespace IsoTime {

std::optional<QDateTime> parse(const QString& text)
{
    static const QRegularExpression shape(
        QStringLiteral("\\A\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}(Z|[+-]\\d{2}:\\d{2})\\z"));
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
