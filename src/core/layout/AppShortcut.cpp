#include "core/layout/AppShortcut.h"

#include "core/text/Paths.h"

#include <QCollator>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

namespace AppShortcut {
namespace {

QString withoutExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot > 0 ? fileName.left(dot) : fileName;
}

QCollator fileManagerOrder()
{
    // The C locale has no collation rules, and with it numeric mode silently does nothing.
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

} // namespace

std::optional<ShortcutEntry> entry(const QString& target, const QString& name)
{
    const QString trimmed = target.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QString path = Paths::standardized(trimmed);
    const QString fileName = Paths::lastComponent(path);
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0 || fileName.mid(dot + 1).toLower() != QStringLiteral("app"))
        return std::nullopt;
    if (!QFileInfo(path).isDir())
        return std::nullopt;
    QString label = name.trimmed();
    if (label.isEmpty())
        label = withoutExtension(fileName);
    return ShortcutEntry{label, path};
}

QList<RunningAppInfo> candidates(const QList<RunningAppInfo>& list,
                                 const std::optional<QString>& excludingBundleID)
{
    QList<RunningAppInfo> kept;
    QStringList paths;
    for (const RunningAppInfo& info : list) {
        if (!info.isRegular || !info.path)
            continue;
        if (excludingBundleID && info.bundleID && *excludingBundleID == *info.bundleID)
            continue;
        if (paths.contains(*info.path))
            continue;
        paths.append(*info.path);
        kept.append(info);
    }
    const QCollator collator = fileManagerOrder();
    std::stable_sort(kept.begin(), kept.end(), [&](const RunningAppInfo& a, const RunningAppInfo& b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return kept;
}

QList<RunningAppInfo> runningCandidates(Workspace& workspace, const Bundle& bundle)
{
    QList<RunningAppInfo> infos;
    for (const RunningApplication& app : workspace.runningApplications()) {
        RunningAppInfo info;
        if (app.localizedName)
            info.name = *app.localizedName;
        else if (app.bundlePath)
            info.name = withoutExtension(Paths::lastComponent(*app.bundlePath));
        info.path = app.bundlePath;
        info.bundleID = app.bundleIdentifier;
        info.isRegular = app.isRegular;
        infos.append(info);
    }
    return candidates(infos, bundle.bundleIdentifier());
}

} // namespace AppShortcut
