#pragma once

#include <QString>

// Diagnostics: one line each, to the system log (standard error when attached to a terminal),
// never to standard output and never shown to the user.
namespace Log {
void line(const QString& text);
} // namespace Log
