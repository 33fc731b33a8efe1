#include "TestFiles.h"
#include "core/agents/AgentStatusStore.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// Runs the real agent-state.sh with /bin/sh (dash on Debian) against a throw-away home folder and
// checks what it leaves there, byte for byte.
namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    // A hook must exit 0 and stay silent whatever it was given.
    bool quiet() const { return exitCode == 0 && out.isEmpty() && err.isEmpty(); }
};

QByteArray payload(const QByteArray& sessionId, const QByteArray& cwdJson)
{
    return "{\"session_id\":\"" + sessionId + "\",\"transcript_path\":\"/t/x.jsonl\",\"cwd\":\"" + cwdJson +
           "\",\"hook_event_name\":\"Stop\"}";
}

// Every file below root, by relative path; hidden ones included so that temporary files show up.
QStringList filesBelow(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Empty when `contents` is exactly cwd=, state= and updatedAt= lines with a time close to now.
QString stateFileProblem(const QByteArray& contents, const QByteArray& cwd, const QByteArray& state)
{
    const QByteArray head = "cwd=" + cwd + "\nstate=" + state + "\nupdatedAt=";
    if (!contents.startsWith(head))
        return u"unexpected contents: "_qs + QString::fromUtf8(contents);
    static const QRegularExpression timeLine(u"^(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ)\\n$"_qs);
    const auto match = timeLine.match(QString::fromUtf8(contents.mid(head.size())));
    if (!match.hasMatch())
        return u"bad updatedAt line: "_qs + QString::fromUtf8(contents);
    const QDateTime at = QDateTime::fromString(match.captured(1), Qt::ISODate);
    const qint64 age = at.secsTo(QDateTime::currentDateTimeUtc());
    if (!at.isValid() || at.timeSpec() != Qt::UTC || age < -2 || age > 10)
        return u"updatedAt is not now: "_qs + match.captured(1);
    return {};
}

} // namespace

class AgentScriptTest : public QObject {
    Q_OBJECT

    QTemporaryDir temp;
    QString home() const { return temp.filePath(u"home"_qs); }
    QString dataHome() const { return temp.filePath(u"data"_qs); }
    QString stateDir() const { return dataHome() + u"/Panedeck/agent-state"_qs; }

