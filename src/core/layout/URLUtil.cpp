#include "core/layout/URLUtil.h"

#include <QUrl>

namespace URLUtil {

std::optional<QString> domain(const std::optional<QString>& address)
{
    if (!address || address->isEmpty())
        return std::nullopt;
    const QUrl url(*address, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    QString host = url.host(QUrl::FullyDecoded).toLower();
    if (host.isEmpty())
        return std::nullopt;
    if (host.startsWith(QStringLiteral("www.")))
        host.remove(0, 4);
    return host;
}

} // namespace URLUtil
