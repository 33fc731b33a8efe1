#include "AppStateFixture.h"

#include <QTest>

using Fx = AppStateFixture;

class AgentBadgesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The agents' badges on the slots and unassigned windows whose folders hold them, and the slots
    // used recently; choosing or maximising a slot acknowledges its badge, switching off clears them.
    void badgesUntilAcknowledged_data()
    {
        QTest::addColumn<bool>("maximise");
        QTest::newRow("chosen") << false;
        QTest::newRow("maximised") << true;
    }
    void badgesUntilAcknowledged()
    {
        QFETCH(bool, maximise);
        Fx fx;
        // Slot 1's folder is missing, yet its badge shows; /w holds it: an umbrella, nobody's. Its window is
        // there to be maximised; chosen without one, nothing opens.
        AppState& state = fx.make({.slots = {{u"1"_qs, Fx::entry(u"app"_qs, u"/w/app/"_qs)},
                                             {u"7"_qs, Fx::entry(u"w"_qs, u"/w"_qs)}},
                                   .agentStatusEnabled = true});
        if (maximise)
            fx.editorWindow(10, u"app"_qs);
        // An unassigned editor window on the folder the editor's history names.
        fx.editorWindow(10, u"term"_qs);
        QVERIFY(
            TestFiles::write(fx.dir.filePath(u"storage.json"_qs),
                             "{\"windowsState\": {\"openedWindows\": [{\"folder\": \"file:///x/term\"}]}}"));
        const QDateTime minuteAgo = fx.scheduling.clock.addSecs(-60);
        fx.agent(u"/w/app/src"_qs, u"idle"_qs, minuteAgo);
        fx.agent(u"/w/other"_qs, u"waiting"_qs, minuteAgo);
        fx.agent(u"/x/term"_qs, u"waiting"_qs, minuteAgo);
        state.refresh();
        QCOMPARE(state.agentBadges(), (QHash<int, AgentState>{{1, AgentState::idle}}));
        QCOMPARE(state.unassignedBadges().values(), QList<AgentState>{AgentState::waiting});
        QCOMPARE(state.recentSlots(), (QSet<int>{1}));

        // Acknowledged by the scheduler's clock, and the idle badge goes.
        if (maximise)
            QVERIFY(state.maximizeSlot(1));
        else
            state.activateSlot(1);
        QCOMPARE(AgentStatusStore(fx.dir.filePath(u"support"_qs)).acknowledgedAt(u"/w/app/"_qs),
                 fx.scheduling.clock);
        QVERIFY(state.agentBadges().isEmpty());

        state.setAgentStatusEnabled(false);
        QVERIFY(state.recentSlots().isEmpty());
    }
};

QTEST_GUILESS_MAIN(AgentBadgesTest)
#include "tst_agentbadges.moc"
