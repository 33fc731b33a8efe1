#include "core/layout/URLUtil.h"

#include <QUrl>
#include <algorithm>
#include <array>
#include <string_view>

namespace URLUtil {
namespace {

bool isAlpha(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}
bool isHex(char16_t c)
{
    return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Addresses as they usually are ("https://www.example.com:8080/path?q"): plain ASCII with nothing to
// decode in the host. Gives their host without a leading "www." as it is written (any case), and
// absent for anything else, which then goes through the full parser.
std::optional<QStringView> plainHost(QStringView address)
{
    // The characters an address may hold as it is (printable ASCII but for " < > \\ ^ ` { | }).
    static constexpr auto plain = [] {
        std::array<bool, 128> table{};
        for (char16_t c = u'!'; c < 0x7F; ++c)
            table[c] = std::u16string_view(u"\"<>\\^`{|}").find(c) == std::u16string_view::npos;
        return table;
    }();
    const qsizetype size = address.size();
    const QChar* text = address.data();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x7F || !plain[c])
            return std::nullopt;
        if (c == u'%' && !(i + 2 < size && isHex(text[i + 1].unicode()) && isHex(text[i + 2].unicode())))
            return std::nullopt;
    }
    qsizetype i = 0;
    if (size == 0 || !isAlpha(address[0].unicode()))
        return std::nullopt;
    while (i < size && (isAlpha(address[i].unicode()) || isDigit(address[i].unicode()) ||
                        address[i] == u'+' || address[i] == u'-' || address[i] == u'.'))
        ++i;
    if (!QStringView(address).mid(i).startsWith(u"://"))
        return std::nullopt;
    // The host: dot-separated labels of letters, digits and inner hyphens, the last one not starting
    // with a digit (numeric hosts are addresses the parser rewrites, such as 127.1 or 0x23).
    const qsizetype hostStart = i + 3;
    qsizetype hostEnd = hostStart, labelStart = hostStart;
    bool labelNumeric = true;
    // A label "xx--…" may be an encoded international name ("xn--"), which the parser decodes; a
    // label of more than 63 characters is for the parser to judge.
    const auto labelEnds = [&](qsizetype end) {
        return end > labelStart && end - labelStart <= 63 && address[labelStart] != u'-' &&
               address[end - 1] != u'-' &&
               !(end - labelStart > 3 && address[labelStart + 2] == u'-' && address[labelStart + 3] == u'-');
    };
    while (hostEnd < size) {
        const char16_t c = address[hostEnd].unicode();
        if (c == u'/' || c == u'?' || c == u'#' || c == u':')
            break;
        if (c == u'.') {
            if (!labelEnds(hostEnd))
                return std::nullopt;
            labelStart = hostEnd + 1;
            labelNumeric = true;
        } else if (isAlpha(c) || c == u'-') {
            labelNumeric = false;
        } else if (!isDigit(c)) {
            return std::nullopt; // user info, addresses in brackets, escapes: the full parser decides
        }
        ++hostEnd;
    }
    // A last label that starts with a digit may be a number the parser reads as an address (0x23).
    if (hostEnd == hostStart || !labelEnds(hostEnd) || labelNumeric || isDigit(address[labelStart].unicode()))
        return std::nullopt;
    // A port of one to five digits, at most 65535.
    if (hostEnd < size && address[hostEnd] == u':') {
        qsizetype portEnd = hostEnd + 1;
        while (portEnd < size && isDigit(address[portEnd].unicode()))
            ++portEnd;
        const qsizetype digits = portEnd - hostEnd - 1;
        if (digits < 1 || digits > 5 || QStringView(address).mid(hostEnd + 1, digits).toInt() > 65535)
            return std::nullopt;
        if (portEnd < size && address[portEnd] != u'/' && address[portEnd] != u'?' &&
            address[portEnd] != u'#')
            return std::nullopt;
    }
    QStringView host = address.mid(hostStart, hostEnd - hostStart);
    return host.startsWith(u"www.", Qt::CaseInsensitive) ? host.sliced(4) : host;
}

bool hasCapitals(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= u'A' && c.unicode() <= u'Z'; });
}

std::optional<QString> withoutWww(QString host)
{
    if (host.isEmpty())
        return std::nullopt;
    if (host.startsWith(QStringLiteral("www.")))
        host.remove(0, 4);
    return host;
}

} // namespace

std::optional<QString> domain(const std::optional<QString>& address)
{
    if (!address || address->isEmpty())
        return std::nullopt;
    if (const auto host = plainHost(*address))
        return hasCapitals(*host) ? host->toString().toLower() : host->toString();
    return parsedDomain(*address);
}

std::optional<QStringView> plainDomain(QStringView address)
{
    const auto host = plainHost(address);
    if (!host || hasCapitals(*host))
        return std::nullopt;
    return host;
}

std::optional<QString> parsedDomain(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return withoutWww(url.host(QUrl::FullyDecoded).toLower());
}

} // namespace URLUtil