    QProcessEnvironment environment() const
    {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_qs, home());
        env.insert(u"XDG_DATA_HOME"_qs, dataHome());
        return env;
    }

    Run run(const QStringList& args, const QByteArray& input,
            const QProcessEnvironment& env = QProcessEnvironment()) const
    {
        QProcess process;
        process.setProcessEnvironment(env.isEmpty() ? environment() : env);
        process.start(u"/bin/sh"_qs, QStringList{QStringLiteral(AGENT_SCRIPT)} + args);
        Run result;
        if (!process.waitForStarted(5000))
            return result;
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    static QByteArray read(const QString& path) { return TestFiles::read(path); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(temp.isValid()); }

    void init()
    {
        QVERIFY(QDir(temp.path()).removeRecursively());
        QVERIFY(QDir().mkpath(home()));
    }

    // Each state in turn replaces the session's one file.
    void writesEachState()
    {
        for (const QByteArray state : {"running", "waiting", "idle"}) {
            QVERIFY(run({QString::fromUtf8(state)}, payload("7f3c-A_b.9", "/Users/me/src/app")).quiet());
            QCOMPARE(filesBelow(temp.path()), QStringList{u"data/Panedeck/agent-state/7f3c-A_b.9.state"_qs});
            QCOMPARE(stateFileProblem(read(stateDir() + u"/7f3c-A_b.9.state"_qs), "/Users/me/src/app", state),
                     QString());
        }
    }

    void replacesThenEndRemoves()
    {
        QVERIFY(TestFiles::write(
            stateDir() + u"/s1.state"_qs,
            "cwd=/old\nstate=running\nupdatedAt=2020-01-01T00:00:00Z\nextra=line that must go\n"));
        QVERIFY(TestFiles::write(stateDir() + u"/s2.state"_qs, {}));

        QVERIFY(run({u"idle"_qs}, payload("s1", "/new")).quiet());
        QCOMPARE(stateFileProblem(read(stateDir() + u"/s1.state"_qs), "/new", "idle"), QString());

        // end needs only the session id, and removes only that session's file.
        QVERIFY(run({u"end"_qs}, "{\"session_id\":\"s1\",\"reason\":\"exit\"}").quiet());
        QCOMPARE(filesBelow(temp.path()), QStringList{u"data/Panedeck/agent-state/s2.state"_qs});
        QVERIFY(run({u"end"_qs}, payload("s1", "/new")).quiet()); // already gone
        QCOMPARE(filesBelow(temp.path()), QStringList{u"data/Panedeck/agent-state/s2.state"_qs});
    }

    // Payload layout and the cwd escapes the script decodes.
    void readsPayload_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("cwd");
        QTest::newRow("pretty, other order")
            << QByteArray(
                   "{\n  \"hook_event_name\": \"Notification\",\n  \"cwd\" :\r\n\t\"/w/a\",\n"
                   "  \"message\": \"Claude needs your permission\",\n  \"session_id\"\n:\n \"abc\"\n}\n")
            << QByteArray("/w/a");
        QTest::newRow("spaces and =") << payload("abc", "/a b/c=d=/ e ") << QByteArray("/a b/c=d=/ e ");
        QTest::newRow("escaped quotes") << payload("abc", "/x/\\\"q\\\"") << QByteArray("/x/\"q\"");
        QTest::newRow("backslashes") << payload("abc", "/x\\\\y\\\\\\\\z\\\\") << QByteArray("/x\\y\\\\z\\");
        QTest::newRow("escaped backslash before n") << payload("abc", "/a\\\\nb") << QByteArray("/a\\nb");
        QTest::newRow("escaped slashes") << payload("abc", "\\/Users\\/me") << QByteArray("/Users/me");
        QTest::newRow("japanese") << payload("abc", "/ユーザー/作業 中") << QByteArray("/ユーザー/作業 中");
        // Quoted member names inside other strings are escaped and must not be taken for members.
        QTest::newRow("decoys in strings")
            << QByteArray(
                   "{\"session_id\":\"abc\",\"cwd\":\"/real\",\"prompt\":\"x, \\\"cwd\\\":\\\"/evil\\\", "
                   "\\\"session_id\\\":\\\"evil\\\"\",\"y\\\"cwd\":\"/evil2\"}")
            << QByteArray("/real");
        QTest::newRow("128 character id") << payload(QByteArray(128, 'a'), "/x") << QByteArray("/x");
        QTest::newRow("nested members are not the session's")
            << QByteArray("{\"session_id\":\"abc\",\"cwd\":\"/real\",\"tool_input\":{\"cwd\":\"/evil\","
                          "\"a\":[1,-2.5e3,true,null,{},[]]}}")
            << QByteArray("/real");
        // The longest folder whose file the reader still takes (64 KiB in all).
        const QByteArray longest = '/' + QByteArray(64 * 1024 - 43 - 7 - 1, 'a');
        QTest::newRow("longest folder") << payload("abc", longest) << longest;
    }
    void readsPayload()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, cwd);
        QVERIFY(run({u"waiting"_qs}, json).quiet());
        const QStringList files = filesBelow(stateDir());
        QCOMPARE(files.size(), 1);
        QCOMPARE(stateFileProblem(read(stateDir() + u'/' + files.first()), cwd, "waiting"), QString());
    }

    // Payloads the script must drop without writing or removing anything, anywhere.
    void writesNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("json");
        const QStringList idle{u"idle"_qs};
        QTest::newRow("empty stdin") << idle << QByteArray();
        QTest::newRow("garbage stdin") << idle << QByteArray("not json\0\xff\xfe{\"", 13);
        QTest::newRow("truncated") << idle << QByteArray("{\"session_id\":\"abc\",\"cwd\":\"/x");
        QTest::newRow("truncated after a member")
            << idle << QByteArray("{\"session_id\":\"abc\",\"cwd\":\"/x\",");
        QTest::newRow("unclosed object")
            << idle << QByteArray("{\"session_id\":\"abc\",\"cwd\":\"/x\",\"t\":{}");
        QTest::newRow("two objects") << idle << (payload("abc", "/x") + "{}");
        QTest::newRow("an array") << idle << ("[" + payload("abc", "/x") + "]");
        QTest::newRow("members only nested")
            << idle << QByteArray("{\"t\":{\"session_id\":\"abc\",\"cwd\":\"/x\"}}");
        QTest::newRow("bad number") << idle << QByteArray("{\"n\":01,\"session_id\":\"abc\",\"cwd\":\"/x\"}");
        QTest::newRow("folder too long for the reader")
            << idle << payload("abc", '/' + QByteArray(64 * 1024 - 43 - 4, 'a'));
        QTest::newRow("no argument") << QStringList() << payload("abc", "/x");
        QTest::newRow("unknown argument") << QStringList{u"done"_qs} << payload("abc", "/x");
        QTest::newRow("argument case") << QStringList{u"Idle"_qs} << payload("abc", "/x");

        const char* ids[] = {"../x", "a/b", "", "..", ".", "a b", "x\\/y", "x\\u0041", "ü"};
        for (const char* id : ids)
            QTest::addRow("id %s", id) << idle << payload(id, "/x");
        QTest::newRow("id 200 characters") << idle << payload(QByteArray(200, 'a'), "/x");
        QTest::newRow("id missing") << idle << QByteArray("{\"cwd\":\"/x\"}");
        QTest::newRow("id a number") << idle << QByteArray("{\"session_id\":12,\"cwd\":\"/x\"}");
        QTest::newRow("end, id ../x") << QStringList{u"end"_qs} << payload("../x", "/x");

        const char* cwds[] = {"",       "relative/dir", "~/x",         "\\n/x",  "/a\\nb",
                              "/a\\rb", "/a\\tb",       "/caf\\u00e9", "/a\\bb", "/a\tb"};
        for (const char* cwd : cwds)
            QTest::addRow("cwd %s", cwd) << idle << payload("abc", cwd);
        QTest::newRow("cwd raw line break") << idle << payload("abc", "/a\nb");
        QTest::newRow("cwd missing") << idle << QByteArray("{\"session_id\":\"abc\"}");
        QTest::newRow("cwd null") << idle << QByteArray("{\"session_id\":\"abc\",\"cwd\":null}");
    }
    void writesNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, json);
        // Bait for a session id that climbs out of agent-state.
        QVERIFY(QDir().mkpath(stateDir()) && TestFiles::write(dataHome() + u"/Panedeck/x.state"_qs, {}));

        QVERIFY(run(args, json).quiet());
        QCOMPARE(filesBelow(temp.path()), QStringList{u"data/Panedeck/x.state"_qs});
    }

    void supportFolder()
    {
        // An empty XDG_DATA_HOME counts as unset.
        auto env = environment();
        env.insert(u"XDG_DATA_HOME"_qs, QString());
        QVERIFY(run({u"running"_qs}, payload("abc", "/x"), env).quiet());
        env.remove(u"XDG_DATA_HOME"_qs);
        QVERIFY(run({u"idle"_qs}, payload("def", "/y"), env).quiet());
        QCOMPARE(filesBelow(temp.path()),
                 (QStringList{u"home/.local/share/Panedeck/agent-state/abc.state"_qs,
                              u"home/.local/share/Panedeck/agent-state/def.state"_qs}));

        // No HOME and no XDG_DATA_HOME: nowhere to write, and still quiet.
        env.remove(u"HOME"_qs);
        QVERIFY(run({u"idle"_qs}, payload("ghi", "/z"), env).quiet());
        QCOMPARE(filesBelow(temp.path()).size(), 2);
    }

    // Many hooks of one session at once: the file is always there and always whole while they replace
    // it, and no temporary file is left behind.
    void concurrentWriters()
    {
        QVERIFY(run({u"idle"_qs}, payload("same", "/p/0")).quiet());
        const QString file = stateDir() + u"/same.state"_qs;
        const QString launch = u"i=0; while [ $i -lt 50 ]; do "
                               "printf '{\"session_id\":\"same\",\"cwd\":\"/p/%d\"}' $i | "
                               "/bin/sh \"$0\" waiting & i=$((i+1)); done; wait"_qs;
        QProcess launcher;
        launcher.setProcessEnvironment(environment());
        launcher.start(u"/bin/sh"_qs, {u"-c"_qs, launch, QStringLiteral(AGENT_SCRIPT)});
        QVERIFY(launcher.waitForStarted(5000));

        static const QRegularExpression head(u"^cwd=(/p/([0-9]|[1-4][0-9]))\\nstate=(idle|waiting)\\n"_qs);
        int reads = 0;
        QDeadlineTimer deadline(20000);
        while (!launcher.waitForFinished(0) && !deadline.hasExpired()) {
            QThread::usleep(300); // leave the writers most of the processor
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray contents = f.readAll();
            ++reads;
            const auto m = head.match(QString::fromUtf8(contents));
            QVERIFY2(m.hasMatch(), contents.constData());
            QCOMPARE(stateFileProblem(contents, m.captured(1).toUtf8(), m.captured(3).toUtf8()), QString());
            // The program's own reader, loading while the writers run, only ever sees whole entries.
            const QList<AgentStatusEntry> entries =
                AgentStatusStore(QFileInfo(stateDir()).path()).loadEntries();
            QCOMPARE(entries.size(), 1);
            QVERIFY2(
                head.match(u"cwd="_qs + entries[0].cwd + u"\nstate="_qs + rawValue(entries[0].state) + u'\n')
                    .hasMatch(),
                qPrintable(entries[0].cwd));
        }
        QCOMPARE(launcher.exitCode(), 0);
        QVERIFY(reads > 0);
        QVERIFY(read(file).contains("\nstate=waiting\n"));
        QCOMPARE(filesBelow(temp.path()), QStringList{u"data/Panedeck/agent-state/same.state"_qs});
    }
};

QTEST_GUILESS_MAIN(AgentScriptTest)
#include "tst_agent_script.moc"
