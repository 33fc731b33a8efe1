#include "core/usage/ClaudeUsage.h"

#include "core/text/BoundedFile.h"
#include "core/text/IsoTime.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>
#include <algorithm>
#include <cmath>

namespace ClaudeUsageReader {
namespace {

// 2^62 ms, some 146 million years.
constexpr double farthestMs = 4611686018427387904.0;

// Claude Code writes fractions of a second (up to microseconds); they are dropped before parsing.
const QRegularExpression& fraction()
{
    static const QRegularExpression expression(QStringLiteral("\\.[0-9]+(?=Z|[+-][0-9]{2}:?[0-9]{2}$)"));
    return expression;
}

std::optional<QDateTime> date(const QString& text)
{
    QString whole = text;
    whole.remove(fraction());
    return IsoTime::parse(whole);
}

std::optional<ClaudeUsage::Window> window(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    const QJsonValue utilization = object.value(QStringLiteral("utilization"));
    const QJsonValue resetsAt = object.value(QStringLiteral("resets_at"));
    if (!value.isObject() || !utilization.isDouble() || !resetsAt.isString())
        return std::nullopt;
    const auto resets = date(resetsAt.toString());
    if (!resets)
        return std::nullopt;
    return ClaudeUsage::Window{utilization.toDouble(), *resets};
}

} // namespace

QString defaultFile()
{
    return QDir::homePath() + QStringLiteral("/.claude.json");
}

std::optional<ClaudeUsage> load(const QString& path)
{
    const auto bytes = BoundedFile::read(path, BoundedFile::claudeStateLimit);
    return bytes ? parse(*bytes) : std::nullopt;
}

std::optional<ClaudeUsage> parse(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject top = document.object();

    const QJsonValue cacheValue = top.value(QStringLiteral("cachedUsageUtilization"));
    const QJsonObject cache = cacheValue.toObject();
    const QJsonValue fetchedAtMs = cache.value(QStringLiteral("fetchedAtMs"));
    const QJsonValue utilizationValue = cache.value(QStringLiteral("utilization"));
    if (!cacheValue.isObject() || !fetchedAtMs.isDouble() || !utilizationValue.isObject())
        return std::nullopt;

    const QJsonValue accountValue = top.value(QStringLiteral("oauthAccount"));
    const QJsonValue account = accountValue.toObject().value(QStringLiteral("accountUuid"));
    if (!accountValue.isObject() || !account.isString())
        return std::nullopt; // nobody signed in
    const QJsonValue cacheAccount = cache.value(QStringLiteral("accountUuid"));
    if (cacheAccount.isString() && cacheAccount.toString() != account.toString())
        return std::nullopt; // figures of another account

    const QJsonObject utilization = utilizationValue.toObject();
    ClaudeUsage usage;
    usage.fiveHour = window(utilization.value(QStringLiteral("five_hour")));
    usage.sevenDay = window(utilization.value(QStringLiteral("seven_day")));
    if (!usage.fiveHour && !usage.sevenDay)
        return std::nullopt;

    // Any number will do: a time far off (even in the future) keeps the figures; it is only held
    // within a range that any difference of two times still fits in.
    const double ms = std::clamp(fetchedAtMs.toDouble(), -farthestMs, farthestMs);
    if (std::isnan(ms))
        return std::nullopt;
    usage.fetchedAt = QDateTime::fromMSecsSinceEpoch(std::llround(ms), QTimeZone::utc());
    return usage;
}

} // namespace ClaudeUsageReader
