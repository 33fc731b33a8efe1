#include "ui/Fonts.h"

#include "ui/LauncherDesign.h"

#include <QDirIterator>
#include <QFontDatabase>

namespace Fonts {

bool registerBundled()
{
    QDirIterator fonts(QStringLiteral(":/fonts"), {QStringLiteral("*.ttf")}, QDir::Files);
    while (fonts.hasNext())
        QFontDatabase::addApplicationFont(fonts.next());
    return QFontDatabase::hasFamily(LauncherDesign::fontFamily);
}

} // namespace Fonts
