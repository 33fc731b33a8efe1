#pragma once

#include <QString>
#include <optional>

namespace URLUtil {

// The lower-case host of a web address without a leading "www.".
// Common addresses are read by a quick scan; the rest, and anything the scan is unsure of, by the
// full parser.
std::optional<QString> domain(const std::optional<QString>& address);
// The domain of a common address that holds it as it is (lower case): a view into the address, no
// copy. Absent for any other address, whose domain may still be found by `domain`.
std::optional<QStringView> plainDomain(QStringView address);
// The same through the full parser alone.
std::optional<QString> parsedDomain(const QString& address);

} // namespace URLUtil
