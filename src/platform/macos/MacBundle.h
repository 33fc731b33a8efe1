#pragma once

#include "platform/Bundle.h"

// The application bundle's Info values and resources, through NSBundle.
class MacBundle final : public Bundle {
public:
    std::optional<QVariant> infoValue(const QString& key) const override;
    std::optional<QString> resourcePath(const QString& name, const QString& extension) const override;
    std::optional<QString> bundleIdentifier() const override;
};
