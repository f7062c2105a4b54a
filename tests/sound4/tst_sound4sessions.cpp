#include "ProgramFixture.h"

#include <QtTest>

namespace {

// Unit rows filled as a station would, on the fake connections.
struct SessionFixture : ProgramFixture {
    Sound4Sessions& sessions = program.sessions;
    FrmSetup& setup = program.frmSetup;
    ProgramState& state = program.state;

    void configure(int unit, const QString& address, const QString& serial, const QString& user,
                   const QString& password, const QString& port = QStringLiteral("3003")) {
        setup.TexteSound4IP[unit].setText(address);
        setup.TexteSound4Port[unit].setText(port);
        setup.TexteSound4NoSerie[unit].setText(serial);
        setup.TexteSound4User[unit].setText(user);
        setup.TexteSound4PW[unit].setText(password);
    }
    // The unit answers its login after `delayMs` of the manual clock.
    void answerLoginAfter(int unit, qint64 delayMs) {
        const qint64 at = program.uptime.TickCountMilliSec() + delayMs;
        auto answered = std::make_shared<bool>(false);
        events.setOnEvents([this, unit, at, answered] {
            if (!*answered && program.uptime.TickCountMilliSec() >= at &&
                !telnet(unit).sent.isEmpty()) {
                *answered = true;
                telnet(unit).arrive("OK : LOGIN\r\n");
            }
        });
    }
    QStringList log() const {
        return program.frmSetup.ListeLog.rows() + program.frmMainBis.ListeLogTemp.rows();
    }
    bool logged(const QString& end) const {
        for (const QString& row : log()) {
            if (row.endsWith(end)) {
                return true;
            }
        }
        return false;
    }
};

} // namespace

class TestSound4Sessions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loginLine_data();
    void loginLine();
    void acknowledgedInTime();
    void lateAcknowledgement();
    void blankHostCannotConnect();
    void blankUserSendsNothing();
    void logoutKeepsConnection();
    void connectionOptions_data();
    void connectionOptions();
    void droppedSessionReconnects();
    void errorLines();
};

void TestSound4Sessions::loginLine_data() {
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("serial, user, password") << "S123"
                                            << "admin"
                                            << "pw" << QByteArray("login S123,admin,pw\r\n");
    QTest::newRow("no serial") << " "
                               << "admin"
                               << "pw" << QByteArray("login admin,pw\r\n");
    QTest::newRow("no password") << ""
                                 << " admin "
                                 << "" << QByteArray("login admin,\r\n");
}

void TestSound4Sessions::loginLine() {
    QFETCH(QString, serial);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QByteArray, sent);
    SessionFixture f;
    f.configure(1, QStringLiteral("10.0.0.2"), serial, user, password);
    f.sessions.CommandSound4Login_Click(1);
    QCOMPARE(f.telnet(1).connects.size(), 1);
    QCOMPARE(f.telnet(1).connects.front().second, 3003);
    QCOMPARE(f.telnet(1).sent, QList<QByteArray>{sent});
    QVERIFY(f.setup.ShapeNoSound4[1].visible());
    QVERIFY(!f.state.PbBSound4LoginPending[1]);
}

void TestSound4Sessions::acknowledgedInTime() {
    SessionFixture f;
    f.configure(0, QStringLiteral("sound4-a"), QString(), QStringLiteral("admin"),
                QStringLiteral("pw"));
    f.answerLoginAfter(0, 200);
    f.sessions.CommandSound4Login_Click(0);
    QVERIFY(f.state.PbBSound4LoggedIn[0]);
    QCOMPARE(f.setup.CommandSound4Login[0].caption(), QStringLiteral("Logout"));
    QVERIFY(f.events.waitCalls() > 0); // waited in the event loop
}

void TestSound4Sessions::lateAcknowledgement() {
    SessionFixture f;
    f.configure(0, QStringLiteral("sound4-a"), QString(), QStringLiteral("admin"),
                QStringLiteral("pw"));
    f.telnet(0).acknowledgesLogin = false;
    f.sessions.CommandSound4Login_Click(0);
    QVERIFY(!f.state.PbBSound4LoggedIn[0]);
    f.setup.CommandSound4Login[0].setCaption(QStringLiteral("Login")); // to see who sets it
    f.clock.advance(100);
    f.telnet(0).arrive("OK : LOGIN\r\n"); // 600 ms after the login: no longer pending
    QVERIFY(!f.state.PbBSound4LoggedIn[0]);
    // Still pending when it arrives within the wait of a new login, but 600 ms late:
    f.answerLoginAfter(0, 600);
    f.telnet(0).sent.clear();
    f.sessions.CommandSound4Login_Click(0);
    QVERIFY(!f.state.PbBSound4LoggedIn[0]);
    QCOMPARE(f.setup.CommandSound4Login[0].caption(), QStringLiteral("Login"));
}

void TestSound4Sessions::blankHostCannotConnect() {
    SessionFixture f;
    f.configure(2, QStringLiteral("   "), QString(), QStringLiteral("admin"), QString());
    f.sessions.CommandSound4Login_Click(2);
    QVERIFY(f.telnet(2).connects.isEmpty());
    QVERIFY(f.telnet(2).sent.isEmpty());
    QVERIFY(f.program.frmMain.ListeIncidents[0].rows().join('\n').endsWith(
        QStringLiteral("Err: Unable to connect to Sound4 #3")));
}

