#include "core/shell/XSettings.h"

namespace XSettings {
namespace {

// Reads fields front to back in the property's byte order; every read checks what is left, in
// 64 bits so that no length of 32 bits can wrap around.
class Reader {
public:
    Reader(QByteArrayView data, bool bigEndian) : m_data(data), m_big(bigEndian) {}

    bool skip(quint64 count)
    {
        if (count > quint64(m_data.size() - m_at))
            return false;
        m_at += qsizetype(count);
        return true;
    }
    // Lengths are followed by padding to a multiple of four bytes.
    bool skipPadded(quint64 count) { return skip((count + 3) & ~quint64(3)); }

    std::optional<quint32> card(int bytes)
    {
        const qsizetype at = m_at;
        if (!skip(quint64(bytes)))
            return std::nullopt;
        quint32 value = 0;
        for (int i = 0; i < bytes; ++i) {
            const auto byte = quint8(m_data[at + (m_big ? i : bytes - 1 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }

    std::optional<QByteArray> text(quint64 length)
    {
        const qsizetype at = m_at;
        if (!skipPadded(length))
            return std::nullopt;
        return m_data.sliced(at, qsizetype(length)).toByteArray();
    }

private:
    QByteArrayView m_data;
    bool m_big;
    qsizetype m_at = 0;
};

enum Type : quint32 { integer = 0, string = 1, colour = 2 };

} // namespace

QByteArray selection(QByteArrayView display)
{
    QByteArrayView screen;
    if (const qsizetype colon = display.lastIndexOf(':'); colon >= 0) {
        const QByteArrayView number = display.sliced(colon + 1);
        if (const qsizetype dot = number.indexOf('.'); dot >= 0)
            screen = number.sliced(dot + 1);
    }
    bool ok = false;
    const uint n = screen.isEmpty() ? 0 : screen.toByteArray().toUInt(&ok, 10);
    return "_XSETTINGS_S" + QByteArray::number(ok ? n : 0);
}

std::optional<QHash<QByteArray, qint32>> integers(QByteArrayView data)
{
    // Managers write the byte order as X11's LSBFirst or MSBFirst (0 or 1); some as the letters of
    // the connection set-up ('l' or 'B').
    if (data.isEmpty())
        return std::nullopt;
    const char order = data[0];
    if (order != 0 && order != 1 && order != 'l' && order != 'B')
        return std::nullopt;
    Reader in(data, order == 1 || order == 'B');
    const auto count = in.skip(4) && in.skip(4) ? in.card(4) : std::nullopt; // order, serial
    if (!count)
        return std::nullopt;
    QHash<QByteArray, qint32> values;
    // Each setting takes at least 12 bytes, so a count past the data ends the loop early.
    for (quint32 i = 0; i < *count; ++i) {
        const auto type = in.card(1);
        const auto nameLength = type && in.skip(1) ? in.card(2) : std::nullopt;
        const auto name = nameLength ? in.text(*nameLength) : std::nullopt;
        if (!name || !in.skip(4)) // the serial of the setting's last change
            return std::nullopt;
        switch (*type) {
        case integer: {
            const auto value = in.card(4);
            if (!value)
                return std::nullopt;
            values.insert(*name, qint32(*value));
            break;
        }
        case string: {
            const auto length = in.card(4);
            if (!length || !in.skipPadded(*length))
                return std::nullopt;
            break;
        }
        case colour:
            if (!in.skip(8))
                return std::nullopt;
            break;
        default:
            return std::nullopt;
        }
    }
    return values;
}

bool reducedMotion(QByteArrayView data)
{
    const auto values = integers(data);
    if (!values)
        return false;
    for (const char* name : {"Net/EnableAnimations", "Gtk/EnableAnimations"}) {
        const auto found = values->constFind(QByteArray(name));
        if (found != values->cend() && *found == 0)
            return true;
    }
    return false;
}

} // namespace XSettings
