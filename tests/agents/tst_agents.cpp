#include "TestFiles.h"
#include "core/agents/AgentHookSnippet.h"
#include "core/agents/AgentStatusStore.h"
#include "core/text/IsoTime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

namespace {

const QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);

AgentStatusEntry session(const QString& cwd, AgentState state, qint64 secondsAgo = 60)
{
    return {u"s"_qs, cwd, state, now.addSecs(-secondsAgo)};
}

QByteArray stateFile(const QString& cwd, const QString& state, const QDateTime& at)
{
    return (u"cwd="_qs + cwd + u"\nstate="_qs + state + u"\nupdatedAt="_qs + IsoTime::format(at) + u'\n')
        .toUtf8();
}

using TestFiles::write;
using Slots = QHash<int, QString>;

} // namespace

// State files, routing sessions to the deepest folder, badge priority with acknowledgements, the
// store's files and the hook snippet.
class AgentsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parsing()
    {
        const auto entry = AgentStatus::parse(
            u"\nupdatedAt=2025-06-09T14:12:00+09:00\n\nstate=waiting\nnoise\ncwd=/a=b\nx=y\n"_qs, u"abc"_qs);
        QVERIFY(entry);
        QCOMPARE(entry->sessionID, u"abc"_qs);
        QCOMPARE(entry->cwd, u"/a=b"_qs);
        QCOMPARE(entry->state, AgentState::waiting);
        QCOMPARE(entry->updatedAt, QDateTime(QDate(2025, 6, 9), QTime(5, 12), Qt::UTC));
        const auto later =
            AgentStatus::parse(u"cwd=/p\nstate=idle\nupdatedAt=2025-06-09T05:12:00Z\nstate=done"_qs, u"x"_qs);
        QCOMPARE(later->state, AgentState::done); // the later line wins
        for (const QString& bad :
             {u"cwd=/p\nstate=Waiting\nupdatedAt=2025-06-09T05:12:00Z"_qs,
              u"cwd=/p\nstate= waiting\nupdatedAt=2025-06-09T05:12:00Z"_qs,
              u"cwd=\nstate=idle\nupdatedAt=2025-06-09T05:12:00Z"_qs,
              u"cwd=/p\nstate=idle\nupdatedAt=2025-06-09T05:12:00.250Z"_qs,
              u"cwd=/p\nstate=idle\nupdatedAt=2025-06-09 05:12:00Z"_qs,
              u"cwd=/p\nstate=idle\nupdatedAt=2025-06-09T24:00:00Z"_qs, u"cwd=/p\nstate=idle"_qs, QString()})
            QVERIFY2(!AgentStatus::parse(bad, u"x"_qs), qPrintable(bad));
    }

    void expiry()
    {
        QVERIFY(!AgentStatus::isExpired(session(u"/p"_qs, AgentState::running, 7200), now));
        QVERIFY(AgentStatus::isExpired(session(u"/p"_qs, AgentState::running, 7201), now));
        QVERIFY(!AgentStatus::isExpired(session(u"/p"_qs, AgentState::waiting, 86400), now));
        QVERIFY(AgentStatus::isExpired(session(u"/p"_qs, AgentState::done, 86401), now));
        QVERIFY(!AgentStatus::isExpired(session(u"/p"_qs, AgentState::idle, -99999), now));
        // To the millisecond: half a second past a threshold is past it.
        QVERIFY(AgentStatus::isExpired(session(u"/p"_qs, AgentState::running, 7200), now.addMSecs(500)));
        QVERIFY(AgentStatus::isExpired(session(u"/p"_qs, AgentState::idle, 86400), now.addMSecs(500)));
    }

    void routing()
    {
        const auto badgesOf = [](const Slots& targets, const QList<AgentStatusEntry>& entries) {
            return AgentStatus::badges<int>(
                targets, entries, [](const QString&) { return std::nullopt; }, now);
        };
        using Badges = QHash<int, AgentState>;
        const Slots nested{{1, u"/w"_qs}, {2, u"/w/app"_qs}};
        QCOMPARE(badgesOf(nested, {session(u"/w/app/src"_qs, AgentState::idle)}),
                 (Badges{{2, AgentState::idle}}));
        QCOMPARE(badgesOf(nested, {session(u"/w/"_qs, AgentState::idle)}), (Badges{{1, AgentState::idle}}));
        QCOMPARE(badgesOf(nested, {session(u"/w/other"_qs, AgentState::idle)}),
                 Badges{}); // /w is an umbrella
        QCOMPARE(badgesOf({{1, u"/a"_qs}, {2, u"/ab"_qs}}, {session(u"/ab/x"_qs, AgentState::done)}),
                 (Badges{{2, AgentState::done}}));
        QCOMPARE(badgesOf({{1, u"/p"_qs}, {2, u"/p/"_qs}, {3, QString()}},
                          {session(u"/p/q"_qs, AgentState::waiting)}),
                 (Badges{{1, AgentState::waiting}, {2, AgentState::waiting}}));
        QCOMPARE(badgesOf({{1, u"/"_qs}}, {session(u"/tmp"_qs, AgentState::idle)}), Badges{});
        QCOMPARE(badgesOf({{1, u"/"_qs}}, {session(u"/"_qs, AgentState::idle)}),
                 (Badges{{1, AgentState::idle}}));
        QCOMPARE(badgesOf({{1, u"/src/Caf\u00e9"_qs}}, {session(u"/src/Cafe\u0301/x"_qs, AgentState::idle)}),
                 (Badges{{1, AgentState::idle}}));
        QCOMPARE(badgesOf({}, {session(u"/p"_qs, AgentState::idle)}), Badges{});
        // An expired running session neither badges nor hides a later idle one.
        QCOMPARE(badgesOf({{1, u"/p"_qs}}, {session(u"/p"_qs, AgentState::running, 7201),
                                            session(u"/p"_qs, AgentState::idle)}),
                 (Badges{{1, AgentState::idle}}));
    }

    void badgePriority()
    {
        const QDateTime ack = now.addSecs(-30);
        const auto badge = [&](QList<AgentStatusEntry> entries, std::optional<QDateTime> acknowledged) {
            return AgentStatus::badge(u"/p"_qs, entries, acknowledged, now);
        };
        const auto waitingOld = session(u"/p"_qs, AgentState::waiting, 60);
        const auto running = session(u"/p/x"_qs, AgentState::running, 120);
        QCOMPARE(badge({waitingOld, running}, ack), AgentState::running);
        QCOMPARE(badge({waitingOld, running}, std::nullopt), AgentState::waiting);
        QCOMPARE(badge({session(u"/p"_qs, AgentState::done, 1), session(u"/p"_qs, AgentState::idle, 1)}, ack),
                 AgentState::idle);
        QCOMPARE(badge({session(u"/p"_qs, AgentState::idle, 30)}, ack),
                 std::nullopt); // same second: acknowledged
        QCOMPARE(badge({session(u"/p"_qs, AgentState::idle, 29)}, ack), AgentState::idle);
        QCOMPARE(badge({session(u"/q"_qs, AgentState::idle)}, std::nullopt), std::nullopt);

        const QList<ActivityRecord> activity{{u"/w/app"_qs, now.addSecs(-259200)},
                                             {u"/w/b"_qs, now.addSecs(-259201)}};
        QCOMPARE(AgentStatus::recentlyUsed<int>({{1, u"/w/app"_qs}, {2, u"/w/b"_qs}}, activity, 259200, now),
                 QSet<int>{1});
        QCOMPARE(AgentStatus::recentlyUsed<int>({}, activity, 259200, now), QSet<int>{});
    }

    void storeFiles()
    {
        QTemporaryDir dir;
        const AgentStatusStore store(dir.path());
        QVERIFY(store.loadEntries().isEmpty()); // no folder yet

        const QString states = store.stateDirectory();
        write(states + u"/good.state"_qs, stateFile(u"/p"_qs, u"idle"_qs, now));
        write(states + u"/old-but-touched.state"_qs, stateFile(u"/p"_qs, u"idle"_qs, now.addDays(-30)), 10);
        write(states + u"/corrupt-stale.state"_qs, "\x00\xff garbage", 86401);
        write(states + u"/corrupt-fresh.state"_qs, "garbage", 86399);
        write(states + u"/stale.state"_qs, stateFile(u"/q"_qs, u"done"_qs, now), 86401);
        write(states + u"/stale-by-half-a-second.state"_qs, stateFile(u"/q"_qs, u"done"_qs, now), 86400.5);
        write(states + u"/old.state.tmp"_qs, "garbage", 999999);
        write(states + u"/huge.state"_qs, QByteArray(200000, 'x'));
        write(states + u"/latin1.state"_qs, stateFile(u"/p"_qs, u"idle"_qs, now).replace("/p", "/caf\xe9"));
        QDir().mkpath(states + u"/folder.state"_qs);
        QCOMPARE(::mkfifo(QFile::encodeName(states + u"/pipe.state"_qs).constData(), 0600), 0); // never read

        QStringList ids;
        for (const AgentStatusEntry& e : store.loadEntries())
            ids.append(e.sessionID);
        ids.sort();
        QCOMPARE(ids, (QStringList{u"good"_qs, u"old-but-touched"_qs}));
        QStringList left = QDir(states).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        left.sort();
        QCOMPARE(left, (QStringList{u"corrupt-fresh.state"_qs, u"folder.state"_qs, u"good.state"_qs,
                                    u"huge.state"_qs, u"latin1.state"_qs, u"old-but-touched.state"_qs,
                                    u"old.state.tmp"_qs, u"pipe.state"_qs}));

        store.recordActivity({}, now);
        QVERIFY(!QFile::exists(store.activityFile()));
        write(store.activityFile(),
              "{\"\\/old\": \"2026-12-03T11:59:59Z\", \"/edge\": \"2026-12-03T12:00:00Z\", \"/bad\": \"x\"}");
        store.recordActivity({session(u"/p/"_qs, AgentState::idle, 10),
                              session(u"/p"_qs, AgentState::idle, 100), session(QString(), AgentState::idle)},
                             now);
        QFile activity(store.activityFile());
        QVERIFY(activity.open(QIODevice::ReadOnly));
        QCOMPARE(
            activity.readAll(),
            QByteArray(
                "{\n  \"\\/edge\" : \"2026-12-03T12:00:00Z\",\n  \"\\/p\" : \"2026-12-06T11:59:50Z\"\n}"));
        QCOMPARE(store.recentActivity(now.addMSecs(500)).size(), 1); // /edge is now half a second too old

        QCOMPARE(store.acknowledgedAt(u"/p"_qs), std::nullopt);
        store.acknowledge(u"/p"_qs, now.addMSecs(750));
        QCOMPARE(store.acknowledgedAt(u"/p"_qs), now); // stored to the whole second
        QCOMPARE(store.acknowledgedAt(u"/p/"_qs), std::nullopt);
        write(store.acknowledgementFile(), "[1, 2]");
        QCOMPARE(store.acknowledgedAt(u"/p"_qs), std::nullopt);
    }

    void hookSnippet()
    {
        const QString path = u"/Applications/My Tools/x.app/Contents/Resources/agent-state.sh"_qs;
        const QString command = u"\"command\": \"'"_qs + path + u"' "_qs;
        const QString expected =
            u"{\n  \"hooks\": {\n    \"UserPromptSubmit\": [\n      { \"hooks\": [ { \"type\": \"command\", "_qs +
            command +
            u"running\", \"async\": true } ] }\n    ],\n    \"Notification\": [\n"
            u"      { \"matcher\": \"permission_prompt|agent_needs_input\",\n        \"hooks\": [ { \"type\": \"command\", "_qs +
            command +
            u"waiting\", \"async\": true } ] }\n    ],\n    \"Stop\": [\n      { \"hooks\": [ { \"type\": \"command\", "_qs +
            command +
            u"idle\", \"async\": true } ] }\n    ],\n    \"SessionEnd\": [\n      { \"hooks\": [ { \"type\": \"command\", "_qs +
            command + u"end\", \"async\": true } ] }\n    ]\n  }\n}"_qs;
        QCOMPARE(AgentHookSnippet::json(path), expected);
        const QString request = AgentHookSnippet::clipboardText(path);
        QVERIFY(request.startsWith(
            u"Panedeck のエージェント状態バッジ用のフックを設定してください。\n\n【お願い】\n"_qs));
        QVERIFY(request.contains(u"  (Stop や SessionStart には別のフックが入っていることがあります)\n"_qs));
        QVERIFY(request.endsWith(u"【追加する内容】\n"_qs + expected));
        for (const QString& unsafe : {u"/a'b"_qs, u"/a\"b"_qs, u"/a\\b"_qs}) {
            QCOMPARE(AgentHookSnippet::json(unsafe), QString());
            QCOMPARE(AgentHookSnippet::clipboardText(unsafe), QString());
        }

        QVERIFY(AgentHookSnippet::isInstalled(u"{\"note\": \"see /s/agent-state.sh\"}"_qs,
                                              u"/s/agent-state.sh"_qs));
        int asked = 0;
        const auto entries = [&] {
            ++asked;
            return true;
        };
        QCOMPARE(AgentHookSnippet::statusDescription(u"/s"_qs, std::nullopt, entries),
                 u"未設定です（フックが見つかりません）"_qs);
        QCOMPARE(AgentHookSnippet::statusDescription(u"/s"_qs, u"{}"_qs, entries),
                 u"未設定です。下のボタンで設定をコピーしてください"_qs);
        QCOMPARE(asked, 0);
        QCOMPARE(AgentHookSnippet::statusDescription(u"/s"_qs, u"'/s' idle"_qs, [] { return false; }),
                 u"設定済みですが、まだ状態が届いていません（エージェントを1回動かすと届きます）"_qs);
    }
};

QTEST_GUILESS_MAIN(AgentsTest)
#include "tst_agents.moc"
