#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "shell/MainWindow.h"

#include <QtTest>

namespace {

const QString Normal = QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - Radio Nord");
constexpr int Upload = 0;
constexpr int IncidentsTab = 2;

struct AlertFixture {
    ScriptedDialogs dialogs;
    ProgramFixture f{nullptr, &dialogs};
    Program& p = f.program;
    Frm_Main& frm = p.frmMain;
    IncidentAlert& alert = p.incidentAlert;

    explicit AlertFixture(bool loaded = true) {
        p.state.PbBFrmMainChargee = loaded;
        alert.setNormalCaption(Normal);
    }
    void incident(const QString& text = QStringLiteral("Err: Unable to connect to Sound4 #1")) {
        p.trace.line(text, true);
    }
    // The window as it starts: no alert, no rows, the tab unavailable.
    void verifyStartState() const {
        QCOMPARE(frm.Caption.text(), Normal);
        QVERIFY(!frm.TimerFlash.isActive());
        QVERIFY(frm.ListeIncidents[0].isEmpty());
        QVERIFY(!frm.SftTabsMain.available(IncidentsTab));
        QCOMPARE(frm.CheckIncidents[0].value(), 0);
    }
};

} // namespace

class TestIncidentAlert : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void incidentAlertsWithoutSelectingTheTab();
    void lookingAtTheTabAcknowledges();
    void purge_data();
    void purge();
    void listEmptiedAfterAThousandRows();
    void incidentBeforeTheLoadEndsIsReplayed();
};

void TestIncidentAlert::incidentAlertsWithoutSelectingTheTab() {
    AlertFixture s;
    s.verifyStartState();
    s.incident();
    QCOMPARE(s.frm.Caption.text(), QStringLiteral("Err: ") + Normal);
    QCOMPARE(s.alert.alertCaption(), QStringLiteral("Err: ") + Normal);
    QCOMPARE(s.alert.normalCaption(), Normal);
    QVERIFY(s.frm.TimerFlash.isActive());
    QVERIFY(s.frm.SftTabsMain.available(IncidentsTab));
    QCOMPARE(s.frm.SftTabsMain.current(), Upload); // the operator chooses when to look
    QCOMPARE(s.frm.CheckIncidents[0].value(), 0);  // ready for the next signal
    QCOMPARE(s.frm.CheckIncidentsFeuilleNonChargee.value(), 0);
    // Further incidents repeat the alert, with one prefix.
    s.incident(QStringLiteral("second"));
    QCOMPARE(s.frm.Caption.text(), QStringLiteral("Err: ") + Normal);
    QCOMPARE(s.frm.ListeIncidents[0].count(), 2);
}

void TestIncidentAlert::lookingAtTheTabAcknowledges() {
    AlertFixture s;
    MainWindow window(s.p);
    s.incident();
    s.frm.SftTabsMain.setCurrent(IncidentsTab);
    QCOMPARE(s.frm.Caption.text(), Normal);
    QVERIFY(!s.frm.TimerFlash.isActive());
    QCOMPARE(s.frm.ListeIncidents[0].count(), 1);
    QVERIFY(s.frm.SftTabsMain.available(IncidentsTab));

    // Already looking: a new incident alerts all the same, until the operator looks
    // again.
    s.incident(QStringLiteral("while looking"));
    QCOMPARE(s.frm.Caption.text(), QStringLiteral("Err: ") + Normal);
    QVERIFY(s.frm.TimerFlash.isActive());
    s.frm.SftTabsMain.setCurrent(Upload);
    QVERIFY(s.frm.TimerFlash.isActive());
    s.frm.SftTabsMain.setCurrent(IncidentsTab);
    QVERIFY(!s.frm.TimerFlash.isActive());
    QCOMPARE(s.frm.Caption.text(), Normal);
    QCOMPARE(s.frm.ListeIncidents[0].count(), 2);
}

