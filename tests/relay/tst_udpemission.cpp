#include "ProgramFixture.h"

#include <QCoreApplication>
#include <QtTest>

namespace {

using Targets = QList<QPair<QString, qint32>>;

struct EmissionFixture : ProgramFixture {
    UdpEmission& emission = program.emission;
    FrmSetup& setup = program.frmSetup;

    FakeUdpSocket& out(int s) {
        return static_cast<FakeUdpSocket&>(*program.emission.SocketWrenchUDPOut[s]);
    }
    QStringList log() const {
        return program.frmMainBis.ListeLogTemp.rows() + setup.ListeLog.rows();
    }
    bool logged(const QString& message) const {
        for (const QString& row : log()) {
            if (row.endsWith(QLatin1Char(':') + message)) {
                return true;
            }
        }
        return false;
    }
    void emitter(int i, const QString& address, const QString& port1, const QString& port2,
                 const QString& text) {
        setup.TexteUDPIPCible[i].setText(address);
        setup.TexteUDPPortCible[i].setText(port1);
        setup.TexteUDPPortBCible[i].setText(port2);
        setup.TexteUDPDonneeEnvoyees[i].setText(text);
    }
};

} // namespace

class TestUdpEmission : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void incompleteEmitterSendsNothing_data();
    void incompleteEmitterSendsNothing();
    void secondPortEmptySendsOne();
    void bothPortsFirstPortFirst();
    void loopbackSendsNothing();
    void longTextCut();
    void hostNames();
    void connectFailureSendsNothing();
    void socketThatWillNotCloseSendsNothing();
    void sendFromInsideASendKeepsTargets();
    void emitterSevenUsesSocketZero();
    void checkBoxLocksTargetFields();
};

void TestUdpEmission::incompleteEmitterSendsNothing_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty text") << "10.0.0.9"
                                << "7001"
                                << "";
    QTest::newRow("blank text") << "10.0.0.9"
                                << "7001"
                                << "   ";
    QTest::newRow("blank address") << "  "
                                   << "7001"
                                   << "hello";
    QTest::newRow("port 0") << "10.0.0.9"
                            << "0"
                            << "hello";
    QTest::newRow("port not a number") << "10.0.0.9"
                                       << "abc"
                                       << "hello";
}

void TestUdpEmission::incompleteEmitterSendsNothing() {
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(QString, text);
    EmissionFixture f;
    f.emitter(0, address, port, QStringLiteral("7002"), text);
    const int before = int(f.log().size());
    f.emission.BtnUDPSend_Click(0);
    QVERIFY(f.out(0).written.isEmpty());
    QCOMPARE(int(f.log().size()), before);
}

void TestUdpEmission::secondPortEmptySendsOne() {
    EmissionFixture f;
    f.emitter(2, QStringLiteral("10.0.0.9"), QStringLiteral("7001"), QString(),
              QStringLiteral("  hello "));
    f.emission.BtnUDPSend_Click(2);
    QCOMPARE(f.out(0).datagramsSent, (Targets{{QStringLiteral("10.0.0.9"), 7001}}));
    QCOMPARE(f.out(0).written, (QList<QByteArray>{"hello"}));
    QVERIFY(f.logged(QStringLiteral("UDP: NoAddress: 2| 10.0.0.9:7001 hello")));
    QVERIFY(f.logged(QStringLiteral("UDP: SocketWrenchUDPOut.Connected to: 10.0.0.9:7001")));
    QVERIFY(f.logged(
        QStringLiteral("UDP: SocketWrenchUDPOut.Write: Data Sent to: 10.0.0.9:7001 |Data: hello")));
    QVERIFY(f.logged(QStringLiteral("UDP: Send to: 10.0.0.9:7001 hello")));
    QCOMPARE(f.program.frmMain.ListeEmission.count(), 1);
    QVERIFY(f.program.frmMain.ListeEmission.at(0).endsWith(QStringLiteral(" :hello")));
}

void TestUdpEmission::bothPortsFirstPortFirst() {
    EmissionFixture f;
    f.emitter(1, QStringLiteral("10.0.0.9"), QStringLiteral("7001"), QStringLiteral("7002"),
              QStringLiteral("PLAY"));
    const quint64 start = f.clock.millisecondsSinceBoot();
    f.emission.BtnUDPSend_Click(1);
    QCOMPARE(f.out(0).datagramsSent,
             (Targets{{QStringLiteral("10.0.0.9"), 7001}, {QStringLiteral("10.0.0.9"), 7002}}));
    QVERIFY(
        f.logged(QStringLiteral("UDP: SocketWrenchUDPOut.Disconnected"))); // reopened per datagram
    QVERIFY(f.clock.millisecondsSinceBoot() - start >= quint64(UdpEmission::PauseMs));
    QCOMPARE(f.program.frmMain.ListeEmission.count(), 2);
}

