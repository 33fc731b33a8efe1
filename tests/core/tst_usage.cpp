#include "FakeProcesses.h"
#include "TestFiles.h"
#include "core/usage/ClaudeCLI.h"
#include "core/usage/ClaudeUsageDisplay.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

namespace {
// Test JSON is written with single quotes.
QByteArray json(QString text)
{
    return text.replace(u'\'', u'"').toUtf8();
}

// A complete file; rows of the reader table change one piece of it.
const QString file = u"{'oauthAccount':{'accountUuid':'a1'},'other':[1,{}],'cachedUsageUtilization':{"
                     u"'fetchedAtMs':1000,'utilization':{"
                     u"'five_hour':{'utilization':42,'resets_at':'2025-06-09T10:00:00Z'},"
                     u"'seven_day':{'utilization':7.25,'resets_at':'2025-06-12T01:00:00-07:30'}}}}"_qs;
const QString fiveHour = u" 42@2025-06-09T10:00:00.000Z"_qs;
const QString sevenDay = u" 7.25@2025-06-12T01:00:00.000-07:30"_qs;

QByteArray edited(const QString& from, const QString& to)
{
    return json(QString(file).replace(from, to));
}

// "fetched-ms 5h 7d", each window as percent@reset-time-with-offset, "-" when absent.
QString describe(const std::optional<ClaudeUsage>& usage)
{
    if (!usage)
        return u"nothing"_qs;
    const auto describeWindow = [](const std::optional<ClaudeUsage::Window>& window) {
        return u' ' + (window ? QString::number(window->usedPercent) + u'@' +
                                    window->resetsAt.toString(Qt::ISODateWithMs)
                              : u"-"_qs);
    };
    return QString::number(usage->fetchedAt.toMSecsSinceEpoch()) + describeWindow(usage->fiveHour) +
           describeWindow(usage->sevenDay);
}

// Rows as "label percent detail" ("!" when high), then the note.
QString describe(const std::optional<ClaudeUsageDisplay>& display)
{
    if (!display)
        return u"nothing"_qs;
    QStringList rows;
    for (const auto& row : display->rows)
        rows.append(row.label + u' ' + (row.percent ? QString::number(*row.percent) : u"-"_qs) + u' ' +
                    row.detail + (row.isHigh ? u" !"_qs : QString()));
    return rows.join(u"; "_qs) + u" | "_qs + display->lastUpdate.value_or(u"-"_qs);
}

// 09:00 on Monday 6/9 in Tokyo.
const QDateTime now(QDate(2025, 6, 9), QTime(0, 0), QTimeZone::utc());
const QTimeZone tokyo("Asia/Tokyo");

ClaudeUsage::Window live(double used, int seconds = 60)
{
    return {used, now.addSecs(seconds)};
}
} // namespace

