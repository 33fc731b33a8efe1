#include "core/usage/ClaudeUsageDisplay.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace {

ClaudeUsageDisplay::Row row(const QString& label, const ClaudeUsage::Window& window, const QString& pattern,
                            const QDateTime& now, const QTimeZone& timeZone)
{
    if (!(window.resetsAt > now))
        return {label, std::nullopt, QStringLiteral("リセット済み"), false};
    // Not above zero (NaN included): 0. Otherwise at most 100, halves rounded away from zero.
    const double used = window.usedPercent;
    const int percent = used > 0 ? static_cast<int>(std::round(std::min(used, 100.0))) : 0;
    const QDateTime local =
        timeZone.isValid() ? window.resetsAt.toTimeZone(timeZone) : window.resetsAt.toLocalTime();
    const QString resets = QLocale(QLocale::Japanese, QLocale::Japan).toString(local, pattern);
    return {label, percent, resets + QStringLiteral(" リセット"), percent > 79};
}

std::optional<QString> ageNote(const QDateTime& fetchedAt, const QDateTime& now)
{
    if (!fetchedAt.isValid() || !now.isValid())
        return std::nullopt;
    qint64 ageMs = 0;
    if (__builtin_sub_overflow(now.toMSecsSinceEpoch(), fetchedAt.toMSecsSinceEpoch(), &ageMs))
        return std::nullopt; // only a corrupt time gets this far apart
    if (ageMs < 600 * 1000)
        return std::nullopt;
    const qint64 minutes = ageMs / 60000;
    QString age;
    if (minutes < 60)
        age = QString::number(minutes) + QStringLiteral("分前");
    else if (minutes < 1440)
        age = QString::number(minutes / 60) + QStringLiteral("時間前");
    else
        age = QString::number(minutes / 1440) + QStringLiteral("日前");
    return QStringLiteral("last update: ") + age;
}

} // namespace

std::optional<ClaudeUsageDisplay> ClaudeUsageDisplay::make(const std::optional<ClaudeUsage>& usage,
                                                           const QDateTime& now, const QTimeZone& timeZone)
{
    if (!usage)
        return std::nullopt;
    ClaudeUsageDisplay display;
    if (usage->fiveHour)
        display.rows.append(
            row(QStringLiteral("5時間"), *usage->fiveHour, QStringLiteral("HH:mm"), now, timeZone));
    // Qt writes the short weekday name for "ddd" (月 in Japanese), not for "E".
    if (usage->sevenDay)
        display.rows.append(
            row(QStringLiteral("週"), *usage->sevenDay, QStringLiteral("M/d(ddd)"), now, timeZone));
    if (std::none_of(display.rows.cbegin(), display.rows.cend(),
                     [](const Row& r) { return r.percent.has_value(); }))
        return std::nullopt;
    display.lastUpdate = ageNote(usage->fetchedAt, now);
    return display;
}

bool ClaudeUsageRefreshSchedule::panelOpened(const QDateTime& at)
{
    if (isActive(at)) {
        endsAt = at.addSecs(window);
        return false;
    }
    startedAt = at;
    endsAt = at.addSecs(window);
    return true;
}

std::optional<QDateTime> ClaudeUsageRefreshSchedule::nextRun(const QDateTime& after) const
{
    // Every grid time is later than `after`, so nothing is left once the end is reached.
    if (!startedAt || !endsAt || !after.isValid() || after >= *endsAt)
        return std::nullopt;
    const qint64 intervalMs = qint64{interval} * 1000;
    qint64 n = 1;
    qint64 elapsedMs = 0;
    if (after > *startedAt &&
        !__builtin_sub_overflow(after.toMSecsSinceEpoch(), startedAt->toMSecsSinceEpoch(), &elapsedMs))
        n = elapsedMs / intervalMs + 1;
    const QDateTime candidate = startedAt->addMSecs(n * intervalMs);
    if (candidate > *endsAt)
        return std::nullopt;
    return candidate;
}

bool ClaudeUsageRefreshSchedule::isActive(const QDateTime& at) const
{
    return endsAt && at <= *endsAt;
}
