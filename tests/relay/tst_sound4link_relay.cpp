// The relay end to end: a player datagram on a real UDP socket reaches the Sound4
// simulator as a command line, through the listener, the queue and the dispatcher.
#include "RealProgramFixture.h"
#include "SimulatorProcess.h"

#include <QUdpSocket>
#include <QtTest>

namespace {

struct RelayFixture : RealProgramFixture {
    void unitOn(int unit, quint16 port) {
        configureUnit(unit, port, QString(), QStringLiteral("admin"), QString());
        program.sessions.CommandSound4Login_Click(qint16(unit));
    }
    static void send(quint16 port, const QByteArray& datagram) {
        QUdpSocket player;
        player.writeDatagram(datagram, QHostAddress::LocalHost, port);
    }
};

} // namespace

class TestRelayEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void datagramsReachTheirUnits();
    void droppedSessionLosesNothing();
};

void TestRelayEndToEnd::datagramsReachTheirUnits() {
    SimulatorProcess unit0;
    SimulatorProcess unit1;
    RelayFixture f;
    f.unitOn(0, unit0.port());
    f.unitOn(1, unit1.port());
    QVERIFY(f.program.state.PbBSound4LoggedIn[0] && f.program.state.PbBSound4LoggedIn[1]);
    const quint16 rds = f.listen(1);
    const quint16 raw = f.listen(0);

    RelayFixture::send(rds, "<RDS:PS><Msg:MORNING>");
    QTRY_VERIFY(unit0.received().contains("rds.ps=MORNING"));
    RelayFixture::send(raw, "<SD4:rds.ps=HELLO><NoSound4:1>");
    QTRY_VERIFY(unit1.received().contains("rds.ps=HELLO"));
    RelayFixture::send(rds, "<RDS:RT><Msg:Rock & Roll>");
    QTRY_VERIFY(unit0.received().contains("rds.rt=Rock et Roll"));
    QCOMPARE(f.program.frmSetup.TexteCommandeATester.text(), QStringLiteral("rds.rt=Rock & Roll"));
    QCOMPARE(f.program.frmMain.ListeReception.count(), 3);
}

void TestRelayEndToEnd::droppedSessionLosesNothing() {
    SimulatorProcess unit0({QStringLiteral("--drop-after"), QStringLiteral("2")});
    RelayFixture f;
    f.unitOn(0, unit0.port());
    const quint16 raw = f.listen(0);
    // The simulator drops every session on its second line: each command is sent
    // again after the drop (it was never answered), at most three times, then given
    // up so that the next one can go.
    RelayFixture::send(raw, "<SD4:preset.name=ONE>");
    QTRY_VERIFY(unit0.received().contains("preset.name=ONE"));
    RelayFixture::send(raw, "<SD4:preset.name=TWO>");
    // A session that dropped before answering anything is tried again at the 30 s
    // reconnection, not at once: step that cadence on the clock.
    for (int i = 0; i < 12 && !unit0.received().contains("preset.name=TWO"); ++i) {
        QTest::qWait(300);
        f.clock.advance(30000);
        f.program.sessions.Timer30s_Timer();
        f.program.dataArrival.Timer30s_Timer();
    }
    QTRY_VERIFY(unit0.received().contains("preset.name=TWO"));
    QCOMPARE(unit0.received().count(QByteArray("preset.name=ONE")), 1 + DataArrival::MaxResends);
    const QString log = f.program.frmMainBis.ListeLogTemp.rows().join('\n');
    QVERIFY(log.contains(
        QStringLiteral("TELNET: Data Re-Added to ListeDataArrival: <SD4:preset.name=ONE>")));
    QVERIFY(log.contains(QStringLiteral(
        "Warning: TELNET: Sound4 #0 dropped the session 4 times on this message: given up: "
        "<SD4:preset.name=ONE>")));
}

QTEST_GUILESS_MAIN(TestRelayEndToEnd)
#include "tst_sound4link_relay.moc"
