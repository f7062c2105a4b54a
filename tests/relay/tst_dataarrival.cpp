#include "ProgramFixture.h"

#include <QtTest>

namespace {

struct RelayFixture : ProgramFixture {
    DataArrival& relay = program.dataArrival;
    PlayerQueues& queues = program.playerQueues;
    ProgramState& state = program.state;

    // Unit connected and logged in on its fake session.
    void online(int unit) {
        program.frmSetup.TexteSound4IP[unit].setText(QStringLiteral("sound4-%1").arg(unit));
        program.frmSetup.TexteSound4User[unit].setText(QStringLiteral("admin"));
        telnet(unit).setState(TelnetConnection::Connected);
    }
    void queue(int listener, const QString& message) {
        queues.ListeDataArrival[listener].addItem(message);
        queues.TimerDataArrival.start();
    }
    QStringList log() const { return program.frmMainBis.ListeLogTemp.rows(); }
    int count(const QString& end) const {
        int n = 0;
        for (const QString& row : log()) {
            n += row.endsWith(end) ? 1 : 0;
        }
        return n;
    }
};

QList<QByteArray> commandsOnly(const QList<QByteArray>& sent) {
    QList<QByteArray> out;
    for (const QByteArray& s : sent) {
        if (!s.startsWith("login")) {
            out << s;
        }
    }
    return out;
}

} // namespace

class TestDataArrival : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oneTickHandlesEveryQueueInOrder();
    void blankMessageLoggedNotDispatched();
    void heldWhileLoadingDroppedWhileClosing();
    void rdsMessages();
    void droppedSessionResendsAfterLogin();
    void onlyTheirAnswersSettleMessages();
    void windowOpensWithAnswersAndClosesOnLoss();
    void unitOutOfRangeSendsNothing();
    void unitWithoutHostIsDropped();
    void messageReadDuringAPassLeavesWithIt();
};

void TestDataArrival::oneTickHandlesEveryQueueInOrder() {
    RelayFixture f;
    f.online(0);
    f.queue(0, QStringLiteral("<SD4:a=1>"));
    f.queue(0, QStringLiteral("<SD4:a=2>"));
    f.queue(1, QStringLiteral("<RDS:PS><Msg:MORNING>"));
    f.queue(0, QStringLiteral("<SD4:a=3>"));
    f.queue(5, QStringLiteral("<SD4:ignored>"));
    f.relay.TimerDataArrival_Timer();
    QCOMPARE(f.telnet(0).sent,
             (QList<QByteArray>{"a=1\r\n", "a=2\r\n", "a=3\r\n", "rds.ps=MORNING\r\n"}));
    QVERIFY(!f.queues.TimerDataArrival.isActive());
    QVERIFY(f.log().last().endsWith(QStringLiteral(
        ":UDP: TimerDataArrival.Enabled : False |Sub: Frm_MainBis:TimerDataArrival_Timer:C")));
    QCOMPARE(
        f.count(QStringLiteral("TimerDataArrival_Timer: Chaine: <SD4:ignored> |Index: 5 |Nb: 1/0")),
        1);
    QVERIFY(f.program.state.PbBSound4PlayerResult[0]);
}

void TestDataArrival::blankMessageLoggedNotDispatched() {
    RelayFixture f;
    f.online(0);
    f.queue(0, QStringLiteral(" "));
    f.relay.TimerDataArrival_Timer();
    QCOMPARE(f.count(QStringLiteral(":TimerDataArrival_Timer: Chaine:   |Index: 0 |Nb: 1/0")), 1);
    QVERIFY(f.telnet(0).sent.isEmpty());
}

void TestDataArrival::heldWhileLoadingDroppedWhileClosing() {
    RelayFixture f;
    f.online(0);
    f.state.PbBInModeLoadingFrmMain = true;
    f.queue(0, QStringLiteral("<SD4:x>"));
    f.relay.TimerDataArrival_Timer();
    QVERIFY(f.telnet(0).sent.isEmpty());
    QVERIFY(f.queues.TimerDataArrival.isActive());
    QCOMPARE(f.count(QStringLiteral("UDP: PbBInModeLoadingFrmMain = True TimerDataArrival.Enabled "
                                    ": True |Sub: Frm_MainBis:TimerDataArrival_Timer:B")),
             1);
    f.state.PbBInModeLoadingFrmMain = false;
    f.relay.TimerDataArrival_Timer();
    QCOMPARE(f.telnet(0).sent, QList<QByteArray>{"x\r\n"});

    f.queue(0, QStringLiteral("<SD4:y>"));
    f.state.PbBFermetureApplication = true;
    f.state.PbBFrmSetupChargee = true; // the log still takes lines
    f.relay.TimerDataArrival_Timer();
    QVERIFY(!f.queues.TimerDataArrival.isActive());
    QCOMPARE(f.telnet(0).sent.size(), 1);
    QCOMPARE(f.queues.ListeDataArrival[0].count(), 1);
}