void TestUdpEmission::loopbackSendsNothing() {
    EmissionFixture f;
    f.emitter(0, QStringLiteral("127.0.0.1"), QStringLiteral("7001"), QString(),
              QStringLiteral("hello"));
    f.emission.BtnUDPSend_Click(0);
    QVERIFY(f.logged(QStringLiteral("UDP: NoAddress: 0| 127.0.0.1:7001 hello")));
    // Nothing left, and the log says so rather than "Send to:".
    QVERIFY(f.logged(QStringLiteral("Warning: UDP: Not sent to: 127.0.0.1:7001 hello")));
    QVERIFY(!f.logged(QStringLiteral("UDP: Send to: 127.0.0.1:7001 hello")));
    QVERIFY(f.out(0).written.isEmpty());
    QCOMPARE(f.out(0).handle(), -1);
    QVERIFY(f.program.frmMain.ListeEmission.isEmpty());
}

void TestUdpEmission::longTextCut() {
    EmissionFixture f;
    const QString text = QStringLiteral(" \u00e9") + QString(1500, QLatin1Char('x'));
    f.emission.SendDataUDPSocketWrench(0, QStringLiteral("10.0.0.9"), 7001, text);
    QCOMPARE(f.out(0).written.size(), 1);
    QCOMPARE(f.out(0).written[0].size(), UdpEmission::MaxDatagram);
    QCOMPARE(f.out(0).written[0].at(0), '\xe9'); // Windows-1252 on the wire
    QVERIFY(f.logged(
        QStringLiteral("UDP: SocketWrenchUDPOut.Write: Data Sent to: 10.0.0.9:7001 |Data: ") +
        text));
}

// Names are looked up without waiting: a datagram to a name, and those asked for
// after it, leave in order once the answer came; an unknown name sends nothing.
void TestUdpEmission::hostNames() {
    EmissionFixture f;
    f.out(0).names.insert(QStringLiteral("amp-rack"), QStringLiteral("10.0.0.20"));
    f.out(0).holdLookups = true;
    QStringList outcomes;
    const auto record = [&outcomes](const QString& what) {
        return [&outcomes, what](bool sent) { outcomes << what + (sent ? "+" : "-"); };
    };
    f.emission.SendDataUDPSocketWrench(0, QStringLiteral("amp-rack"), 7001, QStringLiteral("a"),
                                       record("a"));
    f.emission.SendDataUDPSocketWrench(0, QStringLiteral("lost-box"), 7001, QStringLiteral("b"),
                                       record("b"));
    f.emission.SendDataUDPSocketWrench(0, QStringLiteral("10.0.0.9"), 7002, QStringLiteral("c"),
                                       record("c"));
    // Nothing waited: the program goes on while the resolver works.
    QVERIFY(outcomes.isEmpty());
    QVERIFY(f.out(0).datagramsSent.isEmpty());

    f.out(0).answerLookups(); // amp-rack
    QCoreApplication::processEvents();
    f.out(0).answerLookups(); // lost-box
    QCoreApplication::processEvents();
    QCOMPARE(outcomes, (QStringList{"a+", "b-", "c+"}));
    QVERIFY(f.logged(QStringLiteral("UDP: SocketWrenchUDPOut.Resolve: HostName changed to "
                                    "HostAddress: amp-rack to 10.0.0.20")));
    QVERIFY(f.logged(QStringLiteral("Warning: UDP: SocketWrenchUDPOut.Resolve: 11001: Error 11001 "
                                    "|Sub: Frm_MainBis:SendDataUDPSocketWrench")));
    QCOMPARE(f.out(0).datagramsSent,
             (Targets{{QStringLiteral("10.0.0.20"), 7001}, {QStringLiteral("10.0.0.9"), 7002}}));
}

