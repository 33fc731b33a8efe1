#include "core/shell/AppSupportDirectory.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace AppSupportDirectory {
namespace {

// Copies a folder with everything in it; stops at the first failure, leaving what was copied.
bool copyTree(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString source = it.next();
        const QFileInfo info = it.fileInfo();
        const QString target = to + u'/' + info.fileName();
        const bool ok =
            info.isDir() && !info.isSymLink() ? copyTree(source, target) : QFile::copy(source, target);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

QString defaultPath()
{
    static const QString path =
        resolve(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    return path;
}

QString resolve(const QString& base)
{
    const QString support = QDir(base).filePath(folderName);
    const QString earlier = QDir(base).filePath(earlierFolderName);
    if (!QFileInfo::exists(support) && QFileInfo(earlier).isDir())
        copyTree(earlier, support); // a failed copy leaves whatever it got to
    return support;
}

} // namespace AppSupportDirectory
