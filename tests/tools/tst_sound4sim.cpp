#include "Sound4Dialect.h"

#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using namespace sound4sim;

namespace {

constexpr int Patience = 15000; // ms; generous, for loaded and sanitized runs

// A simulator process on ephemeral ports.
struct Simulator {
    QProcess process;
    QList<quint16> ports;

    bool start(const QStringList& arguments, int units = 1) {
        process.setProgram(QStringLiteral(SOUND4_SIM_PATH));
        process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0")} +
                             arguments);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start();
        if (!process.waitForStarted(Patience)) {
            return false;
        }
        QByteArray out;
        QDeadlineTimer deadline(Patience);
        while (out.count('\n') < units && !deadline.hasExpired()) {
            process.waitForReadyRead(100);
            out += process.readAllStandardOutput();
        }
        for (const QByteArray& line : out.split('\n')) {
            if (line.startsWith("listening on 127.0.0.1:")) {
                ports.append(line.mid(line.lastIndexOf(':') + 1).toUShort());
            }
        }
        return ports.size() == units;
    }
    // Ends the process with SIGTERM: it must exit cleanly, with nothing on stderr (the
    // sanitizers report there).
    bool stop() {
        process.terminate();
        if (!process.waitForFinished(Patience)) {
            return false;
        }
        const QByteArray errors = process.readAllStandardError();
        if (!errors.isEmpty()) {
            qWarning("%s", errors.constData());
        }
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
               errors.isEmpty();
    }
    ~Simulator() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            process.waitForFinished(Patience);
        }
    }
};

// A client that collects the answer lines and counts its reads.
struct Client {
    QTcpSocket socket;
    QByteArray received;
    int reads = 0;

    explicit Client(quint16 port) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            received += socket.readAll();
            ++reads;
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    void send(const QByteArray& bytes) { socket.write(bytes); }
    QByteArrayList lines() const {
        QByteArrayList lines = received.split('\n');
        lines.removeLast(); // after the last line end
        for (QByteArray& line : lines) {
            line.chop(line.endsWith('\r') ? 1 : 0);
        }
        return lines;
    }
};

QByteArrayList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArrayList lines = file.readAll().split('\n');
    lines.removeLast();
    return lines;
}

} // namespace

class TestSound4Sim : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Dialect
    void lineEnds_data();
    void lineEnds();
    void login_data();
    void login();
    void sessionNeedsLoginAndLogoutEndsIt();
    void helpListsSectionsCommandsAndDetails();
    void valuesAreKeptPerUnit();
    void operationsFollowTheMarkers();
    void multiLineAndBadUtf8Answers();
    // The real executable
    void sessionOverTcpIsRecorded();
    void dropAfterRepeatsPerSession();
    void fragmentedAndDelayedAnswers();
    void negotiationAnnouncesTheTerminalType();
    void unitsListenOnTheirOwnPorts();
};

void TestSound4Sim::lineEnds_data() {
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QByteArray>("pending");
    QTest::addColumn<bool>("bareLogout");
    QTest::newRow("CR LF") << QByteArrayList{"a\r\nb\r\n"} << QByteArrayList{"a", "b"}
                           << QByteArray() << false;
    QTest::newRow("LF") << QByteArrayList{"a\nb\n"} << QByteArrayList{"a", "b"} << QByteArray()
                        << false;
    QTest::newRow("CR | LF") << QByteArrayList{"a\r", "\nb\r", "\n"} << QByteArrayList{"a", "b"}
                             << QByteArray() << false;
    QTest::newRow("CR NUL") << QByteArrayList{QByteArray("a\r\0b\r\n", 6)}
                            << QByteArrayList{"a", "b"} << QByteArray() << false;
    QTest::newRow("empty line") << QByteArrayList{"\r\n"} << QByteArrayList{""} << QByteArray()
                                << false;
    QTest::newRow("unfinished") << QByteArrayList{"a\r\nrds.p"} << QByteArrayList{"a"}
                                << QByteArray("rds.p") << false;
    QTest::newRow("bare logout") << QByteArrayList{"log", "out"} << QByteArrayList{}
                                 << QByteArray("logout") << true;
    QTest::newRow("logout, login")
        << QByteArrayList{"logout", "login admin,\r\n"} << QByteArrayList{"logout", "login admin,"}
        << QByteArray() << false;
    QTest::newRow("logout CR LF") << QByteArrayList{"logout\r\n"} << QByteArrayList{"logout"}
                                  << QByteArray() << false;
    QTest::newRow("UTF-8") << QByteArrayList{"rds.ps=\xc3\xa9t\xc3\xa9\r\n"}
                           << QByteArrayList{"rds.ps=\xc3\xa9t\xc3\xa9"} << QByteArray() << false;
}