void TestDataArrival::rdsMessages() {
    RelayFixture f;
    f.online(0);
    f.online(2);
    f.relay.UDPDataArrival(1, QStringLiteral("<RDS:RT><Msg:Rock & Roll><NoSound4:2>"));
    QCOMPARE(f.telnet(0).sent, QList<QByteArray>{"rds.rt=Rock et Roll\r\n"});
    QVERIFY(f.telnet(2).sent.isEmpty());
    QCOMPARE(f.program.frmSetup.TexteCommandeATester.text(), QStringLiteral("rds.rt=Rock & Roll"));
    QCOMPARE(f.count(QStringLiteral(":TELNET: Player Send: rds.rt=Rock & Roll")), 1);

    f.telnet(0).sent.clear();
    f.state.PbBSound4PlayerResult[0] = false;
    f.relay.UDPDataArrival(1, QStringLiteral("<RDS:TA><Msg:x>"));
    QVERIFY(f.telnet(0).sent.isEmpty());
    QVERIFY(f.state.PbBSound4PlayerResult[0]);
    QCOMPARE(f.count(QStringLiteral(":TELNET: Player Send: rds.rt=Rock & Roll")), 1);
    QCOMPARE(f.count(QStringLiteral(":TELNET: Player Sended")), 2);
}

void TestDataArrival::droppedSessionResendsAfterLogin() {
    RelayFixture f;
    f.online(1);
    f.program.frmSetup.CommandSound4Login[1].setCaption(QStringLiteral("Logout"));
    f.state.PbBSound4LoggedIn[1] = true;
    f.telnet(1).setState(TelnetConnection::Closed); // the session dropped
    f.queue(0, QStringLiteral("<SD4:rds.ps=HELLO><NoSound4:1>"));
    f.queue(0, QStringLiteral("<SD4:after><NoSound4:1>"));
    f.relay.TimerDataArrival_Timer();
    QCOMPARE(
        f.count(QStringLiteral(
            "Err: TELNET: 10057: Socket is not connected |Sub: Frm_MainBis:UDPDataArrival:60")),
        1);
    QCOMPARE(f.count(QStringLiteral(
                 "TELNET: Data Re-Added to ListeDataArrival: <SD4:rds.ps=HELLO><NoSound4:1>")),
             1);
    QCOMPARE(f.count(QStringLiteral("Try to Login Sound4 #1")), 1);
    // Logged in again, then sent first: the message behind it stays behind it.
    QCOMPARE(f.telnet(1).sent.value(0), QByteArray("login admin,\r\n"));
    QCOMPARE(commandsOnly(f.telnet(1).sent), (QList<QByteArray>{"rds.ps=HELLO\r\n", "after\r\n"}));
    QVERIFY(f.queues.ListeDataArrival[0].isEmpty());
}

// Help listings, lines nobody asked for and the console's own answer settle no player
// command: a drop afterwards sends again every one the unit did not answer.
void TestDataArrival::onlyTheirAnswersSettleMessages() {
    RelayFixture f;
    f.online(0);
    f.program.frmSetup.TexteSound4IP[0].setText(QStringLiteral("sound4-0"));
    f.relay.UDPDataArrival(0, QStringLiteral("<SD4:a=1>"));
    f.telnet(0).arrive("OK\r\n");                           // a=1
    f.telnet(0).arrive("NOTICE : input level changed\r\n"); // nobody asked
    QVERIFY(!f.program.sessions.Sound4Send(0, "help\r\n", Sound4Request::Help).isError());
    f.relay.UDPDataArrival(0, QStringLiteral("<SD4:b=2>"));
    f.relay.UDPDataArrival(0, QStringLiteral("<SD4:c=3>"));
    f.telnet(0).arrive("Section 'rds': RDS encoder\r\nSection 'preset': Presets\r\nOK\r\n");
    f.telnet(0).sent.clear();
    f.telnet(0).drop();
    f.program.sessions.Timer30s_Timer();
    f.clock.advance(31000);
    f.program.sessions.Timer30s_Timer();
    f.relay.TimerDataArrival_Timer();
    QCOMPARE(commandsOnly(f.telnet(0).sent), (QList<QByteArray>{"b=2\r\n", "c=3\r\n"}));
    QCOMPARE(f.count(QStringLiteral("TELNET: Data Re-Added to ListeDataArrival: <SD4:b=2>")), 1);
    QCOMPARE(f.count(QStringLiteral("TELNET: Data Re-Added to ListeDataArrival: <SD4:a=1>")), 0);
}

