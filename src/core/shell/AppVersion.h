#pragma once

#include "platform/Bundle.h"

#include <QString>
#include <optional>

// The version text of the panel header: "v1.4.0 (37) · 2025-06-01", or "開発ビルド" without a version.
namespace AppVersion {

QString displayString(const std::optional<QString>& shortVersion, const std::optional<QString>& buildNumber,
                      const std::optional<QString>& buildDate);

// From the bundle's "CFBundleShortVersionString", "CFBundleVersion" and "KivBuildDate" (text only).
QString current(const Bundle& bundle);

} // namespace AppVersion
