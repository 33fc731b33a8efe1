#include "platform/linux/LinuxBundle.h"

#include "BuildInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>
#include <system_error>

const QString LinuxBundle::identifier = QStringLiteral(PANEDECK_BUNDLE_IDENTIFIER);

namespace {

std::optional<QVariant> compiledIn(const char* value)
{
    const QString text = QString::fromUtf8(value);
    if (text.isEmpty())
        return std::nullopt;
    return QVariant(text);
}

QString executableFolder()
{
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? QString() : QString::fromStdString(executable.parent_path().string());
}

} // namespace

std::optional<QVariant> LinuxBundle::infoValue(const QString& key) const
{
    if (key == QStringLiteral("CFBundleShortVersionString"))
        return compiledIn(PANEDECK_SHORT_VERSION);
    if (key == QStringLiteral("CFBundleVersion"))
        return compiledIn(PANEDECK_BUILD_NUMBER);
    if (key == QStringLiteral("KivBuildDate"))
        return compiledIn(PANEDECK_BUILD_DATE);
    return std::nullopt;
}

std::optional<QString> LinuxBundle::resourcePath(const QString& name, const QString& extension) const
{
    const QString file = name + u'.' + extension;
    QStringList folders;
    // The executable's own installation (<prefix>/bin and <prefix>/share/panedeck) comes first.
    const QString beside = executableFolder();
    if (!beside.isEmpty())
        folders.append(QDir(beside).filePath(QStringLiteral("../share/panedeck")));
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders.append(QDir(data).filePath(QStringLiteral("panedeck")));
    if (!beside.isEmpty())
        folders.append(beside);
    for (const QString& folder : folders) {
        const QString candidate = QDir(folder).filePath(file);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return std::nullopt;
}
