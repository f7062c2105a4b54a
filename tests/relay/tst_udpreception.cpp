#include "ProgramFixture.h"
#include "RecordingAlertMail.h"
#include "base/ErrorTrap.h"

#include <QCoreApplication>
#include <QtTest>

namespace {

struct ReceptionFixture {
    RecordingAlertMail mail;
    ProgramFixture f{&mail};
    Program& p = f.program;
    UdpReception& reception = p.reception;
    FrmSetup& setup = p.frmSetup;

    FakeUdpSocket& in(int i) {
        return static_cast<FakeUdpSocket&>(*p.reception.SocketWrenchUDPIn[i]);
    }
    QStringList log() const { return p.frmMainBis.ListeLogTemp.rows() + setup.ListeLog.rows(); }
    bool logged(const QString& message) const {
        for (const QString& row : log()) {
            if (row.endsWith(QLatin1Char(':') + message)) {
                return true;
            }
        }
        return false;
    }
    bool incident(const QString& message) const {
        for (const QString& row : p.frmMain.ListeIncidents[0].rows()) {
            if (row.endsWith(message)) {
                return true;
            }
        }
        return false;
    }
    bool loggedContaining(const QString& part) const {
        for (const QString& row : log()) {
            if (row.contains(part)) {
                return true;
            }
        }
        return false;
    }
    void open(int i, const QString& address, const QString& port) {
        setup.TexteUDPIPSource[i].setText(address);
        setup.TexteUDPPortSource[i].setText(port);
        setup.CheckUDPInActif[i].setValue(1);
    }
    bool fieldsEnabled(int i) const {
        return setup.TexteUDPIPSource[i].enabled() && setup.TexteUDPPortSource[i].enabled();
    }
};

} // namespace

class TestUdpReception : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void blankAddressOpensNothing();
    void hostNameResolvedThenBound();
    void bindFailureKeepsFieldsEnabled_data();
    void bindFailureKeepsFieldsEnabled();
    void untickingCloses();
    void unreadablePortIsReported();
    void blankDatagramLoggedOnly();
    void badDatagramsRefusedWhole_data();
    void badDatagramsRefusedWhole();
    void datagramsQueuedInOrderShownNewestFirst();
    void activeTimerKeepsItsPhase();
    void resetClosesForGood();
    void wouldBlockRecovers();
    void wouldBlockRespectsAnUntickedBox();
    void otherReadErrorLeavesListener();
    void closingProgramReadsNothing();
    void errorEventLine();
    void libSockectErr_data();
    void libSockectErr();
    void clickFailures_data();
    void clickFailures();
};

void TestUdpReception::blankAddressOpensNothing() {
    ReceptionFixture r;
    r.open(2, QStringLiteral("   "), QStringLiteral("5000"));
    QVERIFY(
        r.logged(QStringLiteral("Err: Unable to Check CheckUDPInActif due to IP source is empty")));
    QVERIFY(r.in(2).binds.isEmpty());
    QCOMPARE(r.in(2).handle(), -1);
    QVERIFY(r.p.state.PbBPeripheriquesModifies);
}

void TestUdpReception::hostNameResolvedThenBound() {
    ReceptionFixture r;
    r.in(0).names.insert(QStringLiteral("player-pc"), QStringLiteral("10.1.2.3"));
    r.open(0, QStringLiteral("player-pc"), QStringLiteral("5000"));
    QVERIFY(r.in(0).binds.isEmpty()); // the name is looked up first, without waiting
    QCoreApplication::processEvents();
    QVERIFY(r.logged(QStringLiteral(
        "UDP: SocketWrenchUDPIn.Resolve: HostName changed to HostAddress: player-pc to 10.1.2.3")));
    QVERIFY(
        r.logged(QStringLiteral("UDP: SocketWrenchUDPIn: Try to Bind: 10.1.2.3:5000 (Index: 0)")));
    QVERIFY(r.logged(QStringLiteral("UDP: SocketWrenchUDPIn.Binded to: 10.1.2.3:5000 (Index: 0)")));
    QCOMPARE(r.in(0).binds, (QList<QPair<QString, qint32>>{{QStringLiteral("10.1.2.3"), 5000}}));
    QVERIFY(!r.in(0).blocking);
    QVERIFY(!r.setup.TexteUDPIPSource[0].enabled());
    QVERIFY(!r.setup.TexteUDPPortSource[0].enabled());
}

void TestUdpReception::bindFailureKeepsFieldsEnabled_data() {
    QTest::addColumn<qint32>("code");
    QTest::addColumn<QString>("line");
    QTest::newRow("address in use") << 10048
                                    << "Err: UDP: SocketWrenchUDPIn.Bind: 10048: Error 10048 "
                                       "(Index: 1) |SubFrmSetup:CheckUDPInActif_Click";
    QTest::newRow("host not found is a warning")
        << 11001
        << "Warning: UDP: SocketWrenchUDPIn.Bind: 11001: Error 11001 (Index: 1) "
           "|SubFrmSetup:CheckUDPInActif_Click";
}

