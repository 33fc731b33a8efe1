#include "core/shell/AppVersion.h"

#include "core/text/Text.h"

namespace AppVersion {
namespace {

std::optional<QString> present(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    QString trimmed = Text::trimmedSpaces(*text);
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

std::optional<QString> textValue(const Bundle& bundle, const QString& key)
{
    const auto value = bundle.infoValue(key);
    if (!value || value->typeId() != QMetaType::QString)
        return std::nullopt;
    return value->toString();
}

} // namespace

QString displayString(const std::optional<QString>& shortVersion, const std::optional<QString>& buildNumber,
                      const std::optional<QString>& buildDate)
{
    const auto version = present(shortVersion);
    if (!version)
        return QStringLiteral("開発ビルド");
    QString text = u'v' + *version;
    if (const auto build = present(buildNumber))
        text += QStringLiteral(" (") + *build + u')';
    if (const auto date = present(buildDate))
        text += QStringLiteral(" \u00B7 ") + *date;
    return text;
}

QString current(const Bundle& bundle)
{
    return displayString(textValue(bundle, QStringLiteral("CFBundleShortVersionString")),
                         textValue(bundle, QStringLiteral("CFBundleVersion")),
                         textValue(bundle, QStringLiteral("KivBuildDate")));
}

} // namespace AppVersion