void TestUdpEmission::connectFailureSendsNothing() {
    EmissionFixture f;
    f.out(0).connectResult = 10065;
    f.emission.SendDataUDPSocketWrench(0, QStringLiteral("10.0.0.9"), 7001, QStringLiteral("a"));
    QVERIFY(f.logged(QStringLiteral("Err: UDP: SocketWrenchUDPOut.Connect: 10065: Error 10065 "
                                    "|SubFrm_MainBis:SendDataUDPSocketWrench")));
    QVERIFY(f.out(0).written.isEmpty());
}

// A socket still pointing at the previous target must not carry the next datagram.
void TestUdpEmission::socketThatWillNotCloseSendsNothing() {
    EmissionFixture f;
    f.emission.SendDataUDPSocketWrench(0, QStringLiteral("10.0.0.9"), 7001, QStringLiteral("a"));
    f.out(0).disconnectResult = 10038;
    f.emission.SendDataUDPSocketWrench(0, QStringLiteral("10.0.0.30"), 9000, QStringLiteral("b"));
    QVERIFY(f.logged(QStringLiteral("Err: UDP: SocketWrenchUDPOut.Disconnect: 10038: Error 10038 "
                                    "|SubFrm_MainBis:SendDataUDPSocketWrench")));
    QCOMPARE(f.out(0).datagramsSent, (Targets{{QStringLiteral("10.0.0.9"), 7001}}));
}

void TestUdpEmission::sendFromInsideASendKeepsTargets() {
    EmissionFixture f;
    bool nested = false;
    f.events.setOnEvents([&] {
        if (!std::exchange(nested, true)) {
            f.emission.SendDataUDPSocketWrench(0, QStringLiteral("10.0.0.30"), 9000,
                                               QStringLiteral("inner"));
        }
    });
    f.emission.SendDataUDPSocketWrench(0, QStringLiteral("10.0.0.9"), 7001,
                                       QStringLiteral("outer"));
    QCOMPARE(f.out(0).datagramsSent,
             (Targets{{QStringLiteral("10.0.0.9"), 7001}, {QStringLiteral("10.0.0.30"), 9000}}));
    QCOMPARE(f.out(0).written, (QList<QByteArray>{"outer", "inner"}));
}

void TestUdpEmission::emitterSevenUsesSocketZero() {
    EmissionFixture f;
    f.emitter(7, QStringLiteral("10.0.0.9"), QStringLiteral("7001"), QString(),
              QStringLiteral("x"));
    f.emission.BtnUDPSend_Click(7);
    QCOMPARE(f.out(0).written.size(), 1);
    QVERIFY(f.out(7).written.isEmpty());
    UdpSocket& socket = f.out(0); // the fake's record of writes hides the signal
    Q_EMIT socket.connected();
    Q_EMIT socket.written();
    Q_EMIT socket.disconnected();
    Q_EMIT socket.errorOccurred(10051, QStringLiteral("Network unreachable"));
    QVERIFY(f.logged(QStringLiteral("UDP: SocketWrenchUDPOut_OnConnect: Index: 0")));
    QVERIFY(f.logged(QStringLiteral("UDP: SocketWrenchUDPOut_OnWrite: Index: 0")));
    QVERIFY(f.logged(QStringLiteral("UDP: SocketWrenchUDPOut_OnDisconnect: Index: 0")));
    QVERIFY(f.logged(QStringLiteral("Err: UDP: SocketWrenchUDPOut_OnError: Index: 0 ErrorCode: "
                                    "10051 Description: Network unreachable")));
}

void TestUdpEmission::checkBoxLocksTargetFields() {
    EmissionFixture f;
    f.emitter(3, QStringLiteral("10.0.0.9"), QStringLiteral("7001"), QString(),
              QStringLiteral("x"));
    f.setup.CheckUDPOutActif[3].setValue(1);
    QVERIFY(!f.setup.TexteUDPIPCible[3].enabled());
    QVERIFY(!f.setup.TexteUDPPortCible[3].enabled());
    QVERIFY(!f.setup.TexteUDPPortBCible[3].enabled());
    QVERIFY(f.setup.TexteUDPDonneeEnvoyees[3].enabled());
    QVERIFY(f.program.state.PbBPeripheriquesModifies);
    f.emission.BtnUDPSend_Click(3);
    QCOMPARE(f.out(0).written.size(), 1);
    f.setup.CheckUDPOutActif[3].setValue(0);
    QVERIFY(f.setup.TexteUDPIPCible[3].enabled());
}

QTEST_GUILESS_MAIN(TestUdpEmission)
#include "tst_udpemission.moc"
