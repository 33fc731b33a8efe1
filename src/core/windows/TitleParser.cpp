#include "core/windows/TitleParser.h"

#include "core/text/Text.h"

namespace TitleParser {
namespace {

const QString separator = QStringLiteral(" \u2014 ");
const QString appName = QStringLiteral("Visual Studio Code");
const QString unsavedMarker = QStringLiteral("\u25CF ");

QString stripAppNameSuffix(const QString& name)
{
    for (const QString& suffix : appNameSuffixes()) {
        if (Text::hasSuffix(name, suffix))
            return Text::trimmedSpaces(Text::dropLastCharacters(name, Text::characterCount(suffix)));
    }
    return name;
}

QString stripRemoteQualifier(const QString& name)
{
    const QStringList chars = Text::characters(name);
    if (chars.isEmpty() || chars.last() != u']')
        return name;
    const qsizetype open = chars.lastIndexOf(QStringLiteral("["));
    if (open < 0)
        return name;
    const QString inner = chars.mid(open + 1, chars.size() - open - 2).join(QString());
    for (const QString& qualifier : remoteQualifiers()) {
        if (Text::hasPrefix(inner, qualifier))
            return Text::trimmedSpaces(chars.first(open).join(QString()));
    }
    return name;
}

} // namespace

const QStringList& appNameSuffixes()
{
    static const QStringList suffixes{QStringLiteral(" - Visual Studio Code"),
                                      QStringLiteral(" \u2014 Visual Studio Code")};
    return suffixes;
}

const QStringList& remoteQualifiers()
{
    static const QStringList qualifiers{QStringLiteral("SSH:"),           QStringLiteral("WSL:"),
                                        QStringLiteral("Dev Container:"), QStringLiteral("Codespaces:"),
                                        QStringLiteral("Remote-SSH:"),    QStringLiteral("Remote:")};
    return qualifiers;
}

std::optional<QString> projectName(const QString& windowTitle)
{
    QStringList pieces = windowTitle.split(separator, Qt::KeepEmptyParts);
    for (QString& piece : pieces)
        piece = Text::trimmedSpaces(piece);

    if (!pieces.isEmpty() && Text::equal(pieces.last(), appName))
        pieces.removeLast();
    if (pieces.isEmpty() || pieces.last().isEmpty())
        return std::nullopt;

    QString name = pieces.last();
    if (Text::hasPrefix(name, unsavedMarker))
        name = Text::dropFirstCharacters(name, 2);
    name = stripRemoteQualifier(stripAppNameSuffix(name));

    if (name.isEmpty())
        return std::nullopt;
    return name;
}

} // namespace TitleParser
