#include "core/text/JsonText.h"

#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace JsonText {
namespace {

void writeString(QByteArray& out, const QString& text)
{
    out += '"';
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'"':
            out += "\\\"";
            continue;
        case u'\\':
            out += "\\\\";
            continue;
        case u'/':
            out += "\\/";
            continue;
        case u'\b':
            out += "\\b";
            continue;
        case u'\f':
            out += "\\f";
            continue;
        case u'\n':
            out += "\\n";
            continue;
        case u'\r':
            out += "\\r";
            continue;
        case u'\t':
            out += "\\t";
            continue;
        default:
            break;
        }
        const bool pairedHigh = QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate();
        if (pairedHigh) {
            out += QStringView(text).mid(i, 2).toUtf8();
            ++i;
        } else if (c < 0x20 || QChar::isSurrogate(c) || (c == 0xFEFF && i == 0)) {
            // Control characters and lone surrogates (which UTF-8 cannot carry) as escapes; so is
            // a U+FEFF that opens a string, which Qt's reader drops as a byte-order mark when the
            // string holds no escape (one escape makes it read every character as written).
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(c));
            out += escape;
        } else if (c < 0x80) {
            out += char(c);
        } else {
            out += QStringView(text).mid(i, 1).toUtf8();
        }
    }
    out += '"';
}

void writeNumber(QByteArray& out, const QJsonValue& value)
{
    if (const auto whole = integer(value)) {
        out += QByteArray::number(*whole);
        return;
    }
    const double d = value.toDouble();
    if (!std::isfinite(d)) {
        out += "null"; // JSON has no infinities
        return;
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
    out.append(buffer, result.ptr - buffer);
}

void write(QByteArray& out, const QJsonValue& value, int depth)
{
    const QByteArray indent(2 * (depth + 1), ' ');
    const QByteArray closingIndent(2 * depth, ' ');
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        out += "null";
        break;
    case QJsonValue::Bool:
        out += value.toBool() ? "true" : "false";
        break;
    case QJsonValue::Double:
        writeNumber(out, value);
        break;
    case QJsonValue::String:
        writeString(out, value.toString());
        break;
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        if (array.isEmpty()) {
            out += "[]";
            break;
        }
        out += "[\n";
        for (qsizetype i = 0; i < array.size(); ++i) {
            out += indent;
            write(out, array[i], depth + 1);
            out += i + 1 < array.size() ? ",\n" : "\n";
        }
        out += closingIndent + ']';
        break;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.isEmpty()) {
            out += "{}";
            break;
        }
        QStringList keys = object.keys();
        std::sort(keys.begin(), keys.end());
        out += "{\n";
        for (qsizetype i = 0; i < keys.size(); ++i) {
            out += indent;
            writeString(out, keys[i]);
            out += " : ";
            write(out, object.value(keys[i]), depth + 1);
            out += i + 1 < keys.size() ? ",\n" : "\n";
        }
        out += closingIndent + '}';
        break;
    }
    }
}

} // namespace

QByteArray pretty(const QJsonValue& value)
{
    QByteArray out;
    write(out, value, 0);
    return out;
}

std::optional<qint64> integer(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    // toInteger answers its fallback for anything that is not exactly a 64-bit whole number; two
    // different fallbacks tell that case apart from a real value equal to one of them.
    const qint64 a = value.toInteger(0);
    const qint64 b = value.toInteger(1);
    if (a != b)
        return std::nullopt;
    return a;
}

} // namespace JsonText
