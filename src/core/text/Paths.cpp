#include "core/text/Paths.h"

#include <QDir>
#include <QStringList>

namespace Paths {

// An absolute path with nothing to expand, collapse or resolve: the common case, kept as it is.
static bool alreadyStandard(const QString& path)
{
    if (!path.startsWith(u'/') || (path.size() > 1 && path.endsWith(u'/')))
        return false;
    return !path.contains(QStringLiteral("//")) && !path.contains(QStringLiteral("/./")) &&
           !path.contains(QStringLiteral("/../")) && !path.endsWith(QStringLiteral("/.")) &&
           !path.endsWith(QStringLiteral("/.."));
}

QString standardized(const QString& path)
{
    if (path.isEmpty() || alreadyStandard(path))
        return path;
    QString expanded = path;
    if (expanded == u'~' || expanded.startsWith(QStringLiteral("~/")))
        expanded = QDir::homePath() + expanded.mid(1);

    const bool absolute = expanded.startsWith(u'/');
    QStringList kept;
    for (const QString& component : expanded.split(u'/', Qt::SkipEmptyParts)) {
        if (component == u'.')
            continue;
        if (component == QStringLiteral("..") && absolute) {
            if (!kept.isEmpty())
                kept.removeLast();
            continue;
        }
        kept.append(component);
    }
    const QString joined = kept.join(u'/');
    if (absolute)
        return u'/' + joined;
    return joined.isEmpty() ? QStringLiteral(".") : joined;
}

QString normalized(const QString& path)
{
    QString result = standardized(path);
    while (result.size() >= 2 && result.endsWith(u'/'))
        result.chop(1);
    return result;
}

QString lastComponent(const QString& path)
{
    if (path.isEmpty())
        return path;
    qsizetype end = path.size();
    while (end > 0 && path[end - 1] == u'/')
        --end;
    if (end == 0)
        return QStringLiteral("/");
    const qsizetype start = path.lastIndexOf(u'/', end - 1) + 1;
    return path.mid(start, end - start);
}

} // namespace Paths
