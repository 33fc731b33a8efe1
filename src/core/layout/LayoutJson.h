#pragma once

#include "core/layout/Layout.h"

#include <QByteArray>

// layout.json: strict reading (any violation anywhere makes the whole document unreadable; null is
// absent; unknown keys are ignored) and the one written form (see JsonText).
namespace LayoutJson {

// The document, or absent with the reason in `error`.
std::optional<Layout> decode(const QByteArray& bytes, QString* error = nullptr);
QByteArray encode(const Layout& layout);

} // namespace LayoutJson
