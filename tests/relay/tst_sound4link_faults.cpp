// Fault injection: the simulator drops unit 0's session every 50 lines and sends every
// answer 20 ms late while 2 000 player messages flow to it. Every message must arrive,
// in the order of its first arrival, none given up, and the trace log must show each
// drop and each new login.
#include "RealProgramFixture.h"
#include "SimulatorProcess.h"

#include <QUdpSocket>
#include <QtTest>

class TestRelayFaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void droppedSessionsLoseNothing() {
        constexpr int Messages = 2000;
        SimulatorProcess unit0({QStringLiteral("--drop-after"), QStringLiteral("50"),
                                QStringLiteral("--delay"), QStringLiteral("20")});
        RealProgramFixture f;
        f.program.state.PbBFrmSetupChargee = true;
        f.configureUnit(0, unit0.port(), QString(), QStringLiteral("admin"), QString());
        f.program.sessions.CommandSound4Login_Click(0);
        const quint16 port = f.listen(0);
        QVERIFY(port != 0);

        QUdpSocket player;
        for (int i = 0; i < Messages; ++i) {
            player.writeDatagram("<SD4:preset.name=F" +
                                     QByteArray::number(i).rightJustified(5, '0') + "><NoSound4:0>",
                                 QHostAddress::LocalHost, port);
            if (i % 4 == 3) {
                // At most 400 messages a second: faster than that, the unit's hold
                // (1 000 messages) overflows while the unit keeps dropping.
                QTest::qWait(10);
            }
        }
        const auto firstArrivals = [&unit0] {
            QList<int> order;
            QSet<int> seen;
            for (const QByteArray& line : unit0.received()) {
                if (line.startsWith("preset.name=F")) {
                    const int n = line.mid(13).toInt();
                    if (!seen.contains(n)) {
                        seen.insert(n);
                        order << n;
                    }
                }
            }
            return order;
        };
        QTRY_COMPARE_WITH_TIMEOUT(firstArrivals().size(), Messages, 60000);
        const QList<int> order = firstArrivals();
        for (int i = 0; i < Messages; ++i) {
            QCOMPARE(order.at(i), i);
        }
        const int sessions = int(unit0.received().count(QByteArray("login admin,")));
        QVERIFY(sessions > Messages / 50);
        // Each drop and each new session are in the trace log.
        f.program.trace.TraceLogForce(f.program.frmSetup.ListeLog);
        QFile log(f.program.paths.toNative(f.program.state.PbTParametresSite.Base[0].Dossier_Histo +
                                           f.program.trace.todayFileName() +
                                           QStringLiteral(".Log")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray text = log.readAll();
        QVERIFY(text.count("Closed |Sub: Frm_MainBis:TelnetSound4_State") >= sessions - 1);
        QCOMPARE(int(text.count("Connected |Sub: Frm_MainBis:TelnetSound4_State")), sessions);
        qInfo("%d sessions, %lld lines received", sessions, qint64(unit0.received().size()));
        QVERIFY(!text.contains("given up"));
        QVERIFY(!text.contains("dropped while it was down"));
    }
};

QTEST_GUILESS_MAIN(TestRelayFaults)
#include "tst_sound4link_faults.moc"
