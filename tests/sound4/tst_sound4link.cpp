// The Sound4 link end to end: the program's sessions, answer reading and console on
// real telnet connections to the simulator, on the real event loop.
#include "RealProgramFixture.h"
#include "RefusingPort.h"
#include "SimulatorProcess.h"

#include <QtTest>

namespace {

struct LinkFixture : RealProgramFixture {
    void configure(int unit, quint16 port, const QString& serial, const QString& user,
                   const QString& password) {
        configureUnit(unit, port, serial, user, password);
    }
};

} // namespace

class TestSound4Link : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loginLines_data();
    void loginLines();
    void lateAcknowledgement();
    void logoutKeepsSession();
    void refusedPortIsReported();
    void droppedSessionLogsInAgain();
    void fragmentedAnswers();
    void consoleExploresCommandSet();
};

void TestSound4Link::loginLines_data() {
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("serial") << "S1"
                            << "pw" << QByteArray("login S1,admin,pw");
    QTest::newRow("no serial") << ""
                               << "pw" << QByteArray("login admin,pw");
    QTest::newRow("no password") << ""
                                 << "" << QByteArray("login admin,");
}

void TestSound4Link::loginLines() {
    QFETCH(QString, serial);
    QFETCH(QString, password);
    QFETCH(QByteArray, line);
    SimulatorProcess sim({QStringLiteral("--password"), password});
    QVERIFY(sim.port() != 0);
    LinkFixture f;
    f.configure(0, sim.port(), serial, QStringLiteral("admin"), password);
    f.program.sessions.CommandSound4Login_Click(0);
    QVERIFY(f.program.state.PbBSound4LoggedIn[0]);
    QCOMPARE(f.program.frmSetup.CommandSound4Login[0].caption(), QStringLiteral("Logout"));
    QTRY_COMPARE(sim.received().value(0), line); // recorded without its CR LF
}

void TestSound4Link::lateAcknowledgement() {
    SimulatorProcess sim({QStringLiteral("--delay"), QStringLiteral("600")});
    LinkFixture f;
    f.configure(0, sim.port(), QString(), QStringLiteral("admin"), QString());
    f.program.sessions.CommandSound4Login_Click(0);
    QVERIFY(!f.program.state.PbBSound4LoggedIn[0]);
    QVERIFY(!f.program.state.PbBSound4LoginPending[0]);
    // Arrives after the wait: no longer awaited, shown as traffic.
    QTRY_VERIFY_WITH_TIMEOUT(
        f.program.frmSetup.ListeTelNet.rows().join('\n').contains(QStringLiteral("OK : LOGIN")),
        10000);
    QCOMPARE(f.program.frmSetup.CommandSound4Login[0].caption(), QStringLiteral("Logout"));
}

void TestSound4Link::logoutKeepsSession() {
    SimulatorProcess sim;
    LinkFixture f;
    f.configure(0, sim.port(), QString(), QStringLiteral("admin"), QString());
    f.program.sessions.CommandSound4Login_Click(0);
    QVERIFY(f.program.state.PbBSound4LoggedIn[0]);
    f.program.sessions.CommandSound4Login_Click(0);
    QTRY_COMPARE(sim.received().value(1), QByteArray("logout")); // no line end at all
    QCOMPARE(f.program.sound4Link.connection(0)->state(), int(TelnetConnection::Connected));
    QCOMPARE(f.program.frmSetup.CommandSound4Login[0].caption(), QStringLiteral("Login"));
}

void TestSound4Link::refusedPortIsReported() {
    const RefusingPort refusing;
    QVERIFY(refusing.port() != 0);
    LinkFixture f;
    f.configure(1, refusing.port(), QString(), QStringLiteral("admin"), QString());
    f.program.sessions.CommandSound4Login_Click(1);
    QTRY_VERIFY(f.log().contains(QStringLiteral("Sound4 N° 2: Err: 10061: ")));
    QVERIFY(f.log().contains(QStringLiteral("Err: Unable to connect to Sound4 #2")));
    QVERIFY(!f.program.state.PbBSound4Reconnect[1]);
}

