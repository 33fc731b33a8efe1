#pragma once

#include "platform/Bundle.h"

// Linux has no application bundle: the Info values are compiled in, and resources are looked up in
// the installed data folders ("panedeck" under each XDG data folder), then beside the executable.
class LinuxBundle final : public Bundle {
public:
    std::optional<QVariant> infoValue(const QString& key) const override;
    std::optional<QString> resourcePath(const QString& name, const QString& extension) const override;
    // The product's fixed identity on a desktop without bundles.
    static const QString identifier;
    std::optional<QString> bundleIdentifier() const override { return identifier; }
};