void TestUdpReception::bindFailureKeepsFieldsEnabled() {
    QFETCH(qint32, code);
    QFETCH(QString, line);
    ReceptionFixture r;
    r.in(1).bindResult = code;
    r.open(1, QStringLiteral("192.168.0.10"), QStringLiteral("5001"));
    QVERIFY(r.logged(line));
    QVERIFY(r.fieldsEnabled(1));
    QCOMPARE(r.in(1).handle(), -1);
}

void TestUdpReception::untickingCloses() {
    ReceptionFixture r;
    r.open(4, QStringLiteral("10.0.0.5"), QStringLiteral("6000"));
    r.setup.CheckUDPInActif[4].setValue(0);
    QVERIFY(r.logged(QStringLiteral("UDP: SocketWrenchUDPIn.Disconnected  (Index: 4)")));
    QCOMPARE(r.in(4).handle(), -1);
    QVERIFY(r.fieldsEnabled(4));
}

void TestUdpReception::unreadablePortIsReported() {
    ReceptionFixture r;
    r.open(0, QStringLiteral("10.0.0.5"), QStringLiteral("1e12"));
    QVERIFY(r.loggedContaining(QStringLiteral("FrmSetup:CheckUDPInActif_Click:20")));
    QVERIFY(r.in(0).binds.isEmpty());
}

void TestUdpReception::blankDatagramLoggedOnly() {
    ReceptionFixture r;
    r.open(0, QStringLiteral("10.0.0.5"), QStringLiteral("5000"));
    r.in(0).arrive("   ");
    QVERIFY(r.logged(QStringLiteral("UDP: Data arrival: Added to ListeDataArrival:    ")));
    QVERIFY(r.p.playerQueues.ListeDataArrival[0].isEmpty());
    QVERIFY(r.p.frmMain.ListeReception.isEmpty());
    QVERIFY(!r.p.playerQueues.TimerDataArrival.isActive());
}

void TestUdpReception::badDatagramsRefusedWhole_data() {
    QTest::addColumn<int>("listener");
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("warning"); // empty: the datagram is queued
    const QByteArray fill(1024 - int(qstrlen("<SD4:preset.name=><NoSound4:1>")), 'x');
    QTest::newRow("CR LF in a command")
        << 0 << QByteArray("<SD4:rds.ps=A\r\nlogout\r\n>")
        << "datagram refused (a control character in <SD4:): <SD4:rds.ps=A<CR><LF>logout<CR><LF>>";
    QTest::newRow("NUL in a unit number")
        << 0 << QByteArray("<SD4:a=1><NoSound4:1\0>", 22)
        << "datagram refused (a control character in <NoSound4:): <SD4:a=1><NoSound4:1<NUL>>";
    QTest::newRow("LF in a radio text")
        << 1 << QByteArray("<RDS:RT><Msg:Now playing: X\nsystem.reboot!>")
        << "datagram refused (a control character in <Msg:): <RDS:RT><Msg:Now playing: "
           "X<LF>system.reboot!>";
    QTest::newRow("escape in an RDS item")
        << 1 << QByteArray("<RDS:P\x1bS><Msg:x>")
        << "datagram refused (a control character in <RDS:): <RDS:P<0x1B>S><Msg:x>";
    QTest::newRow("line end after the fields is kept")
        << 1 << QByteArray("<RDS:PS><Msg:MORNING>\r\n") << QString();
    QTest::newRow("1 024 bytes fit")
        << 0 << "<SD4:preset.name=" + fill + "><NoSound4:1>" << QString();
    QTest::newRow("1 025 bytes refused")
        << 0 << "<SD4:preset.name=" + fill + "x><NoSound4:1>"
        << "a datagram longer than 1024 bytes is refused: <SD4:preset.name=xxx";
}

// A datagram with a control character in a field, or longer than a player may send,
// reaches no queue and leaves one warning that shows it as it came.
void TestUdpReception::badDatagramsRefusedWhole() {
    QFETCH(int, listener);
    QFETCH(QByteArray, datagram);
    QFETCH(QString, warning);
    ReceptionFixture r;
    r.open(listener, QStringLiteral("10.0.0.5"), QStringLiteral("5000"));
    r.in(listener).arrive(datagram);
    if (warning.isEmpty()) {
        QCOMPARE(r.p.playerQueues.ListeDataArrival[listener].count(), 1);
        QVERIFY(!r.loggedContaining(QStringLiteral("Warning: UDP:")));
        return;
    }
    QVERIFY(r.p.playerQueues.ListeDataArrival[listener].isEmpty());
    QVERIFY(r.p.frmMain.ListeReception.isEmpty());
    QVERIFY2(r.loggedContaining(QStringLiteral("Warning: UDP: ") + warning),
             qPrintable(r.log().join('\n')));
    QVERIFY(!r.loggedContaining(QStringLiteral("Added to ListeDataArrival")));
}

