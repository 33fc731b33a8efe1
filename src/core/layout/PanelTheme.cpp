#include "core/layout/PanelTheme.h"

namespace PanelThemes {

const QList<PanelTheme>& all()
{
    static const QList<PanelTheme> themes{PanelTheme::standard, PanelTheme::mistBlue, PanelTheme::lavender,
                                          PanelTheme::sage,     PanelTheme::sand,     PanelTheme::rose};
    return themes;
}

QString rawValue(PanelTheme theme)
{
    switch (theme) {
    case PanelTheme::standard:
        return QStringLiteral("standard");
    case PanelTheme::mistBlue:
        return QStringLiteral("mistBlue");
    case PanelTheme::lavender:
        return QStringLiteral("lavender");
    case PanelTheme::sage:
        return QStringLiteral("sage");
    case PanelTheme::sand:
        return QStringLiteral("sand");
    case PanelTheme::rose:
        return QStringLiteral("rose");
    }
    return {};
}

QString label(PanelTheme theme)
{
    switch (theme) {
    case PanelTheme::standard:
        return QStringLiteral("オリジナル");
    case PanelTheme::mistBlue:
        return QStringLiteral("ミストブルー");
    case PanelTheme::lavender:
        return QStringLiteral("ソフトラベンダー");
    case PanelTheme::sage:
        return QStringLiteral("セージ");
    case PanelTheme::sand:
        return QStringLiteral("ウォームサンド");
    case PanelTheme::rose:
        return QStringLiteral("ダスティローズ");
    }
    return {};
}

std::optional<PanelTheme> fromRawValue(const QString& raw)
{
    for (PanelTheme theme : all()) {
        if (raw == rawValue(theme))
            return theme;
    }
    return std::nullopt;
}

PanelTheme from(const std::optional<QString>& stored)
{
    const QString name = stored.value_or(QString());
    if (const auto theme = fromRawValue(name))
        return *theme;
    if (name == QStringLiteral("blue") || name == QStringLiteral("graphite"))
        return PanelTheme::mistBlue;
    if (name == QStringLiteral("green"))
        return PanelTheme::sage;
    if (name == QStringLiteral("amber"))
        return PanelTheme::sand;
    if (name == QStringLiteral("clay") || name == QStringLiteral("pink"))
        return PanelTheme::rose;
    return PanelTheme::standard; // "teal", "" and anything unknown
}

} // namespace PanelThemes
