#include "ListeningPort.h"
#include "RefusingPort.h"
#include "platform/SocketTelnetConnection.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace {

constexpr int Patience = 15000; // ms, generous for loaded machines and sanitizers

// Resident memory of this process now, in kB.
qint64 residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}
const QString Loopback = QStringLiteral("127.0.0.1");
using Events = QStringList;

// The reports of a connection in order ("state N" as it reads then, "error N",
// "data"); the bytes are taken on each data report, as the program does.
struct Recorder {
    QObject context;
    Events events;
    QStringList descriptions;
    QByteArray received;

    explicit Recorder(TelnetConnection& c) {
        QObject::connect(&c, &TelnetConnection::stateChanged, &context,
                         [this, &c] { events << QStringLiteral("state %1").arg(c.state()); });
        QObject::connect(&c, &TelnetConnection::errorOccurred, &context,
                         [this](qint32 code, const QString& description) {
                             events << QStringLiteral("error %1").arg(code);
                             descriptions << description;
                         });
        QObject::connect(&c, &TelnetConnection::dataReceived, &context, [this, &c] {
            events << QStringLiteral("data");
            received += c.receive();
        });
    }
    // The state and error reports since the last "state 2".
    Events afterConnected() const {
        Events tail = events.mid(events.lastIndexOf(QStringLiteral("state 2")) + 1);
        tail.removeAll(QStringLiteral("data"));
        return tail;
    }
};

// The other end, on an ephemeral loopback port.
struct Peer {
    QTcpServer server;
    QTcpSocket* socket = nullptr;
    QByteArray got;

    Peer() { server.listen(QHostAddress::LocalHost, 0); }
    bool readAtLeast(qsizetype size) {
        return QTest::qWaitFor([&] { return (got += socket->readAll()).size() >= size; }, Patience);
    }
    bool connect(SocketTelnetConnection& c) {
        c.connectToHost(Loopback, server.serverPort());
        if (!QTest::qWaitFor([&] { return c.state() == 2 && server.hasPendingConnections(); },
                             Patience)) {
            return false;
        }
        socket = server.nextPendingConnection();
        return true;
    }
};

} // namespace

class TestSocketTelnetConnection : public QObject {
    Q_OBJECT

    const RefusingPort m_refusing; // held for the whole run: the rows use its number

private Q_SLOTS:
    void connectSendReceiveClose() {
        Peer peer;
        SocketTelnetConnection c;
        Recorder r(c);
        const AppError notConnected = c.send("x");
        QCOMPARE(notConnected.number, 10057);
        QCOMPARE(notConnected.description, QStringLiteral("Socket is not connected"));
        c.close();
        QCOMPARE(r.events, Events());

        for (int round = 0; round < 2; ++round) { // the object is re-used
            r.events.clear();
            r.received.clear();
            peer.got.clear();
            QVERIFY(peer.connect(c));
            QCOMPARE(r.events, (Events{"state 1", "state 2"}));
            QVERIFY(!c.send("login a,b\r\n"));
            QVERIFY(peer.readAtLeast(11));
            peer.socket->write("OK : LOGIN\r\n");
            QTRY_COMPARE_WITH_TIMEOUT(r.received, QByteArray("OK : LOGIN\r\n"), Patience);

            QVERIFY(!c.send("logout"));
            c.close();
            QCOMPARE(r.afterConnected(), (Events{"state 3", "state 0"}));
            QCOMPARE(c.send("x").number, 10057);
            // What was written before the close still reaches the peer.
            QVERIFY(peer.readAtLeast(17));
            QCOMPARE(peer.got, QByteArray("login a,b\r\nlogout"));
            QTRY_COMPARE_WITH_TIMEOUT(peer.socket->state(), QAbstractSocket::UnconnectedState,
                                      Patience);
            QCOMPARE(r.afterConnected(), (Events{"state 3", "state 0"})); // no error
        }
        // Connecting an open connection closes it first.
        QVERIFY(peer.connect(c));
        r.events.clear();
        QVERIFY(peer.connect(c));
        QCOMPARE(r.events, (Events{"state 3", "state 0", "state 1", "state 2"}));
    }