void TestSound4Link::droppedSessionLogsInAgain() {
    SimulatorProcess sim({QStringLiteral("--drop-after"), QStringLiteral("2")});
    LinkFixture f;
    f.configure(0, sim.port(), QString(), QStringLiteral("admin"), QString());
    f.program.sessions.CommandSound4Login_Click(0);
    QVERIFY(f.program.state.PbBSound4LoggedIn[0]);
    QVERIFY(!f.program.sessions.Sound4Send(0, "rds.ps?\r\n")); // the 2nd line: dropped
    QTRY_VERIFY(f.program.state.PbBSound4Reconnect[0]);
    QVERIFY(!f.program.state.PbBSound4Connected[0]);
    QCOMPARE(f.program.frmSetup.CommandSound4Login[0].caption(), QStringLiteral("Login"));
    f.program.sessions.Timer30s_Timer(); // not yet due
    QVERIFY(!f.log().contains(QStringLiteral("Try to re-connect")));
    f.clock.advance(30001);
    f.program.sessions.Timer30s_Timer();
    QVERIFY(f.log().contains(QStringLiteral("Try to re-connect Sound4 N° 1")));
    QVERIFY(f.program.state.PbBSound4LoggedIn[0]);
    QCOMPARE(sim.received().count(QByteArray("login admin,")), 2);
}

void TestSound4Link::fragmentedAnswers() {
    SimulatorProcess sim({QStringLiteral("--fragment"), QStringLiteral("1")});
    LinkFixture f;
    f.configure(0, sim.port(), QString(), QStringLiteral("admin"), QString());
    f.program.sessions.CommandSound4Login_Click(0);
    QTRY_VERIFY(f.program.state.PbBSound4LoggedIn[0]);
    f.program.state.PbBSound4PlayerResult[0] = true;
    QVERIFY(!f.program.sessions.Sound4Send(0, "system.info?\r\n"));
    QTRY_VERIFY_WITH_TIMEOUT(!f.program.state.PbBSound4PlayerResult[0], 10000);
    QCOMPARE(f.program.frmSetup.ListeResultat.count(), 4);
    QVERIFY(f.program.frmSetup.ListeResultat.at(0).startsWith(QLatin1Char('+')));
}

void TestSound4Link::consoleExploresCommandSet() {
    SimulatorProcess sim;
    LinkFixture f;
    f.configure(0, sim.port(), QString(), QStringLiteral("admin"), QString());
    f.program.sessions.CommandSound4Login_Click(0);
    QVERIFY(f.program.state.PbBSound4LoggedIn[0]);
    FrmSetup& s = f.program.frmSetup;

    f.program.console.CommandSound4Help_Click(0);
    QTRY_VERIFY(s.ComboSound4Section[0].rows().contains(QStringLiteral("CH8")));
    QVERIFY(s.ComboSound4Section[0].rows().contains(QStringLiteral("rds")));
    QVERIFY(s.ComboSound4Section[0].rows().contains(QStringLiteral("CH1")));

    s.ComboSound4Section[0].setSelection(
        int(s.ComboSound4Section[0].rows().indexOf(QStringLiteral("rds"))));
    f.program.console.CommandSound4HelpSection_Click(0);
    QTRY_VERIFY(s.ComboSound4SectionDetail[0].rows().contains(QStringLiteral("ps")));
    s.ComboSound4SectionDetail[0].setSelection(
        int(s.ComboSound4SectionDetail[0].rows().indexOf(QStringLiteral("ps"))));

    f.program.console.CommandSound4DetailCommande_Click(0);
    const QList<QByteArray> lines = sim.received();
    const qsizetype help = lines.indexOf(QByteArray("help rds.ps"));
    QVERIFY(help > 0);
    QCOMPARE(lines.value(help + 1), QByteArray("rds.ps?"));
    QVERIFY(s.ListeSectionCommande.rows().contains(QStringLiteral("rds.ps=xxx")));
}

QTEST_GUILESS_MAIN(TestSound4Link)
#include "tst_sound4link.moc"
