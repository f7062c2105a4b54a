// A unit that is down, resetting, hostile or chatty, on real sockets: the other unit
// keeps relaying, and the faulty one loses nothing it can still be given.
#include "RealProgramFixture.h"
#include "RefusingPort.h"
#include "SimulatorProcess.h"

#include <QFile>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

// Peak resident memory of this process, in kB.
qint64 peakResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

struct FaultFixture : RealProgramFixture {
    quint16 player = 0;

    FaultFixture() {
        program.state.PbBFrmSetupChargee = true; // lines go to the daily file, not memory
        player = listen(0);
    }
    void unitOn(int unit, quint16 port) {
        configureUnit(unit, port, QString(), QStringLiteral("admin"), QString());
        program.sessions.CommandSound4Login_Click(qint16(unit));
    }
    void send(const QByteArray& datagram) const {
        QUdpSocket socket;
        socket.writeDatagram(datagram, QHostAddress::LocalHost, player);
    }
    // The 30 s reconnection falls due at once.
    void reconnectionTick() {
        clock.advance(30000);
        program.sessions.Timer30s_Timer();
        program.dataArrival.Timer30s_Timer();
    }
    QString traceText() {
        program.trace.TraceLogForce(program.frmSetup.ListeLog);
        QFile file(program.paths.toNative(program.state.PbTParametresSite.Base[0].Dossier_Histo +
                                          program.trace.todayFileName() + QStringLiteral(".Log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }
};

// The received lines that start with a prefix, in order.
QList<QByteArray> linesStarting(const QList<QByteArray>& lines, const QByteArray& prefix) {
    QList<QByteArray> out;
    for (const QByteArray& line : lines) {
        if (line.startsWith(prefix)) {
            out << line;
        }
    }
    return out;
}

} // namespace

class TestUnitFaults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unitDownHoldsBackNoOther_data();
    void unitDownHoldsBackNoOther();
    void lapsedLoginIsSeen();
    void endlessLineStaysBounded();
    void floodingUnitHoldsBackNoOther();
};

void TestUnitFaults::unitDownHoldsBackNoOther_data() {
    QTest::addColumn<bool>("resets");
    QTest::newRow("refusing connections") << false;
    QTest::newRow("resetting each connection") << true;
}

// 500 messages to units 0 and 1 alternately while unit 0 is down: unit 1 gets its
// 250 in order; unit 0, once back, its raw commands in order and only the newest
// programme-service name and radio text.
void TestUnitFaults::unitDownHoldsBackNoOther() {
    QFETCH(bool, resets);
    constexpr int Messages = 500;
    RefusingPort refusing;
    std::unique_ptr<SimulatorProcess> resetting;
    if (resets) {
        resetting = std::make_unique<SimulatorProcess>(QStringList{QStringLiteral("--reset")});
    }
    SimulatorProcess unit1;
    SimulatorProcess back;
    FaultFixture f;
    f.unitOn(0, resets ? resetting->port() : refusing.port());
    f.unitOn(1, unit1.port());
    QVERIFY(f.program.state.PbBSound4LoggedIn[1]);
    QVERIFY(!f.program.state.PbBSound4LoggedIn[0]);

    QList<QByteArray> raw0;
    QByteArray lastPs;
    QByteArray lastRt;
    for (int i = 0; i < Messages; ++i) {
        const QByteArray n = QByteArray::number(i).rightJustified(3, '0');
        if (i % 2 == 1) {
            f.send("<SD4:preset.name=B" + n + "><NoSound4:1>");
        } else if (i % 10 == 0) {
            lastPs = "rds.ps=P" + n;
            f.send("<SD4:" + lastPs + "><NoSound4:0>");
        } else if (i % 10 == 2) {
            lastRt = "rds.rt=R" + n;
            f.send("<SD4:" + lastRt + "><NoSound4:0>");
        } else {
            raw0 << "preset.name=A" + n;
            f.send("<SD4:" + raw0.last() + "><NoSound4:0>");
        }
        if (i % 20 == 19) {
            QTest::qWait(5); // a player sends at a pace, not all at once
        }
    }
    QTRY_COMPARE_WITH_TIMEOUT(linesStarting(unit1.received(), "preset.name=B").size(), Messages / 2,
                              30000);
    QList<QByteArray> expected1;
    for (int i = 1; i < Messages; i += 2) {
        expected1 << "preset.name=B" + QByteArray::number(i).rightJustified(3, '0');
    }
    QCOMPARE(linesStarting(unit1.received(), "preset.name=B"), expected1);
    // While it was down, unit 0 was tried once, not in a loop.
    const QString outage = f.traceText();
    QVERIFY2(outage.count(QStringLiteral("Try to Login Sound4 #0")) <= 2,
             qPrintable(QString::number(outage.count(QStringLiteral("Try to Login Sound4 #0")))));
    QCOMPARE(f.program.dataArrival.hold(0).size(), qsizetype(raw0.size() + 2));

    // Unit 0 comes back.
    f.program.frmSetup.TexteSound4Port[0].setText(QString::number(back.port()));
    for (int i = 0; i < 3 && linesStarting(back.received(), "preset.name=A").size() < raw0.size();
         ++i) {
        f.reconnectionTick();
        QTest::qWait(500);
    }
    QTRY_COMPARE_WITH_TIMEOUT(linesStarting(back.received(), "preset.name=A").size(), raw0.size(),
                              20000);
    QCOMPARE(linesStarting(back.received(), "preset.name=A"), raw0);
    QCOMPARE(linesStarting(back.received(), "rds.ps="), QList<QByteArray>{lastPs});
    QCOMPARE(linesStarting(back.received(), "rds.rt="), QList<QByteArray>{lastRt});
    QVERIFY(f.program.dataArrival.hold(0).isEmpty());
}

// The unit forgets the login after 10 lines: one incident, a new login, and every
// message delivered.
void TestUnitFaults::lapsedLoginIsSeen() {
    constexpr int Messages = 40;
    SimulatorProcess unit0({QStringLiteral("--login-lapses"), QStringLiteral("10")});
    FaultFixture f;
    f.unitOn(0, unit0.port());
    QVERIFY(f.program.state.PbBSound4LoggedIn[0]);
    QList<QByteArray> sent;
    for (int i = 0; i < Messages; ++i) {
        sent << "preset.name=L" + QByteArray::number(i).rightJustified(2, '0');
        f.send("<SD4:" + sent.last() + ">");
        QTest::qWait(20);
    }
    const auto delivered = [&] {
        // A command is delivered when the line after it is not a rejection... the
        // simulator records what it read; a login must come before each accepted run.
        QList<QByteArray> accepted;
        bool loggedIn = false;
        int sinceLogin = 0;
        for (const QByteArray& line : unit0.received()) {
            if (line.startsWith("login ")) {
                loggedIn = true;
                sinceLogin = 0;
            } else if (loggedIn && ++sinceLogin <= 10 && !accepted.contains(line)) {
                accepted << line;
            }
        }
        return accepted;
    };
    for (int i = 0; i < 10 && delivered().size() < Messages; ++i) {
        QTest::qWait(300);
        f.reconnectionTick();
    }
    QTRY_COMPARE_WITH_TIMEOUT(delivered().size(), Messages, 10000);
    QCOMPARE(delivered(), sent);
    const QString log = f.traceText();
    QVERIFY(log.contains(QStringLiteral("Err: TELNET: Sound4 #0: ERROR : Login required")));
    QVERIFY(linesStarting(unit0.received(), "login ").size() >= 4);
}

// 300 MiB without a line end from unit 0: memory stays bounded and unit 1 relays.
void TestUnitFaults::endlessLineStaysBounded() {
    const QString mib = Sanitized ? QStringLiteral("30") : QStringLiteral("300");
    SimulatorProcess unit0({QStringLiteral("--no-line-ends"), mib});
    SimulatorProcess unit1;
    FaultFixture f;
    f.unitOn(1, unit1.port());
    const qint64 before = peakResidentKb();
    f.unitOn(0, unit0.port());
    for (int i = 0; i < 50; ++i) {
        f.send("<SD4:preset.name=E" + QByteArray::number(i) + "><NoSound4:1>");
        QTest::qWait(20);
    }
    QTRY_COMPARE_WITH_TIMEOUT(linesStarting(unit1.received(), "preset.name=E").size(), 50, 30000);
    // The whole stream is read (the unit is still connected, nothing waits unread).
    QTRY_VERIFY_WITH_TIMEOUT(f.traceText().contains(QStringLiteral(
                                 "Warning: TELNET: Sound4 #0: a line longer than 65536 bytes")),
                             30000);
    QTest::qWait(Sanitized ? 3000 : 5000);
    const qint64 peak = peakResidentKb();
    qInfo("peak resident memory: %lld kB before unit 0, %lld kB after", before, peak);
    if (!Sanitized) {
        QVERIFY2(peak < 64 * 1024, qPrintable(QString::number(peak)));
    }
    // Once per over-long line, not per chunk read: the login's answer, sent in the
    // middle of the stream, may end one such line and start another.
    const qsizetype warnings =
        f.traceText().count(QStringLiteral("a line longer than 65536 bytes"));
    QVERIFY2(warnings >= 1 && warnings <= 2, qPrintable(QString::number(warnings)));
}

// A unit that floods lines: the other one still gets 50 of 50, and the log stays small.
void TestUnitFaults::floodingUnitHoldsBackNoOther() {
    SimulatorProcess unit0({QStringLiteral("--flood")});
    SimulatorProcess unit1;
    FaultFixture f;
    f.unitOn(1, unit1.port());
    f.unitOn(0, unit0.port());
    for (int i = 0; i < 50; ++i) {
        f.send("<SD4:preset.name=F" + QByteArray::number(i) + "><NoSound4:1>");
        f.send("<SD4:preset.name=G" + QByteArray::number(i) + "><NoSound4:0>");
        QTest::qWait(20);
    }
    QTRY_COMPARE_WITH_TIMEOUT(linesStarting(unit1.received(), "preset.name=F").size(), 50, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(linesStarting(unit0.received(), "preset.name=G").size(), 50, 30000);
    const qsizetype logSize = f.traceText().size();
    qInfo("trace log after the flood: %lld bytes", qint64(logSize));
    QVERIFY(logSize < 5 * 1024 * 1024);
}

QTEST_GUILESS_MAIN(TestUnitFaults)
#include "tst_sound4link_unitfaults.moc"
