#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <optional>

// The desktop settings an X11 settings manager publishes (GNOME, Xfce, xsettingsd): the
// `_XSETTINGS_SETTINGS` property of the window that owns the selection `_XSETTINGS_S<screen>`.
namespace XSettings {

// The selection of the screen a display name such as "host:0.1" points at; screen 0 when the name
// gives none or is not understood.
QByteArray selection(QByteArrayView display);

// The integer settings of a property's bytes, by name. Absent when the bytes are not such a
// property: an unknown byte order, a setting of an unknown type, or data that ends before the
// settings it announces do.
std::optional<QHash<QByteArray, qint32>> integers(QByteArrayView data);

// Whether the settings turn animations off ("Net/EnableAnimations" or "Gtk/EnableAnimations" at 0).
// Anything unreadable asks for nothing.
bool reducedMotion(QByteArrayView data);

} // namespace XSettings
