#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

// The symbols of the panel by their macOS system-symbol names ("folder.fill", "gearshape", …),
// drawn from the bundled icon set in any colour and size. A symbol the build did not bundle is drawn
// as a simple ring, so the panel never shows an empty space where an icon belongs.
namespace Icons {

// The bundled file of a symbol, when there is one.
QString resourceFor(const QString& symbolName);
QPixmap symbol(const QString& symbolName, const QColor& color, int size, qreal devicePixelRatio = 1.0);

} // namespace Icons
