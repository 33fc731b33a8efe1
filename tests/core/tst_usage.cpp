#include "FakeProcesses.h"
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

    void reader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QString both = u"1000"_qs + fiveHour + sevenDay, week = u"1000 -"_qs + sevenDay;
        const QString five = u"'2025-06-09T10:00:00Z'"_qs;
        QTest::newRow("as written") << json(file) << both;
        QTest::newRow("fraction before Z") << edited(u"00Z"_qs, u"00.5Z"_qs) << both;
        QTest::newRow("microseconds") << edited(u"00Z"_qs, u"00.123456+00:00"_qs) << both;
        QTest::newRow("fraction before offset") << edited(u"00Z"_qs, u"00.999+09:00"_qs)
                                                << u"1000 42@2025-06-09T10:00:00.000+09:00"_qs + sevenDay;
        for (const char* bad :
             {"2025-06-09 10:00:00Z", "2025-06-09T10:00:00", "2025-06-09T10:00:00+0900",
              "2025-06-09T24:00:00Z", "2025-06-09T10:00:00.Z", "2025-06-09T10:00:00.5Zjunk", ""})
            QTest::addRow("reset time '%s'", bad)
                << edited(five, u'\'' + QString::fromLatin1(bad) + u'\'') << week;
        QTest::newRow("reset time a number") << edited(five, u"1749463200"_qs) << week;
        QTest::newRow("percent as text") << edited(u":42"_qs, u":'42'"_qs) << week;
        QTest::newRow("only the week") << edited(u"'five_hour'"_qs, u"'x'"_qs) << week;
        QTest::newRow("huge percent kept")
            << edited(u":42"_qs, u":1e308"_qs) << u"1000 1e+308@2025-06-09T10:00:00.000Z"_qs + sevenDay;
        QTest::newRow("both windows malformed")
            << edited(u"'resets_at'"_qs, u"'resetsAt'"_qs) << u"nothing"_qs;

        const QString cacheAccount = u"'fetchedAtMs'"_qs;
        QTest::newRow("same account") << edited(cacheAccount, u"'accountUuid':'a1','fetchedAtMs'"_qs) << both;
        QTest::newRow("cache account not text")
            << edited(cacheAccount, u"'accountUuid':7,'fetchedAtMs'"_qs) << both;
        QTest::newRow("other account")
            << edited(cacheAccount, u"'accountUuid':'b2','fetchedAtMs'"_qs) << u"nothing"_qs;
        QTest::newRow("not signed in") << edited(u"'oauthAccount'"_qs, u"'x'"_qs) << u"nothing"_qs;
        QTest::newRow("account without id") << edited(u"{'accountUuid':'a1'}"_qs, u"{}"_qs) << u"nothing"_qs;

        QTest::newRow("fetched fraction")
            << edited(u"1000"_qs, u"1749427200000.6"_qs) << u"1749427200001"_qs + fiveHour + sevenDay;
        QTest::newRow("fetched at the far limit")
            << edited(u"1000"_qs, u"8.64e15"_qs) << u"8640000000000000"_qs + fiveHour + sevenDay;
        for (const char* bad : {"8.64000000001e15", "-1e300", "1e400", "'1000'"})
            QTest::addRow("fetched %s", bad) << edited(u"1000"_qs, QString::fromLatin1(bad)) << u"nothing"_qs;
        QTest::newRow("fetched missing") << edited(u"'fetchedAtMs':1000,"_qs, {}) << u"nothing"_qs;
        QTest::newRow("windows missing")
            << edited(u"'utilization':{'five"_qs, u"'x':{'five"_qs) << u"nothing"_qs;
        QTest::newRow("cache missing") << edited(u"'cachedUsageUtilization'"_qs, u"'x'"_qs) << u"nothing"_qs;
        QTest::newRow("trailing garbage") << json(file + u'x') << u"nothing"_qs;
        QTest::newRow("empty") << QByteArray() << u"nothing"_qs;
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{\x01", 5) << u"nothing"_qs;
    }

    void reader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(describe(ClaudeUsageReader::parse(bytes)), expected);
    }

    void loading()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u".claude.json"_qs);
        QCOMPARE(ClaudeUsageReader::load(path), std::nullopt);
        QCOMPARE(ClaudeUsageReader::load(dir.path()), std::nullopt); // a folder
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(json(file)) > 0);
        out.close();
        QVERIFY(ClaudeUsageReader::load(path));
        QCOMPARE(ClaudeUsageReader::load(path), ClaudeUsageReader::parse(json(file)));
        // Values compare by instant, whatever offset the file wrote.
        QCOMPARE(
            ClaudeUsageReader::parse(edited(u"2025-06-09T10:00:00Z"_qs, u"2025-06-09T19:00:00.25+09:00"_qs)),
            ClaudeUsageReader::parse(json(file)));
        QCOMPARE(ClaudeUsageReader::defaultFile(), QDir::homePath() + u"/.claude.json"_qs);
    }

    void percent_data()
    {
        QTest::addColumn<double>("used");
        QTest::addColumn<int>("percent");
        QTest::newRow("79.5 is high") << 79.5 << 80;
        QTest::newRow("79.4") << 79.4 << 79;
        QTest::newRow("half away from zero") << 2.5 << 3;
        QTest::newRow("over 100") << 150.0 << 100;
        QTest::newRow("negative") << -3.0 << 0;
        QTest::newRow("just above zero") << 0.4 << 0;
        QTest::newRow("not a number") << std::nan("") << 0;
    }

    void percent()
    {
        QFETCH(double, used);
        QFETCH(int, percent);
        const auto row =
            ClaudeUsageDisplay::make(ClaudeUsage{now, live(used), {}}, now, tokyo)->rows.value(0);
        QCOMPARE(row.percent, percent);
        QCOMPARE(row.isHigh, percent >= 80);
    }

    void rows()
    {
        const auto show = [](const std::optional<ClaudeUsage>& usage) {
            return describe(ClaudeUsageDisplay::make(usage, now, tokyo));
        };
        const auto week = live(12.5, 3 * 86400); // Thursday
        QCOMPARE(show(ClaudeUsage{now, live(42, 3900), week}),
                 u"5時間 42 10:05 リセット; 週 13 6/12(木) リセット | -"_qs);
        QCOMPARE(show(ClaudeUsage{now, live(50, 0), week}),
                 u"5時間 - リセット済み; 週 13 6/12(木) リセット | -"_qs);
        QCOMPARE(show(ClaudeUsage{now, {}, week}), u"週 13 6/12(木) リセット | -"_qs);
        QCOMPARE(show(ClaudeUsage{now, live(50, 0), live(90, -1)}), u"nothing"_qs);
        QCOMPARE(show(ClaudeUsage{now, {}, {}}), u"nothing"_qs);
        QCOMPARE(show(std::nullopt), u"nothing"_qs);

        // One instant, written with an offset, seen from either side of the date line.
        const QDateTime resets = QDateTime::fromString(u"2025-06-10T00:30:00+09:00"_qs, Qt::ISODate);
        const ClaudeUsage usage{now, {{5, resets}}, {{5, resets}}};
        QCOMPARE(describe(ClaudeUsageDisplay::make(usage, now, tokyo)),
                 u"5時間 5 00:30 リセット; 週 5 6/10(火) リセット | -"_qs);
        QCOMPARE(describe(ClaudeUsageDisplay::make(usage, now, QTimeZone("America/Los_Angeles"))),
                 u"5時間 5 08:30 リセット; 週 5 6/9(月) リセット | -"_qs);

        QStringList days;
        for (int day = 0; day < 8; ++day) {
            const QDateTime at = QDateTime(QDate(2025, 12, 28), QTime(12, 0), QTimeZone::utc()).addDays(day);
            days.append(
                ClaudeUsageDisplay::make(ClaudeUsage{at, {}, {{1, at}}}, at.addSecs(-1), QTimeZone::utc())
                    ->rows[0]
                    .detail.chopped(5));
        }
        QCOMPARE(days.join(u' '),
                 u"12/28(日) 12/29(月) 12/30(火) 12/31(水) 1/1(木) 1/2(金) 1/3(土) 1/4(日)"_qs);
    }

    void age_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("note");
        const QList<std::pair<qint64, QString>> ages{
            {599, u"-"_qs},          {600, u"10分前"_qs},
            {3599, u"59分前"_qs},    {3600, u"1時間前"_qs},
            {86399, u"23時間前"_qs}, {86400, u"1日前"_qs},
            {-3600, u"-"_qs},        {qint64{1} << 40, u"12725829日前"_qs}};
        for (const auto& [seconds, note] : ages)
            QTest::addRow("%lld s", seconds) << seconds << note;
    }

    void age()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, note);
        const auto display =
            ClaudeUsageDisplay::make(ClaudeUsage{now.addSecs(-seconds), live(1), {}}, now, tokyo);
        QCOMPARE(display->lastUpdate.value_or(u"-"_qs), note == u"-"_qs ? note : u"last update: "_qs + note);
    }

    void nextRun_data()
    {
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("expected"); // -1: none
        // Opened at 0 and again at 100: the grid counts from 0, the window ends at 1900.
        for (const auto& [after, expected] : QList<std::pair<int, int>>{{100, 300},
                                                                        {300, 600},
                                                                        {599, 600},
                                                                        {1799, 1800},
                                                                        {1800, -1},
                                                                        {1900, -1},
                                                                        {0, 300},
                                                                        {-1000, 300}})
            QTest::addRow("after %d", after) << after << expected;
    }

    void nextRun()
    {
        QFETCH(int, after);
        QFETCH(int, expected);
        ClaudeUsageRefreshSchedule schedule;
        QVERIFY(schedule.panelOpened(now));
        QVERIFY(!schedule.panelOpened(now.addSecs(100)));
        QCOMPARE(schedule.startedAt, now);
        QCOMPARE(schedule.endsAt, now.addSecs(1900));
        QCOMPARE(schedule.nextRun(now.addSecs(after)),
                 expected < 0 ? std::nullopt : std::optional<QDateTime>(now.addSecs(expected)));
    }

    void scheduleWindows()
    {
        ClaudeUsageRefreshSchedule schedule;
        QCOMPARE(schedule.nextRun(now), std::nullopt);
        QVERIFY(!schedule.isActive(now));
        QVERIFY(schedule.panelOpened(now));
        QVERIFY(schedule.isActive(now.addSecs(1800)));
        QVERIFY(!schedule.isActive(now.addMSecs(1800001)));
        QCOMPARE(schedule.nextRun(now.addMSecs(299999)), now.addSecs(300));
        QVERIFY(!schedule.panelOpened(now.addSecs(1800))); // the last moment of the window extends it
        QCOMPARE(schedule.endsAt, now.addSecs(3600));
        QVERIFY(schedule.panelOpened(now.addSecs(3601))); // a new window with its own grid
        QCOMPARE(schedule.nextRun(now.addSecs(3601)), now.addSecs(3901));
    }

    void commandLine()
    {
        QCOMPARE(ClaudeCLI::candidates(u"/home/u/"_qs),
                 (QStringList{u"/home/u/.local/bin/claude"_qs, u"/opt/homebrew/bin/claude"_qs,
                              u"/usr/local/bin/claude"_qs, u"/home/u/.claude/local/claude"_qs}));

        QTemporaryDir home;
        for (const QString& relative : {u".local/bin/claude"_qs, u".claude/local/claude"_qs}) {
            QVERIFY(QDir(home.path()).mkpath(QFileInfo(relative).path()));
            QFile file(home.filePath(relative));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.setPermissions(relative.startsWith(u".local"_qs) ? QFile::ReadOwner
                                                                  : QFile::ReadOwner | QFile::ExeOwner);
        }
        // Only files in the test home count, whatever this machine has in /usr/local/bin.
        const auto isExecutable = [&](const QString& path) {
            return path.startsWith(home.path()) && QFileInfo(path).isExecutable();
        };
        QCOMPARE(ClaudeCLI::find(home.path(), isExecutable), home.filePath(u".claude/local/claude"_qs));
        QCOMPARE(ClaudeCLI::find(u"/h"_qs, [](const QString&) { return false; }), std::nullopt);
        const auto firstAndThird = [](const QString& path) {
            return path == u"/usr/local/bin/claude"_qs || path == u"/h/.local/bin/claude"_qs;
        };
        QCOMPARE(ClaudeCLI::find(u"/h"_qs, firstAndThird), u"/h/.local/bin/claude"_qs);

        const QStringList arguments{u"-p"_qs,
                                    u"/usage"_qs,
                                    u"--output-format"_qs,
                                    u"json"_qs,
                                    u"--strict-mcp-config"_qs,
                                    u"--no-session-persistence"_qs,
                                    u"--settings"_qs,
                                    u"{\"disableAllHooks\": true}"_qs};
        QCOMPARE(ClaudeCLI::usageArguments(), arguments);
        QCOMPARE(arguments.last().size(), 25);

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
    }

    void setupPrompt()
    {
        QCOMPARE(
            ClaudeCLI::setupPrompt(),
            u"Panedeck の「ヘッダーに Claude Code の使用量を出す」を使うために、\n"
            u"この Mac にターミナル版の Claude Code（claude コマンド）が使える状態か確かめ、\n"
            u"無ければ入れてください。\n"
            u"\n"
            u"【手順】\n"
            u"1. すでに入っているか確かめる\n"
            u"   次の場所に実行できる claude があるかを見て、あれば `<その場所> --version` を実行する。\n"
            u"   - ~/.local/bin/claude\n"
            u"   - /opt/homebrew/bin/claude\n"
            u"   - /usr/local/bin/claude\n"
            u"   - ~/.claude/local/claude\n"
            u"   （Panedeck "
            u"はこの場所しか探しません。ほかの場所にしか無い場合は、その旨を報告してください）\n"
            u"2. 無ければ、公式の手順で入れる\n"
            u"   curl -fsSL https://claude.ai/install.sh | bash\n"
            u"   入ったら ~/.local/bin/claude --version で版が出ることを確かめる。\n"
            u"3. ログインできているか確かめる（Panedeck が裏で実行するのと同じコマンド）\n"
            u"   cd ~ && ~/.local/bin/claude -p \"/usage\" --output-format json --strict-mcp-config "
            u"--no-session-persistence --settings '{\"disableAllHooks\": true}' < /dev/null\n"
            u"   ※ 2で入れていない場合は、1で見つけた場所の claude に置き換える\n"
            u"   「Current session: ○% used」のような使用量が出れば完了です。\n"
            u"\n"
            u"【守ってほしいこと】\n"
            u"- sudo や npm は使わない（公式は上の curl の方法を勧めています）\n"
            u"- API キーを設定・作成しない（使うのは Claude のプランのログインだけ）\n"
            u"- ~/.claude/settings.json など、既存の設定ファイルは変更しない\n"
            u"- 3でログインを求められた、またはエラーになった場合は、自分でログインしようとせず、\n"
            u"  「ターミナル.app を開いて claude "
            u"と入力し、表示に従ってブラウザでログインしてください」と案内して止まる\n"
            u"  （ログインはブラウザでの操作が要るため、ここからはできません）\n"
            u"\n"
            u"【最後に報告してほしいこと】\n"
            u"- claude の場所と版\n"
            u"- 3の結果（使用量が出たか、出なかったならそのメッセージ）"_qs);
    }
};

QTEST_GUILESS_MAIN(UsageTest)
#include "tst_usage.moc"
