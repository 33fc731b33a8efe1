#include "core/windows/GeometryText.h"

#include <charconv>
#include <cmath>

namespace GeometryText {
namespace {

QString list(std::initializer_list<double> values)
{
    QString text = QStringLiteral("(");
    bool first = true;
    for (double v : values) {
        if (!first)
            text += QStringLiteral(", ");
        text += number(v);
        first = false;
    }
    return text + u')';
}

} // namespace

QString number(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");

    // Plain decimals between 1e-4 and 2^53, exponent form outside (as "1e+16", "1e-05").
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0.0 || (magnitude >= 1e-4 && magnitude < 9007199254740992.0);
    char buffer[64];
    const auto format = plain ? std::chars_format::fixed : std::chars_format::scientific;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    if (plain && !text.contains(u'.'))
        text += QStringLiteral(".0");
    return text;
}

QString describe(const QRectF& frame)
{
    return list({frame.x(), frame.y(), frame.width(), frame.height()});
}

QString describe(const QPointF& point)
{
    return list({point.x(), point.y()});
}

QString describe(const QSizeF& size)
{
    return list({size.width(), size.height()});
}

} // namespace GeometryText