    void connectFailures_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<qint32>("port");
        QTest::addColumn<Events>("events");
        QTest::addColumn<QString>("description");
        const Events refused{"state 1", "error 10061", "state 0"};
        const Events badPort{"error 10049"};
        QTest::newRow("refused") << Loopback << qint32(m_refusing.port()) << refused
                                 << "Connection refused";
        QTest::newRow("blanks around the host")
            << " 127.0.0.1 " << qint32(m_refusing.port()) << refused << "Connection refused";
        QTest::newRow("unknown host")
            << "no-such-host.invalid" << 3003 << Events{"state 1", "error 11001", "state 0"}
            << "Host not found";
        QTest::newRow("port 0") << Loopback << 0 << badPort << "Address not available";
        QTest::newRow("port 65536") << Loopback << 65536 << badPort << "Address not available";
    }
    void connectFailures() {
        QFETCH(QString, host);
        QFETCH(qint32, port);
        QFETCH(Events, events);
        QFETCH(QString, description);
        SocketTelnetConnection c;
        Recorder r(c);
        c.connectToHost(host, port);
        QVERIFY(r.events.filter(QStringLiteral("error")).isEmpty()); // reported after the call
        QTRY_COMPARE_WITH_TIMEOUT(r.events, events, Patience);
        QCOMPARE(r.descriptions, QStringList{description});
        QCOMPARE(c.state(), 0);
    }

    void connectTimeout() {
        // A listener whose accept queue is full leaves further connects unanswered.
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        const auto closeFd = qScopeGuard([fd] { ::close(fd); });
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0);
        QVERIFY(::listen(fd, 0) == 0);
        QVERIFY(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        const quint16 port = ntohs(address.sin_port);
        std::vector<std::unique_ptr<QTcpSocket>> fillers;
        bool full = false;
        while (!full && fillers.size() < 16) {
            QTcpSocket* filler = fillers.emplace_back(std::make_unique<QTcpSocket>()).get();
            filler->connectToHost(QHostAddress::LocalHost, port);
            full = !QTest::qWaitFor(
                [filler] { return filler->state() == QAbstractSocket::ConnectedState; }, 2000);
        }
        if (!full) {
            QSKIP("the loopback accept queue could not be filled here");
        }
        SocketTelnetConnection c;
        Recorder r(c);
        c.setTimeout(300);
        c.connectToHost(Loopback, port);
        QTRY_COMPARE_WITH_TIMEOUT(r.events, (Events{"state 1", "error 10060", "state 0"}),
                                  Patience);
        QCOMPARE(r.descriptions, QStringList{"Connection timed out"});
    }

    void wire_data() {
        QTest::addColumn<bool>("negotiation");
        QTest::addColumn<QByteArray>("incoming");
        QTest::addColumn<QByteArray>("answer"); // what the client answers by itself
        QTest::addColumn<QByteArray>("data");   // what receive() gives
        QTest::addColumn<QByteArray>("sent");   // what send("x" 0xFF "y") puts on the wire
        QTest::newRow("raw: every byte is data")
            << false << QByteArray::fromHex("fffd18 61 ffff 62 ff") << QByteArray()
            << QByteArray::fromHex("fffd18 61 ffff 62 ff") << QByteArray::fromHex("78 ff 79");
        QTest::newRow("negotiated")
            << true
            << QByteArray::fromHex(
                   "fffa1801fff0"                         // TTYPE SEND before it is agreed: ignored
                   "fffd18"                               // DO TTYPE
                   "fffa1801fff0"                         // TTYPE SEND
                   "fffb01 fffb03 fffd1f fffb00"          // WILL ECHO, SGA; DO NAWS; WILL BINARY
                   "61 ffff 62 fff1 63")                  // 'a', IAC IAC, 'b', NOP, 'c'
            << QByteArray::fromHex("fffb18"               // WILL TTYPE
                                   "fffa1800 747479 fff0" // TTYPE IS "tty"
                                   "fffd01 fffd03 fffc1f fffe00")
            << QByteArray::fromHex("61 ff 62 63") << QByteArray::fromHex("78 ffff 79");
    }
    void wire() {
        QFETCH(bool, negotiation);
        QFETCH(QByteArray, incoming);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, sent);
        Peer peer;
        SocketTelnetConnection c;
        Recorder r(c);
        c.setOptionNegotiation(negotiation);
        c.setTerminalType(QStringLiteral("tty"));
        QVERIFY(peer.connect(c));
        peer.socket->write(incoming);
        QTRY_COMPARE_WITH_TIMEOUT(r.received, data, Patience);
        QVERIFY(!c.send(QByteArray::fromHex("78 ff 79")));
        QVERIFY(peer.readAtLeast(answer.size() + sent.size()));
        QCOMPARE(peer.got.toHex(' '), (answer + sent).toHex(' '));
    }

    void lostConnection_data() {
        QTest::addColumn<bool>("negotiation");
        QTest::addColumn<QByteArray>("last"); // what the peer sends before it leaves
        QTest::addColumn<bool>("reset");
        // Random bytes rich in telnet commands and options: nothing may break.
        const QByteArray alphabet = QByteArray::fromHex("ffffff fa f0 fb fc fd fe 18 01 00 03 1f "
                                                        "22 24 27 46 56 5d 0d 0a 61");
        QRandomGenerator random(20240611);
        QByteArray noise(256 * 1024, '\0');
        for (char& byte : noise) {
            byte = random.bounded(4) == 0 ? char(random.bounded(256))
                                          : alphabet.at(random.bounded(int(alphabet.size())));
        }
        QTest::newRow("peer closes") << false << QByteArray("last words") << false;
        QTest::newRow("peer resets") << false << QByteArray() << true;
        QTest::newRow("noise, raw") << false << noise << false;
        QTest::newRow("noise, negotiated") << true << noise << false;
    }
    void lostConnection() {
        QFETCH(bool, negotiation);
        QFETCH(QByteArray, last);
        QFETCH(bool, reset);
        Peer peer;
        SocketTelnetConnection c;
        Recorder r(c);
        c.setOptionNegotiation(negotiation);
        c.setTerminalType(QStringLiteral("tty"));
        QVERIFY(peer.connect(c));
        for (qsizetype at = 0; at < last.size(); at += 997) {
            peer.socket->write(last.mid(at, 997));
            peer.socket->flush();
        }
        if (reset) {
            const linger abortive{1, 0};
            QVERIFY(::setsockopt(int(peer.socket->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                                 &abortive, sizeof abortive) == 0);
            peer.socket->abort();
        } else {
            peer.socket->disconnectFromHost();
        }
        // Closed first, then the error: that order arms the automatic reconnection.
        QTRY_COMPARE_WITH_TIMEOUT(r.afterConnected(), (Events{"state 0", "error 10053"}), Patience);
        QCOMPARE(r.descriptions, QStringList{"Connection aborted"});
        if (!negotiation) {
            QCOMPARE(r.received, last);
            QVERIFY(r.events.lastIndexOf("data") < r.events.indexOf("state 0"));
        }
        QCOMPARE(c.send("x").number, 10057);
        c.close();
        QCOMPARE(r.afterConnected(), (Events{"state 0", "error 10053"}));
        Peer again;
        QVERIFY(again.connect(c));
    }

    // A peer that streams far more than one chunk: every byte is handed over, in
    // order, with nothing but the reader's own takes to drive it (the socket must
    // read from the system again after each chunk, not wait for some other event).
    void longStreamIsReadWhole() {
        Peer peer;
        SocketTelnetConnection c;
        Recorder r(c);
        QVERIFY(peer.connect(c));
        QByteArray stream;
        for (int i = 0; stream.size() < 8 * SocketTelnetConnection::ReadChunk; ++i) {
            stream += QByteArray::number(i) + ' ';
        }
        peer.socket->write(stream);
        QTRY_COMPARE_WITH_TIMEOUT(r.received.size(), stream.size(), Patience);
        QVERIFY(r.received == stream);
    }

    // A peer that reads nothing, sent data by us or made to answer its requests: the
    // bytes waiting to be written stay bounded and the peer is given up as lost.
    void peerThatNeverReads_data() {
        QTest::addColumn<bool>("requests"); // the peer floods telnet DO requests
        QTest::newRow("we keep writing") << false;
        QTest::newRow("its requests make us answer") << true;
    }
    void peerThatNeverReads() {
        QFETCH(bool, requests);
        Peer peer;
        SocketTelnetConnection c;
        Recorder r(c);
        c.setOptionNegotiation(requests);
        QVERIFY(peer.connect(c));
        peer.socket->setReadBufferSize(1);
        const QByteArray piece(16 * 1024, 'p');
        QByteArray doRequests;
        for (int i = 0; i < 16 * 1024; ++i) {
            doRequests.append("\xff\xfd\x27", 3); // DO NEW-ENVIRON, refused each time
        }
        qint64 sent = 0;
        const qint64 before = residentKb();
        qint64 peak = before;
        const bool lost = QTest::qWaitFor(
            [&] {
                if (sent < 400LL * 1024 * 1024) {
                    if (requests && peer.socket->bytesToWrite() < 256 * 1024) {
                        sent += peer.socket->write(doRequests);
                    } else if (!requests && c.send(piece).number == 0) {
                        sent += piece.size();
                    }
                }
                peak = std::max(peak, residentKb());
                return r.events.contains(QStringLiteral("error 10053"));
            },
            60000);
        qInfo("given up after %lld bytes; resident memory %lld kB before, at most %lld kB", sent,
              before, peak);
        QVERIFY(peak - before < 32 * 1024); // what waits to be written stays bounded
        QVERIFY(lost);
        QCOMPARE(r.afterConnected(), (Events{"state 0", "error 10053"}));
    }

    void handlersMayReconnectOrDelete() {
        Peer peer;
        SocketTelnetConnection c;
        Recorder r(c);
        QVERIFY(peer.connect(c));
        // Reconnecting from the Closed report of a loss: the stale error is dropped.
        QObject context;
        connect(&c, &TelnetConnection::stateChanged, &context, [&] {
            if (c.state() == 0) {
                context.disconnect();
                c.connectToHost(Loopback, peer.server.serverPort());
            }
        });
        peer.socket->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(
            r.events, (Events{"state 1", "state 2", "state 0", "state 1", "state 2"}), Patience);

        // Deleting the connection from its data report.
        Peer other;
        QPointer<SocketTelnetConnection> doomed(new SocketTelnetConnection);
        connect(doomed, &TelnetConnection::dataReceived, doomed, [&doomed] { delete doomed; });
        QVERIFY(other.connect(*doomed));
        other.socket->write("bye");
        QTRY_VERIFY_WITH_TIMEOUT(doomed.isNull(), Patience);
    }

    void busyboxTelnetd() {
        const QString busybox = QStandardPaths::findExecutable(QStringLiteral("busybox"));
        if (busybox.isEmpty()) {
            QSKIP("busybox is not installed");
        }
        QTemporaryDir dir;
        const QString login = dir.filePath(QStringLiteral("login.sh"));
        QFile script(login);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho 'Trelvo test shell'\n"
                     "while IFS= read -r line; do echo \"echo:$line\"; done\n");
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        // telnetd takes a port of the system's choosing; its listening socket tells it.
        QProcess telnetd;
        telnetd.start(busybox,
                      {"telnetd", "-F", "-K", "-b", "127.0.0.1:0", "-f", "/dev/null", "-l", login});
        QVERIFY(telnetd.waitForStarted());
        const auto stop = qScopeGuard([&telnetd] {
            telnetd.kill();
            telnetd.waitForFinished();
        });
        const qint32 port = listeningPort(telnetd.processId());
        QVERIFY(port != 0);

        SocketTelnetConnection c;
        Recorder r(c);
        c.setOptionNegotiation(true);
        c.setTerminalType(QStringLiteral("tty"));
        QVERIFY(QTest::qWaitFor( // the daemon listens a moment after it starts
            [&] {
                if (c.state() == 0) {
                    c.connectToHost(Loopback, port);
                }
                return c.state() == 2;
            },
            Patience));
        QTRY_VERIFY_WITH_TIMEOUT(r.received.contains("Trelvo test shell"), Patience);
        QVERIFY(!c.send("hello\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(r.received.contains("echo:hello"), Patience);
        QVERIFY2(!r.received.contains('\xFF'), r.received.toHex(' ').constData());
        c.close();
    }
};

QTEST_GUILESS_MAIN(TestSocketTelnetConnection)
#include "tst_sockettelnetconnection.moc"