// A unit that keeps up is given more messages at once; one that lost its session
// starts again from the first window.
void TestDataArrival::windowOpensWithAnswersAndClosesOnLoss() {
    RelayFixture f;
    f.online(0);
    f.program.frmSetup.TexteSound4IP[0].setText(QStringLiteral("sound4-0"));
    const auto burst = [&f](int from, int count) {
        for (int i = from; i < from + count; ++i) {
            f.relay.UDPDataArrival(0, QStringLiteral("<SD4:m=%1>").arg(i));
        }
    };
    const auto written = [&f] { return commandsOnly(f.telnet(0).sent).size(); };
    burst(0, 100);
    QCOMPARE(written(), qsizetype(DataArrival::Window));
    for (std::size_t i = 0; i < DataArrival::Window; ++i) {
        f.telnet(0).arrive("OK\r\n");
    }
    f.relay.TimerDataArrival_Timer();
    // Every one answered, and the window twice as wide: 64 more leave at once.
    QCOMPARE(written(), qsizetype(DataArrival::Window) * 3);

    f.telnet(0).sent.clear();
    f.telnet(0).drop();
    f.clock.advance(31000);
    f.program.sessions.Timer30s_Timer();
    f.relay.TimerDataArrival_Timer();
    QCOMPARE(written(), qsizetype(DataArrival::Window));
    QCOMPARE(commandsOnly(f.telnet(0).sent).first(), QByteArray("m=32\r\n")); // oldest unanswered
}

void TestDataArrival::unitOutOfRangeSendsNothing() {
    RelayFixture f;
    f.online(0);
    f.relay.UDPDataArrival(0, QStringLiteral("<SD4:x><NoSound4:5>"));
    f.relay.UDPDataArrival(0, QStringLiteral("<SD4:x><NoSound4:99999>"));
    QVERIFY(f.telnet(0).sent.isEmpty());
    QCOMPARE(f.count(QStringLiteral(":TELNET: Player Send: x")), 2);
    QCOMPARE(f.count(QStringLiteral(":TELNET: Player Sended")), 2);
    const QString incidents = f.program.frmMain.ListeIncidents[0].rows().join('\n');
    QVERIFY(incidents.contains(
        QStringLiteral("Err: 9 (Subscript out of range)  Err: Frm_MainBis:UDPDataArrival:30")));
    QVERIFY(incidents.contains(
        QStringLiteral("Err: 6 (Overflow)  Err: Frm_MainBis:UDPDataArrival:20")));
}

void TestDataArrival::unitWithoutHostIsDropped() {
    RelayFixture f;
    f.online(0);
    f.queue(0, QStringLiteral("<SD4:lost><NoSound4:3>"));
    f.queue(0, QStringLiteral("<SD4:kept>"));
    f.relay.TimerDataArrival_Timer();
    QCOMPARE(
        f.count(QStringLiteral(
            "Warning: TELNET: Sound4 #3 has no host: message dropped: <SD4:lost><NoSound4:3>")),
        1);
    QCOMPARE(f.telnet(0).sent, QList<QByteArray>{"kept\r\n"});
    QVERIFY(f.telnet(3).connects.isEmpty());
}

void TestDataArrival::messageReadDuringAPassLeavesWithIt() {
    // A burst larger than the window, and one more datagram read at each of the pass's
    // turns of the event loop in turn (the last ones let the held messages leave):
    // whenever it comes, the same pass sends it; none waits for the next tick.
    constexpr int Burst = int(DataArrival::Window) + 8;
    for (int late = 1; late <= 3 * Burst; ++late) {
        RelayFixture f;
        f.online(0);
        for (int i = 0; i < Burst; ++i) {
            f.queue(0, QStringLiteral("<SD4:m=%1>").arg(i));
        }
        qsizetype answered = 0;
        int turns = 0;
        f.events.setOnEvents([&] {
            // The unit answers once the queue is read: the held ones leave at the end.
            while (f.queues.ListeDataArrival[0].isEmpty() &&
                   answered < commandsOnly(f.telnet(0).sent).size()) {
                ++answered;
                f.telnet(0).arrive("OK\r\n");
            }
            if (++turns == late) {
                f.queues.ListeDataArrival[0].addItem(QStringLiteral("<SD4:late>"));
            }
        });
        f.relay.TimerDataArrival_Timer();
        f.events.setOnEvents({});
        if (turns < late) {
            break; // the pass took fewer turns than that
        }
        const QList<QByteArray> sent = commandsOnly(f.telnet(0).sent);
        QCOMPARE(sent.size(), Burst + 1);
        QVERIFY2(sent.contains("late\r\n"), qPrintable(QString::number(late)));
        QVERIFY(f.queues.ListeDataArrival[0].isEmpty());
        QVERIFY(!f.queues.TimerDataArrival.isActive());
    }
}

QTEST_GUILESS_MAIN(TestDataArrival)
#include "tst_dataarrival.moc"