void TestSound4Sessions::blankUserSendsNothing() {
    SessionFixture f;
    f.configure(0, QStringLiteral("sound4-a"), QString(), QStringLiteral("  "),
                QStringLiteral("pw"));
    f.sessions.CommandSound4Login_Click(0);
    QVERIFY(f.state.PbBSound4Connected[0]);
    QVERIFY(f.telnet(0).sent.isEmpty());
    QVERIFY(!f.setup.ShapeNoSound4[0].visible());
}

void TestSound4Sessions::logoutKeepsConnection() {
    SessionFixture f;
    f.configure(0, QStringLiteral("sound4-a"), QString(), QStringLiteral("admin"), QString());
    f.answerLoginAfter(0, 0);
    f.sessions.CommandSound4Login_Click(0);
    QVERIFY(f.state.PbBSound4LoggedIn[0]);
    f.sessions.CommandSound4Login_Click(0); // caption "Logout": logs out
    QCOMPARE(f.telnet(0).sent.last(), QByteArray("logout"));
    QCOMPARE(f.telnet(0).closes, 0);
    QCOMPARE(f.telnet(0).state(), int(TelnetConnection::Connected));
    QCOMPARE(f.setup.CommandSound4Login[0].caption(), QStringLiteral("Login"));
    QVERIFY(!f.state.PbBSound4LoggedIn[0]);
    QVERIFY(!f.state.PbBSound4Connected[0]);
    QVERIFY(!f.setup.ShapeNoSound4[0].visible());
}

void TestSound4Sessions::connectionOptions_data() {
    QTest::addColumn<int>("autoLogin");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("negotiation");
    QTest::addColumn<int>("timeout");
    QTest::newRow("port 23 negotiates") << 0 << "23" << true << 0;
    QTest::newRow("command port plain") << 0 << "3003" << false << 0;
    QTest::newRow("automatic login") << 1 << "3003" << false << 10000;
}

void TestSound4Sessions::connectionOptions() {
    QFETCH(int, autoLogin);
    QFETCH(QString, port);
    QFETCH(bool, negotiation);
    QFETCH(int, timeout);
    SessionFixture f;
    f.configure(3, QStringLiteral("sound4-d"), QString(), QString(), QString(), port);
    f.setup.CheckSound4AutoLogin[3].setValue(autoLogin);
    f.sessions.CommandSound4Connecter_Click(3, true);
    QCOMPARE(f.telnet(3).optionNegotiation(), negotiation);
    QCOMPARE(f.telnet(3).timeout(), timeout);
    QCOMPARE(f.telnet(3).terminalType(), QStringLiteral("tty"));
    QVERIFY(f.setup.ListeTelNet.rows().contains(QStringLiteral("09:05:03:042 :3: Connected")));
    f.sessions.CommandSound4Connecter_Click(3, false);
    QCOMPARE(f.telnet(3).closes, 1);
    QVERIFY(!f.state.PbBSound4Connected[3]);
    QCOMPARE(f.setup.CommandSound4Login[3].caption(), QStringLiteral("Login"));
}

void TestSound4Sessions::droppedSessionReconnects() {
    SessionFixture f;
    f.configure(2, QStringLiteral("sound4-c"), QString(), QStringLiteral("admin"),
                QStringLiteral("pw"));
    f.sessions.CommandSound4Login_Click(2);
    f.telnet(2).drop(); // closed first, then 10053
    QVERIFY(f.state.PbBSound4Reconnect[2]);
    QVERIFY(f.logged(QStringLiteral("Sound4 N° 3: Err: 10053: Connection aborted")));
    f.clock.advance(20000);
    f.sessions.Timer30s_Timer(); // not yet due
    QCOMPARE(f.telnet(2).connects.size(), 1);
    f.clock.advance(10001);
    f.sessions.Timer30s_Timer();
    QVERIFY(f.logged(QStringLiteral("Try to re-connect Sound4 N° 3")));
    QCOMPARE(f.telnet(2).connects.size(), 2);
    QCOMPARE(f.telnet(2).sent.last(), QByteArray("login admin,pw\r\n"));
    QVERIFY(!f.state.PbBSound4Reconnect[2]);
    // A closed report after the error disarms the reconnection.
    f.sessions.TelnetSound4_Error(2, 10057, QStringLiteral("Socket is not connected"));
    f.telnet(2).setState(TelnetConnection::Closed);
    f.clock.advance(40000);
    f.sessions.Timer30s_Timer();
    QCOMPARE(f.telnet(2).connects.size(), 2);
}

void TestSound4Sessions::errorLines() {
    SessionFixture f;
    f.sessions.TelnetSound4_Error(0, 11103, QStringLiteral("ignored"));
    QVERIFY(f.log().isEmpty());
    QVERIFY(f.setup.ListeTelNet.isEmpty());
    f.sessions.TelnetSound4_Error(0, 10060, QStringLiteral("Timed out"));
    QVERIFY(f.logged(QStringLiteral("Sound4 N° 1: Err: 10060: Timed out")));
    QVERIFY(f.program.frmMain.ListeIncidents[0].isEmpty());
    f.sessions.TelnetSound4_Error(1, 10061, QStringLiteral("Connection refused"));
    QCOMPARE(f.setup.ListeTelNet.rows().last(),
             QStringLiteral("Sound4 N° 2: Err: 10061: Connection refused"));
    QVERIFY(f.program.frmMain.ListeIncidents[0].rows().last().endsWith(
        QStringLiteral("Sound4 N° 2: Err: 10061: Connection refused")));
    f.state.PbBQuitterEnCours = true;
    f.sessions.TelnetSound4_Error(1, 10061, QStringLiteral("again"));
    QCOMPARE(f.setup.ListeTelNet.count(), 1);
}

QTEST_GUILESS_MAIN(TestSound4Sessions)
#include "tst_sound4sessions.moc"