void TestSound4Sim::lineEnds() {
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArrayList, lines);
    QFETCH(QByteArray, pending);
    QFETCH(bool, bareLogout);
    LineAssembler assembler;
    QByteArrayList got;
    for (const QByteArray& chunk : chunks) {
        got += assembler.feed(chunk);
    }
    QCOMPARE(got, lines);
    QCOMPARE(assembler.pending(), pending);
    QCOMPARE(assembler.holdsBareLogout(), bareLogout);
    QCOMPARE(assembler.takeBareLogout(), bareLogout ? QByteArray("logout") : QByteArray());
    QCOMPARE(assembler.holdsBareLogout(), false);
}

void TestSound4Sim::login_data() {
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("answer");
    const QByteArray ok("OK : LOGIN");
    const QByteArray refused("ERROR : LOGIN refused");
    QTest::newRow("user, empty password")
        << QByteArray() << QByteArray() << false << QByteArray("login admin,") << ok;
    QTest::newRow("user and password")
        << QByteArray() << QByteArray("pw") << false << QByteArray("login admin,pw") << ok;
    QTest::newRow("password with a comma")
        << QByteArray() << QByteArray("p,w") << false << QByteArray("login admin,p,w") << ok;
    QTest::newRow("any serial") << QByteArray() << QByteArray("pw") << false
                                << QByteArray("login 1234,admin,pw") << ok;
    QTest::newRow("wrong password")
        << QByteArray() << QByteArray("pw") << false << QByteArray("login admin,px") << refused;
    QTest::newRow("wrong user") << QByteArray() << QByteArray() << false
                                << QByteArray("login root,") << refused;
    QTest::newRow("no comma") << QByteArray() << QByteArray() << false << QByteArray("login admin")
                              << refused;
    QTest::newRow("nothing") << QByteArray() << QByteArray() << false << QByteArray("login")
                             << refused;
    QTest::newRow("serial required") << QByteArray("S4-7") << QByteArray("pw") << false
                                     << QByteArray("login admin,pw") << refused;
    QTest::newRow("serial given") << QByteArray("S4-7") << QByteArray("pw") << false
                                  << QByteArray("login S4-7,admin,pw") << ok;
    QTest::newRow("wrong serial") << QByteArray("S4-7") << QByteArray("pw") << false
                                  << QByteArray("login S4-8,admin,pw") << refused;
    QTest::newRow("refused") << QByteArray() << QByteArray() << true << QByteArray("login admin,")
                             << refused;
}

void TestSound4Sim::login() {
    QFETCH(QByteArray, serial);
    QFETCH(QByteArray, password);
    QFETCH(bool, refuse);
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, answer);
    DialectOptions options;
    options.serial = serial;
    options.password = password;
    options.refuseLogin = refuse;
    UnitState unit;
    DialectSession session(unit, options);
    QCOMPARE(session.answer(line), QByteArrayList{answer});
    QCOMPARE(session.loggedIn(), answer == "OK : LOGIN");
}

void TestSound4Sim::sessionNeedsLoginAndLogoutEndsIt() {
    DialectOptions options;
    UnitState unit;
    DialectSession session(unit, options);
    const QByteArrayList required{"ERROR : Login required"};
    QCOMPARE(session.answer("rds.ps?"), required);
    QCOMPARE(session.answer("help"), required);
    QCOMPARE(session.answer(""), QByteArrayList{});
    QCOMPARE(session.answer("login admin,"), QByteArrayList{"OK : LOGIN"});
    QCOMPARE(session.answer("rds.ps?"), QByteArrayList{"rds.ps=RADIO"});
    QCOMPARE(session.answer("logout"), QByteArrayList{"OK : LOGOUT"});
    QVERIFY(!session.loggedIn());
    QCOMPARE(session.answer("rds.ps?"), required);
    // A refused login ends an earlier one.
    QCOMPARE(session.answer("login admin,"), QByteArrayList{"OK : LOGIN"});
    QCOMPARE(session.answer("login admin,wrong"), QByteArrayList{"ERROR : LOGIN refused"});
    QCOMPARE(session.answer("rds.ps?"), required);
}