void TestUdpReception::datagramsQueuedInOrderShownNewestFirst() {
    ReceptionFixture r;
    r.open(3, QStringLiteral("10.0.0.5"), QStringLiteral("5003"));
    r.in(3).arrive("<SD4:first>");
    r.in(3).arrive("caf\xe9"); // Windows-1252 on the wire
    QCOMPARE(r.p.playerQueues.ListeDataArrival[3].rows(),
             (QStringList{QStringLiteral("<SD4:first>"), QStringLiteral("caf\u00e9")}));
    const QStringList shown = r.p.frmMain.ListeReception.rows();
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown[0].endsWith(QStringLiteral(" :caf\u00e9")));
    QVERIFY(shown[1].endsWith(QStringLiteral(" :<SD4:first>")));
    QVERIFY(r.p.playerQueues.TimerDataArrival.isActive());
}

void TestUdpReception::activeTimerKeepsItsPhase() {
    ReceptionFixture r;
    r.open(0, QStringLiteral("10.0.0.5"), QStringLiteral("5000"));
    QTimer& timer = r.p.playerQueues.TimerDataArrival;
    r.p.state.PbBInModeLoadingFrmMain = true; // the passes leave the messages queued
    r.in(0).arrive("a");
    QVERIFY(!r.loggedContaining(QStringLiteral("PbBInModeLoadingFrmMain = True")));
    // After a quiet moment the first pass is asked for at the end of the listener's
    // delivery and runs at the next turn of the event loop, then the tick.
    r.in(0).endDelivery();
    QCoreApplication::processEvents();
    QVERIFY(r.loggedContaining(QStringLiteral("PbBInModeLoadingFrmMain = True")));
    QCOMPARE(timer.interval(), 100);
    QVERIFY(timer.isActive());
    QTest::qWait(40);
    r.in(0).arrive("b");
    QVERIFY(timer.remainingTime() < 80);
}

void TestUdpReception::resetClosesForGood() {
    ReceptionFixture r;
    r.open(0, QStringLiteral("10.0.0.5"), QStringLiteral("5000"));
    r.in(0).readFailure = 10054;
    r.in(0).arrive("x");
    QVERIFY(r.incident(QStringLiteral(
        "Err: UDP: SocketWrenchUDPIn_OnRead: There is no server running on the specified host "
        "address and/or port number |Remote: 192.0.2.7:4000")));
    QVERIFY(r.logged(QStringLiteral("Err: UDP: SocketWrenchUDPIn_OnRead: 10054: Error 10054")));
    QVERIFY(r.logged(QStringLiteral("UDP: SocketWrenchUDPIn.Disconnect: True")));
    QCOMPARE(r.in(0).handle(), -1);
    QVERIFY(r.fieldsEnabled(0));
    r.in(0).arrive("y");
    QCOMPARE(r.in(0).binds.size(), 1);
    QCOMPARE(r.in(0).handle(), -1);
    QVERIFY(r.mail.mails.isEmpty());
}

void TestUdpReception::wouldBlockRecovers() {
    ReceptionFixture r;
    r.setup.TexteEmailsAdresses.setText(QStringLiteral("ops@station.example"));
    r.open(1, QStringLiteral("10.0.0.5"), QStringLiteral("5001"));
    r.in(1).readFailure = 10035;
    r.in(1).arrive("x");
    QVERIFY(r.logged(QStringLiteral("Err: UDP: SocketWrenchUDPIn_OnRead: The specified operation "
                                    "would block the current thread")));
    QVERIFY(r.logged(QStringLiteral("UDP: SocketWrenchUDPIn.Disconnect: True")));
    QCOMPARE(r.mail.mails.size(), 1);
    const RecordingAlertMail::Mail& m = r.mail.mails[0];
    QCOMPARE(m.kind, 0);
    QCOMPARE(m.recipients, QStringLiteral("ops@station.example"));
    QCOMPARE(m.message,
             QStringLiteral("Re-Init SocketWrenchUDPIn due to swErrorOperationWouldBlock"));
    QCOMPARE(m.subject, QStringLiteral("SocketWrenchUDPIn"));
    QVERIFY(m.support);
    QCOMPARE(r.in(1).binds.size(), 2);
    QVERIFY(r.in(1).handle() != -1);
    QVERIFY(!r.fieldsEnabled(1));
}

