#include "core/layout/URLUtil.h"

#include <QUrl>

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
// decode in the host. Answers absent for anything else, which then goes through the full parser.
std::optional<QString> plainHost(const QString& address)
{
    const qsizetype size = address.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = address[i].unicode();
        if (c <= u' ' || c >= 0x7F || c == u'"' || c == u'<' || c == u'>' || c == u'\\' || c == u'^' ||
            c == u'`' || c == u'{' || c == u'|' || c == u'}')
            return std::nullopt;
        if (c == u'%' &&
            !(i + 2 < size && isHex(address[i + 1].unicode()) && isHex(address[i + 2].unicode())))
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
    const qsizetype hostStart = i + 3;
    qsizetype hostEnd = hostStart;
    while (hostEnd < size) {
        const char16_t c = address[hostEnd].unicode();
        if (c == u'/' || c == u'?' || c == u'#' || c == u':')
            break;
        if (!(isAlpha(c) || isDigit(c) || c == u'.' || c == u'-'))
            return std::nullopt; // user info, addresses in brackets, escapes: the full parser decides
        ++hostEnd;
    }
    if (hostEnd < size && address[hostEnd] == u':') {
        qsizetype portEnd = hostEnd + 1;
        while (portEnd < size && isDigit(address[portEnd].unicode()))
            ++portEnd;
        if (portEnd < size && address[portEnd] != u'/' && address[portEnd] != u'?' &&
            address[portEnd] != u'#')
            return std::nullopt;
    }
    return address.mid(hostStart, hostEnd - hostStart).toLower();
}

} // namespace

std::optional<QString> domain(const std::optional<QString>& address)
{
    if (!address || address->isEmpty())
        return std::nullopt;
    std::optional<QString> host = plainHost(*address);
    if (!host) {
        const QUrl url(*address, QUrl::StrictMode);
        if (!url.isValid())
            return std::nullopt;
        host = url.host(QUrl::FullyDecoded).toLower();
    }
    if (host->isEmpty())
        return std::nullopt;
    if (host->startsWith(QStringLiteral("www.")))
        host->remove(0, 4);
    return host;
}

} // namespace URLUtil