void TestSound4Sim::helpListsSectionsCommandsAndDetails() {
    DialectOptions options;
    UnitState unit;
    DialectSession session(unit, options);
    session.answer("login admin,");
    QCOMPARE(
        session.answer("help"),
        (QByteArrayList{"Section 'rds': RDS encoder", "Section 'preset': Presets",
                        "Section 'CH1 to CH8': Channel inputs", "Section 'system': System", "OK"}));
    QCOMPARE(session.answer("help rds"),
             (QByteArrayList{"-ps (?=) : Program service name", "-rt (?=) : Radio text",
                             "-pi (?) : Program identification", "-pty (?=) : Program type",
                             "-af (?+=-=') : Alternative frequencies", "OK"}));
    const QByteArrayList channel{"-gain (?=!*) : Input gain in dB", "-mute (?=) : Input mute",
                                 "OK"};
    QCOMPARE(session.answer("help CH3"), channel);
    QCOMPARE(session.answer("help ch8"), channel);
    QCOMPARE(session.answer("help CH1 to CH8"), channel);
    QCOMPARE(session.answer("help rds.ps"),
             (QByteArrayList{"rds.ps : Program service name", "Values : text, 8 characters on air",
                             "OK"}));
    QCOMPARE(session.answer("help CH2.gain"),
             (QByteArrayList{"CH2.gain : Input gain in dB", "Values : -24 to 24", "OK"}));
    QCOMPARE(session.answer("help tuner"), QByteArrayList{"ERROR : Unknown section 'tuner'"});
    QCOMPARE(session.answer("help CH9"), QByteArrayList{"ERROR : Unknown section 'CH9'"});
    QCOMPARE(session.answer("help rds.xx"), QByteArrayList{"ERROR : Unknown command 'rds.xx'"});
}

void TestSound4Sim::valuesAreKeptPerUnit() {
    DialectOptions options;
    UnitState first(0);
    UnitState second(1);
    DialectSession a(first, options);
    DialectSession b(first, options);
    DialectSession c(second, options);
    for (DialectSession* session : {&a, &b, &c}) {
        session->answer("login admin,");
    }
    QCOMPARE(a.answer("rds.ps=MORNING"), QByteArrayList{"OK"});
    QCOMPARE(b.answer("rds.ps?"), QByteArrayList{"rds.ps=MORNING"});
    QCOMPARE(c.answer("rds.ps?"), QByteArrayList{"rds.ps=RADIO"});
    QCOMPARE(a.answer("RDS.PS?"), QByteArrayList{"rds.ps=MORNING"});
    // Bytes are stored as received, UTF-8 or not, trailing blanks included.
    QCOMPARE(a.answer("rds.rt=Caf\xc3\xa9 \xe2\x82\xac "), QByteArrayList{"OK"});
    QCOMPARE(b.answer("rds.rt?"), QByteArrayList{"rds.rt=Caf\xc3\xa9 \xe2\x82\xac "});
    QCOMPARE(a.answer("ch5.gain=-6"), QByteArrayList{"OK"});
    QCOMPARE(a.answer("CH5.gain?"), QByteArrayList{"CH5.gain=-6"});
    QCOMPARE(a.answer("CH4.gain?"), QByteArrayList{"CH4.gain=0"});
    QCOMPARE(a.answer("system.name?"), QByteArrayList{"system.name=Unit 1"});
    QCOMPARE(c.answer("system.name?"), QByteArrayList{"system.name=Unit 2"});
}

