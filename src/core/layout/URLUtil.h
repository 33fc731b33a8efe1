#pragma once

#include <QString>
#include <optional>

namespace URLUtil {

// The lower-case host of a web address without a leading "www.".
std::optional<QString> domain(const std::optional<QString>& address);

} // namespace URLUtil