// Reading Claude Code's cached figures, the meter rows and its refresh rhythm, and the command line.
class UsageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void reader()
    {
        const QString both = u"1000"_qs + fiveHour + sevenDay, week = u"1000 -"_qs + sevenDay, none = u"nothing"_qs;
        const QString five = u"'2025-06-09T10:00:00Z'"_qs, fetched = u"'fetchedAtMs'"_qs;
        QList<std::tuple<QString, QString, QString>> edits{
            // Fractions of a second are dropped, the offset is kept.
            {u"00Z"_qs, u"00.5Z"_qs, both},
            {u"00Z"_qs, u"00.123456+00:00"_qs, both},
            {u"00Z"_qs, u"00.999+09:00"_qs, u"1000 42@2025-06-09T10:00:00.000+09:00"_qs + sevenDay},
            // A malformed window is left out; the figures go only when neither is left.
            {five, u"1749463200"_qs, week},
            {u":42"_qs, u":'42'"_qs, week},
            {u"'five_hour'"_qs, u"'x'"_qs, week},
            {u":42"_qs, u":1e308"_qs, u"1000 1e+308@2025-06-09T10:00:00.000Z"_qs + sevenDay},
            {u"'resets_at'"_qs, u"'resetsAt'"_qs, none},
            // Figures the cache files under another account are not this user's.
            {fetched, u"'accountUuid':'a1','fetchedAtMs'"_qs, both},
            {fetched, u"'accountUuid':7,'fetchedAtMs'"_qs, both},
            {fetched, u"'accountUuid':'b2','fetchedAtMs'"_qs, none},
            {u"'oauthAccount'"_qs, u"'x'"_qs, none},
            {u"{'accountUuid':'a1'}"_qs, u"{}"_qs, none},
            // The fetch time is rounded to the millisecond; any number keeps the figures, however far.
            {u"1000"_qs, u"1749427200000.6"_qs, u"1749427200001"_qs + fiveHour + sevenDay},
            {u"1000"_qs, u"1e16"_qs, u"10000000000000000"_qs + fiveHour + sevenDay},
            {u"1000"_qs, u"-1e300"_qs, u"-4611686018427387904"_qs + fiveHour + sevenDay},
            {u"'fetchedAtMs':1000,"_qs, {}, none},
            {u"'utilization':{'five"_qs, u"'x':{'five"_qs, none},
            {u"'cachedUsageUtilization'"_qs, u"'x'"_qs, none}};
        for (const char* bad : {"2025-06-09 10:00:00Z", "2025-06-09T10:00:00", "2025-06-09T10:00:00+0900",
                                "2025-06-09T24:00:00Z", "2025-06-09T10:00:00.Z", "2025-06-09T10:00:00.5Zjunk", ""})
            edits.append({five, u'\'' + QString::fromLatin1(bad) + u'\'', week});
        for (const char* bad : {"1e400", "'1000'"})
            edits.append({u"1000"_qs, QString::fromLatin1(bad), none});
        QStringList read, expected; // "from -> to: usage"
        for (const auto& [from, to, usage] : edits) {
            read.append(from + u" -> "_qs + to + u": "_qs + describe(ClaudeUsageReader::parse(edited(from, to))));
            expected.append(from + u" -> "_qs + to + u": "_qs + usage);
        }
        QCOMPARE(read, expected);
        QCOMPARE(describe(ClaudeUsageReader::parse(json(file))), both);
        QCOMPARE(ClaudeUsageReader::parse(json(file + u'x')), std::nullopt); // trailing garbage
        QCOMPARE(ClaudeUsageReader::parse(QByteArray()), std::nullopt);
        QCOMPARE(ClaudeUsageReader::parse(QByteArray("\x00\xff\xfe{\x01", 5)), std::nullopt);

        // Loading: no file, or a folder, is no usage; values compare by instant, whatever offset the file wrote.
        QTemporaryDir dir;
        const QString path = dir.filePath(u".claude.json"_qs);
        QCOMPARE(ClaudeUsageReader::load(path), std::nullopt);
        QCOMPARE(ClaudeUsageReader::load(dir.path()), std::nullopt);
        QVERIFY(TestFiles::write(path, json(file)));
        QCOMPARE(ClaudeUsageReader::load(path), ClaudeUsageReader::parse(json(file)));
        QCOMPARE(ClaudeUsageReader::parse(edited(u"2025-06-09T10:00:00Z"_qs, u"2025-06-09T19:00:00.25+09:00"_qs)),
                 ClaudeUsageReader::parse(json(file)));
        QCOMPARE(ClaudeUsageReader::defaultFile(), QDir::homePath() + u"/.claude.json"_qs);
    }

    void meterAndRefreshRhythm()
    {
        const auto show = [](const std::optional<ClaudeUsage>& usage, const QTimeZone& zone = tokyo) {
            return describe(ClaudeUsageDisplay::make(usage, now, zone));
        };
        const auto week = live(12.5, 3 * 86400); // Thursday
        QCOMPARE(show(ClaudeUsage{now, live(42, 3900), week}), u"5時間 42 10:05 リセット; 週 13 6/12(木) リセット | -"_qs);
        QCOMPARE(show(ClaudeUsage{now, live(50, 0), week}), u"5時間 - リセット済み; 週 13 6/12(木) リセット | -"_qs);
        QCOMPARE(show(ClaudeUsage{now, {}, week}), u"週 13 6/12(木) リセット | -"_qs);
        QCOMPARE(show(ClaudeUsage{now, live(50, 0), live(90, -1)}), u"nothing"_qs);
        QCOMPARE(show(ClaudeUsage{now, {}, {}}), u"nothing"_qs);
        QCOMPARE(show(std::nullopt), u"nothing"_qs);
        // One instant, written with an offset, seen from either side of the date line.
        const QDateTime resets = QDateTime::fromString(u"2025-06-10T00:30:00+09:00"_qs, Qt::ISODate);
        const ClaudeUsage usage{now, {{5, resets}}, {{5, resets}}};
        QCOMPARE(show(usage), u"5時間 5 00:30 リセット; 週 5 6/10(火) リセット | -"_qs);
        QCOMPARE(show(usage, QTimeZone("America/Los_Angeles")), u"5時間 5 08:30 リセット; 週 5 6/9(月) リセット | -"_qs);
        // Percent: halves away from zero, 80 and up is high, clamped to 0..100, NaN is 0.
        for (const auto& [used, percent] : QList<std::pair<double, int>>{
                 {79.5, 80}, {79.4, 79}, {2.5, 3}, {150, 100}, {-3, 0}, {0.4, 0}, {std::nan(""), 0}}) {
            const auto row = ClaudeUsageDisplay::make(ClaudeUsage{now, live(used), {}}, now, tokyo)->rows.value(0);
            QCOMPARE(row.percent, percent);
            QCOMPARE(row.isHigh, percent >= 80);
        }
        // The age note: nothing under ten minutes (or ahead of now), then whole minutes, hours and days.
        const QList<std::pair<qint64, QString>> ages{
            {599, u"-"_qs},         {600, u"10分前"_qs},  {3599, u"59分前"_qs},
            {3600, u"1時間前"_qs},  {86399, u"23時間前"_qs}, {86400, u"1日前"_qs},
            {-3600, u"-"_qs},       {qint64{1} << 40, u"12725829日前"_qs}, {-(qint64{1} << 40), u"-"_qs}};
        for (const auto& [seconds, note] : ages) {
            const auto display = ClaudeUsageDisplay::make(ClaudeUsage{now.addSecs(-seconds), live(1), {}}, now, tokyo);
            QCOMPARE(display->lastUpdate.value_or(u"-"_qs), note == u"-"_qs ? note : u"last update: "_qs + note);
        }

        ClaudeUsageRefreshSchedule schedule;
        QCOMPARE(schedule.nextRun(now), std::nullopt);
        QVERIFY(!schedule.isActive(now));
        QVERIFY(schedule.panelOpened(now));
        QVERIFY(!schedule.panelOpened(now.addSecs(100)));
        QCOMPARE(schedule.startedAt, now);
        QCOMPARE(schedule.endsAt, now.addSecs(1900));
        // The grid counts from the first opening; the window ends 30 minutes after the latest (-1: no run).
        const QList<std::pair<int, int>> runs{{-1000, 300}, {0, 300},     {100, 300}, {300, 600},
                                              {599, 600},   {1799, 1800}, {1800, -1}, {1900, -1}};
        for (const auto& [after, next] : runs)
            QCOMPARE(schedule.nextRun(now.addSecs(after)), next < 0 ? std::nullopt : std::optional(now.addSecs(next)));
        QCOMPARE(schedule.nextRun(now.addMSecs(299999)), now.addSecs(300));
        QVERIFY(schedule.isActive(now.addSecs(1900)));
        QVERIFY(!schedule.isActive(now.addMSecs(1900001)));
        QVERIFY(!schedule.panelOpened(now.addSecs(1900))); // the last moment of the window extends it
        QCOMPARE(schedule.endsAt, now.addSecs(3700));
        QVERIFY(schedule.panelOpened(now.addSecs(3701))); // a new window with its own grid
        QCOMPARE(schedule.nextRun(now.addSecs(3701)), now.addSecs(4001));
        QCOMPARE(schedule.nextRun(now.addSecs(5201)), now.addSecs(5501)); // due exactly at the end
    }

    void commandLine()
    {
        QCOMPARE(ClaudeCLI::candidates(u"/home/u/"_qs),
                 (QStringList{u"/home/u/.local/bin/claude"_qs, u"/opt/homebrew/bin/claude"_qs,
                              u"/usr/local/bin/claude"_qs, u"/home/u/.claude/local/claude"_qs}));
        const auto find = [](const QStringList& executables) {
            return ClaudeCLI::find(u"/h"_qs, [&](const QString& path) { return executables.contains(path); });
        };
        QCOMPARE(find({}), std::nullopt);
        QCOMPARE(find({u"/usr/local/bin/claude"_qs, u"/h/.local/bin/claude"_qs}), u"/h/.local/bin/claude"_qs);
        QCOMPARE(find({u"/h/.claude/local/claude"_qs}), u"/h/.claude/local/claude"_qs);

        const QStringList arguments = ClaudeCLI::usageArguments();
        QCOMPARE(arguments.join(u'|'), u"-p|/usage|--output-format|json|--strict-mcp-config|"
                                       u"--no-session-persistence|--settings|{\"disableAllHooks\": true}"_qs);
        QTemporaryDir home;
        FakeProcesses processes;
        const QString folder = home.filePath(u"support/Panedeck/claude-usage"_qs);
        ClaudeCLI::runUsage(processes, u"/x/claude"_qs, folder);
        QCOMPARE(processes.calls.size(), 1);
        QCOMPARE(processes.calls[0].executable, u"/x/claude"_qs);
        QCOMPARE(processes.calls[0].arguments, arguments);
        QCOMPARE(processes.workingDirectories, QStringList{folder});
        QCOMPARE(processes.terminateAfterMs, QList<int>{20000});
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(ClaudeCLI::workingDirectory().endsWith(u"/Panedeck/claude-usage"_qs));

        // The prose is fixed text. The search list and the command line are built from the code; the
        // command line is pasted into a shell, so it is checked byte for byte.
        const QStringList lines = ClaudeCLI::setupPrompt().split(u'\n');
        QCOMPARE(lines.size(), 31);
        QCOMPARE(lines.mid(7, 4),
                 (QStringList{u"   - ~/.local/bin/claude"_qs, u"   - /opt/homebrew/bin/claude"_qs,
                              u"   - /usr/local/bin/claude"_qs, u"   - ~/.claude/local/claude"_qs}));
        QCOMPARE(lines[16],
                 u"   cd ~ && ~/.local/bin/claude -p \"/usage\" --output-format json --strict-mcp-config "
                 u"--no-session-persistence --settings '{\"disableAllHooks\": true}' < /dev/null"_qs);
    }

};

QTEST_GUILESS_MAIN(UsageTest)
#include "tst_usage.moc"