void TestSound4Sim::operationsFollowTheMarkers() {
    DialectOptions options;
    UnitState unit;
    DialectSession s(unit, options);
    s.answer("login admin,");
    const QByteArrayList ok{"OK"};
    const QByteArrayList notAllowed{"ERROR : Operation not allowed"};
    const QByteArrayList range{"ERROR : Value out of range"};
    QCOMPARE(s.answer("rds.pi?"), QByteArrayList{"rds.pi=F201"});
    QCOMPARE(s.answer("rds.pi=1234"), notAllowed);
    QCOMPARE(s.answer("rds.pty=31"), ok);
    QCOMPARE(s.answer("rds.pty=32"), range);
    QCOMPARE(s.answer("rds.pty=x"), range);
    QCOMPARE(s.answer("rds.pty?"), QByteArrayList{"rds.pty=31"});
    QCOMPARE(s.answer("rds.af'"), QByteArrayList{"rds.af'=2"});
    QCOMPARE(s.answer("rds.af+=99.0"), ok);
    QCOMPARE(s.answer("rds.af-=87.6"), ok);
    QCOMPARE(s.answer("rds.af?"), QByteArrayList{"rds.af=101.2,99.0"});
    QCOMPARE(s.answer("rds.af-=87.6"), QByteArrayList{"ERROR : Value not found"});
    QCOMPARE(s.answer("rds.af=1"), notAllowed);
    QCOMPARE(s.answer("rds.ps+=X"), notAllowed);
    QCOMPARE(s.answer("rds.ps!"), notAllowed);
    QCOMPARE(s.answer("preset.current!"), ok);
    QCOMPARE(s.answer("preset.current*"), ok);
    QCOMPARE(s.answer("preset.current=0"), range);
    QCOMPARE(s.answer("CH1.mute'"), notAllowed);
    QCOMPARE(s.answer("rds.ps"), QByteArrayList{"ERROR : Unknown command 'rds.ps'"});
    QCOMPARE(s.answer("rds.zz?"), QByteArrayList{"ERROR : Unknown command 'rds.zz?'"});
    QCOMPARE(s.answer("tuner.f?"), QByteArrayList{"ERROR : Unknown command 'tuner.f?'"});
    QCOMPARE(s.answer("reboot"), QByteArrayList{"ERROR : Unknown command 'reboot'"});
}

void TestSound4Sim::multiLineAndBadUtf8Answers() {
    DialectOptions options;
    UnitState unit(2, "S4-7");
    DialectSession s(unit, options);
    s.answer("login admin,");
    const QByteArrayList info{"+system.info.model=Trelvo Sound4 simulator",
                              "+system.info.serial=S4-7", "+system.info.unit=3",
                              "system.info.firmware=1.0"};
    QCOMPARE(s.answer("system.info?"), info);

    options.badUtf8 = true;
    DialectSession bad(unit, options);
    bad.answer("login admin,");
    QCOMPARE(bad.answer("rds.ps?"), QByteArrayList{"rds.ps=RADIO\xc3\x28"});
    const QByteArrayList infoAnswer = bad.answer("system.info?");
    QCOMPARE(infoAnswer.size(), 4);
    for (const QByteArray& line : infoAnswer) {
        QVERIFY(line.endsWith("\xc3\x28"));
    }
    QCOMPARE(bad.answer("rds.ps=X"), QByteArrayList{"OK"});
}

