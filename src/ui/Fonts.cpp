#include "ui/Fonts.h"

#include "ui/LauncherDesign.h"

#include <QDirIterator>
#include <QFontDatabase>
#include <QResource>

namespace Fonts {

// The fonts are megabytes each: they are handed over where they lie in the program, not read
// into a copy of their own.
bool registerBundled()
{
    QDirIterator fonts(QStringLiteral(":/fonts"), {QStringLiteral("*.ttf")}, QDir::Files);
    while (fonts.hasNext()) {
        const QResource font(fonts.next());
        if (font.compressionAlgorithm() == QResource::NoCompression)
            QFontDatabase::addApplicationFontFromData(
                QByteArray::fromRawData(reinterpret_cast<const char*>(font.data()), qsizetype(font.size())));
        else
            QFontDatabase::addApplicationFont(font.fileName());
    }
    return QFontDatabase::hasFamily(LauncherDesign::fontFamily);
}

} // namespace Fonts
