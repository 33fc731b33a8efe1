#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// What the running program knows about itself: its Info values and its bundled resources.
class Bundle {
public:
    virtual ~Bundle() = default;
    // The Info value under `key`, of whatever type it has; absent when there is none.
    virtual std::optional<QVariant> infoValue(const QString& key) const = 0;
    // The path of a bundled resource file, when it exists.
    virtual std::optional<QString> resourcePath(const QString& name, const QString& extension) const = 0;
    virtual std::optional<QString> bundleIdentifier() const = 0;
};