void TestIncidentAlert::purge_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("shownTab");
    QTest::newRow("no") << false << IncidentsTab;
    QTest::newRow("yes, looking at the list") << true << IncidentsTab;
    QTest::newRow("yes, from another tab") << true << 1;
}

void TestIncidentAlert::purge() {
    QFETCH(bool, yes);
    QFETCH(int, shownTab);
    AlertFixture s;
    s.incident();
    s.incident(QStringLiteral("second"));
    s.frm.SftTabsMain.setCurrent(shownTab);
    s.alert.CheckIncidents_Click(0); // value 0: nothing
    const QString caption = s.frm.Caption.text();
    if (yes) {
        s.dialogs.answers = {DialogsHost::Answer::Yes};
    }
    s.alert.CommandIncidentsPurge_Click(0);

    QCOMPARE(s.dialogs.questions.size(), 1);
    const ScriptedDialogs::Question& q = s.dialogs.questions.front();
    QCOMPARE(q.title, caption);
    QCOMPARE(q.text, QStringLiteral("Voulez-vous purger la liste des incidents ?"));
    QCOMPARE(q.buttons, DialogsHost::Buttons::YesNo);
    QCOMPARE(q.icon, DialogsHost::Icon::Question);
    QCOMPARE(q.safeAnswer, DialogsHost::Answer::No);
    if (yes) {
        s.verifyStartState();
        QCOMPARE(s.frm.SftTabsMain.current(), Upload);
    } else {
        QCOMPARE(s.frm.Caption.text(), caption);
        QVERIFY(s.frm.TimerFlash.isActive());
        QCOMPARE(s.frm.ListeIncidents[0].count(), 2);
        QVERIFY(s.frm.SftTabsMain.available(IncidentsTab));
        QCOMPARE(s.frm.SftTabsMain.current(), shownTab);
    }
}

void TestIncidentAlert::listEmptiedAfterAThousandRows() {
    AlertFixture s;
    for (int i = 1; i <= 1001; ++i) {
        s.incident(QStringLiteral("incident ") + QString::number(i));
    }
    QCOMPARE(s.frm.ListeIncidents[0].count(), 1001);
    s.incident(QStringLiteral("incident 1002"));
    QCOMPARE(s.frm.ListeIncidents[0].count(), 1);
    QVERIFY(s.frm.ListeIncidents[0].at(0).endsWith(QStringLiteral("incident 1002")));
    // Not a purge: the alert goes on.
    QCOMPARE(s.frm.Caption.text(), QStringLiteral("Err: ") + Normal);
    QVERIFY(s.frm.TimerFlash.isActive());
    QVERIFY(s.frm.SftTabsMain.available(IncidentsTab));
    QVERIFY(s.dialogs.questions.isEmpty());
}

void TestIncidentAlert::incidentBeforeTheLoadEndsIsReplayed() {
    AlertFixture s(false);
    s.incident();
    QCOMPARE(s.frm.Caption.text(), QStringLiteral("Err: ") + Normal);
    QVERIFY(s.frm.TimerFlash.isActive());
    QVERIFY(!s.frm.SftTabsMain.available(IncidentsTab));
    QCOMPARE(s.frm.CheckIncidentsFeuilleNonChargee.value(), 1);

    s.p.state.PbBFrmMainChargee = true;
    s.alert.replayAtLoadEnd();
    QVERIFY(s.frm.SftTabsMain.available(IncidentsTab));
    QCOMPARE(s.frm.CheckIncidentsFeuilleNonChargee.value(), 0);
    QCOMPARE(s.frm.CheckIncidents[0].value(), 0);
    QCOMPARE(s.frm.ListeIncidents[0].count(), 1);

    // Once only.
    s.alert.ClearIncidents(0);
    s.alert.replayAtLoadEnd();
    s.verifyStartState();
}

QTEST_GUILESS_MAIN(TestIncidentAlert)
#include "tst_incidentalert.moc"