void TestSound4Sim::sessionOverTcpIsRecorded() {
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("record.txt"));
    Simulator sim;
    QVERIFY(sim.start({"--record", record, "--password", "pw"}));
    Client client(sim.ports[0]);
    client.send("login admin,pw\r\nhelp\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(client.lines().size() >= 6, Patience);
    QCOMPARE(
        client.lines(),
        (QByteArrayList{"OK : LOGIN", "Section 'rds': RDS encoder", "Section 'preset': Presets",
                        "Section 'CH1 to CH8': Channel inputs", "Section 'system': System", "OK"}));
    QVERIFY(client.received.endsWith("OK\r\n"));
    client.received.clear();
    client.send("rds.ps=MORNING \xc3\xa9\r\nrds.ps?\nlogout");
    QTRY_VERIFY_WITH_TIMEOUT(client.lines().size() >= 3, Patience);
    QCOMPARE(client.lines(), (QByteArrayList{"OK", "rds.ps=MORNING \xc3\xa9", "OK : LOGOUT"}));
    client.received.clear();
    client.send("rds.ps?\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(client.lines(), QByteArrayList{"ERROR : Login required"}, Patience);
    QCOMPARE(client.socket.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(readLines(record), (QByteArrayList{"login admin,pw", "help", "rds.ps=MORNING \xc3\xa9",
                                                "rds.ps?", "logout", "rds.ps?"}));

    // Values outlive the session.
    Client again(sim.ports[0]);
    again.send("login admin,pw\r\nrds.ps?\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(again.lines(),
                              (QByteArrayList{"OK : LOGIN", "rds.ps=MORNING \xc3\xa9"}), Patience);
    // A bare "logout" right before the client closes is still recorded.
    again.send("logout");
    again.socket.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(readLines(record).size(), 9, Patience);
    QCOMPARE(readLines(record).mid(6), (QByteArrayList{"login admin,pw", "rds.ps?", "logout"}));
    QVERIFY(sim.stop());
}

void TestSound4Sim::dropAfterRepeatsPerSession() {
    QTemporaryDir dir;
    const QString record = dir.filePath(QStringLiteral("record.txt"));
    Simulator sim;
    QVERIFY(sim.start({"--drop-after", "3", "--record", record}));
    for (int session = 0; session < 2; ++session) {
        Client client(sim.ports[0]);
        client.send("login admin,\r\nrds.pi?\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(client.lines(), (QByteArrayList{"OK : LOGIN", "rds.pi=F201"}),
                                  Patience);
        client.send("rds.ps?\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(client.socket.state(), QAbstractSocket::UnconnectedState,
                                  Patience);
        QCOMPARE(client.lines().size(), 2); // the third line is not answered
    }
    QCOMPARE(readLines(record), (QByteArrayList{"login admin,", "rds.pi?", "rds.ps?",
                                                "login admin,", "rds.pi?", "rds.ps?"}));

    Simulator refusing;
    QVERIFY(refusing.start({"--refuse-login"}));
    Client client(refusing.ports[0]);
    client.send("login admin,\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(client.lines(), QByteArrayList{"ERROR : LOGIN refused"}, Patience);
    QVERIFY(refusing.stop());
    QVERIFY(sim.stop());
}

void TestSound4Sim::fragmentedAndDelayedAnswers() {
    Simulator sim;
    QVERIFY(sim.start({"--fragment", "4", "--delay", "20"}));
    Client client(sim.ports[0]);
    client.send("login admin,\r\nhelp\r\nrds.ps=A\r\nrds.ps?\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(client.lines().size() >= 8, Patience);
    QCOMPARE(client.lines(),
             (QByteArrayList{"OK : LOGIN", "Section 'rds': RDS encoder",
                             "Section 'preset': Presets", "Section 'CH1 to CH8': Channel inputs",
                             "Section 'system': System", "OK", "OK", "rds.ps=A"}));
    // Over thirty chunks, 5 ms apart: they cannot all arrive in one read.
    QVERIFY2(client.reads > 1, qPrintable(QString::number(client.reads)));
    QVERIFY(sim.stop());
}

void TestSound4Sim::negotiationAnnouncesTheTerminalType() {
    Simulator sim;
    QVERIFY(sim.start({"--negotiate"}));
    Client client(sim.ports[0]);
    const QByteArray iac("\xff");
    const QByteArray offer = iac + "\xfd\x18" + iac + "\xfb\x01" + iac + "\xfb\x03"; // DO TTYPE..
    QTRY_VERIFY_WITH_TIMEOUT(client.received.startsWith(offer), Patience);
    client.received.clear();
    client.send(iac + "\xfb\x18"); // WILL TTYPE
    const QByteArray sendRequest = iac + "\xfa\x18\x01" + iac + "\xf0";
    QTRY_VERIFY_WITH_TIMEOUT(client.received.contains(sendRequest), Patience);
    client.received.clear();
    client.send(iac + "\xfa\x18" + QByteArray(1, '\0') + "tty" + iac + "\xf0");
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT(
        (out += sim.process.readAllStandardOutput()).contains("terminal type: tty\n"), Patience);
    // IAC bytes inside the data are stripped from the received line.
    client.send("login " + iac + "\xf1" + "admin,\r\n");
    QTRY_VERIFY_WITH_TIMEOUT(client.received.contains("OK : LOGIN\r\n"), Patience);
    QVERIFY(sim.stop());
}

void TestSound4Sim::unitsListenOnTheirOwnPorts() {
    Simulator sim;
    QVERIFY(sim.start({"--units", "2"}, 2));
    QVERIFY(sim.ports[0] != sim.ports[1]);
    Client first(sim.ports[0]);
    Client second(sim.ports[1]);
    first.send("login admin,\r\nrds.ps=ONE\r\nsystem.name?\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(first.lines(),
                              (QByteArrayList{"OK : LOGIN", "OK", "system.name=Unit 1"}), Patience);
    second.send("login admin,\r\nrds.ps?\r\nsystem.name?\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(second.lines(),
                              (QByteArrayList{"OK : LOGIN", "rds.ps=RADIO", "system.name=Unit 2"}),
                              Patience);
    QVERIFY(sim.stop());
}

QTEST_GUILESS_MAIN(TestSound4Sim)
#include "tst_sound4sim.moc"