void TestUdpReception::wouldBlockRespectsAnUntickedBox() {
    ReceptionFixture r;
    r.open(1, QStringLiteral("10.0.0.5"), QStringLiteral("5001"));
    r.mail.whileSending = [&r] { r.setup.CheckUDPInActif[1].setValue(0); };
    r.in(1).readFailure = 10035;
    r.in(1).arrive("x");
    QCOMPARE(r.mail.mails.size(), 1);
    QCOMPARE(r.in(1).binds.size(), 1);
    QCOMPARE(r.in(1).handle(), -1);
}

void TestUdpReception::otherReadErrorLeavesListener() {
    ReceptionFixture r;
    r.open(0, QStringLiteral("10.0.0.5"), QStringLiteral("5000"));
    r.in(0).readFailure = 10050;
    r.in(0).arrive("x");
    QVERIFY(r.incident(QStringLiteral("Err: UDP: SocketWrenchUDPIn_OnRead: 10050: Error 10050 "
                                      "|SubFrm_MainBis:SocketWrenchUDPIn_OnRead")));
    QVERIFY(r.in(0).handle() != -1);
    QCOMPARE(r.in(0).disconnects, 1); // the one before binding
}

void TestUdpReception::closingProgramReadsNothing() {
    ReceptionFixture r;
    r.open(0, QStringLiteral("10.0.0.5"), QStringLiteral("5000"));
    r.p.state.PbBFermetureApplication = true;
    r.p.state.PbBFrmSetupChargee = true;
    r.in(0).arrive("<SD4:late>");
    QVERIFY(r.p.playerQueues.ListeDataArrival[0].isEmpty());
    QVERIFY(!r.loggedContaining(QStringLiteral("<SD4:late>")));
}

void TestUdpReception::errorEventLine() {
    ReceptionFixture r;
    Q_EMIT r.in(6).errorOccurred(10040, QStringLiteral("Message too long"));
    QVERIFY(r.logged(QStringLiteral("Err: UDP: SocketWrenchUDPIn_OnError: Index: 6 ErrorCode: "
                                    "10040 Description: Message too long")));
}

void TestUdpReception::libSockectErr_data() {
    QTest::addColumn<qint32>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("7") << 7 << "OutOfMemory";
    QTest::newRow("10014") << 10014 << "InvalidArgument";
    QTest::newRow("10048") << 10048 << "AddressInUse";
    QTest::newRow("10049") << 10049 << "AddressNotAvailable";
    QTest::newRow("10054") << 10054 << "ConnectionReset";
    QTest::newRow("40014") << 40014 << "InvalidArgument";
    QTest::newRow("40026") << 40026 << "WrongProtocol";
    QTest::newRow("unlisted 10039") << 10039 << "";
    QTest::newRow("zero") << 0 << "";
}

void TestUdpReception::libSockectErr() {
    QFETCH(qint32, code);
    QFETCH(QString, name);
    QCOMPARE(UdpReception::LibSockectErr(code), name);
}

void TestUdpReception::clickFailures_data() {
    QTest::addColumn<qint32>("code");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("asIncident");
    const QString context =
        QStringLiteral("10.0.0.5:5000 |Idx: 4 |FrmSetup:CheckUDPInActif_Click:30");
    QTest::newRow("126 warning") << 126 << true << "Warning: 126: " + context << false;
    QTest::newRow("10049 on screen")
        << 10049 << true
        << "Dialog: Ondelia: Trelvo - 1 - S1: Adresse d'écoute non valide. |Answer (headless): OK"
        << false;
    QTest::newRow("10049 hidden") << 10049 << false << "Err: AddressNotAvailable: " + context
                                  << true;
    QTest::newRow("10048") << 10048 << true << "Err: AddressInUse: " + context << true;
    QTest::newRow("other: error report")
        << 5 << false << "Err: FrmSetup:CheckUDPInActif_Click:30" << true;
}

void TestUdpReception::clickFailures() {
    QFETCH(qint32, code);
    QFETCH(bool, visible);
    QFETCH(QString, line);
    QFETCH(bool, asIncident);
    ReceptionFixture r;
    r.p.frmMain.Caption.setText(QStringLiteral("Ondelia: Trelvo - 1 - S1"));
    r.reception.setSettingsVisible([visible] { return visible; });
    ErrorTrap trap(r.p.errors, QStringLiteral("FrmSetup:CheckUDPInActif_Click"));
    trap.at(30);
    r.reception.reportClickFailure(trap, 4, QStringLiteral("10.0.0.5"), QStringLiteral("5000"),
                                   AppError::runtime(code));
    QVERIFY2(r.loggedContaining(line), qPrintable(r.log().join(QLatin1Char('\n'))));
    QCOMPARE(r.incident(line), asIncident);
}

QTEST_GUILESS_MAIN(TestUdpReception)
#include "tst_udpreception.moc"
