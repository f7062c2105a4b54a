#include "RefusingPort.h"
#include "platform/LinuxUdpSocket.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <functional>
#include <utility>

#include <unistd.h>

namespace {

const QString Loopback = QStringLiteral("127.0.0.1");

// Reads one datagram per readyRead, as the listeners do.
struct Reader {
    explicit Reader(LinuxUdpSocket& reading) : socket(reading) {
        QObject::connect(&reading, &UdpSocket::readyRead, [this] { onReadyRead(); });
    }
    void onReadyRead() {
        ++events;
        QByteArray data;
        const qint32 n = socket.read(data, 1024);
        counts.push_back(n);
        if (n > 0) {
            datagrams.push_back(data);
        }
        if (duringEvent) {
            std::exchange(duringEvent, nullptr)();
        }
    }
    LinuxUdpSocket& socket;
    int events = 0;
    QList<qint32> counts;
    QList<QByteArray> datagrams;
    std::function<void()> duringEvent;
};

} // namespace

class TestLinuxUdpSocket : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void bindReadAndClose();
    void bindFailures();
    void oneReadyReadPerDatagram();
    void burstWhileBusy();
    void emitter();
    void emitterFailures();
};

void TestLinuxUdpSocket::bindReadAndClose() {
    LinuxUdpSocket socket;
    QSignalSpy errors(&socket, &UdpSocket::errorOccurred);
    QCOMPARE(socket.handle(), -1);
    QCOMPARE(socket.bind(Loopback, 0, 17), 0); // the system chooses the port
    QVERIFY(socket.handle() != -1);
    const qint32 port = socket.localPort();
    QVERIFY(port > 0);

    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress::LocalHost, 0));
    sender.writeDatagram("hello", QHostAddress::LocalHost, quint16(port));
    sender.writeDatagram(QByteArray(2000, 'x'), QHostAddress::LocalHost, quint16(port));
    sender.writeDatagram("next", QHostAddress::LocalHost, quint16(port));
    Reader reader(socket);
    QTRY_COMPARE_WITH_TIMEOUT(reader.events, 3, 10000);
    QCOMPARE(reader.counts, (QList<qint32>{5, 1024, 4}));
    QCOMPARE(reader.datagrams.at(0), QByteArray("hello"));
    QCOMPARE(reader.datagrams.at(1), QByteArray(1024, 'x')); // the rest is discarded
    QCOMPARE(reader.datagrams.at(2), QByteArray("next"));
    QCOMPARE(socket.remoteAddress(), Loopback);
    QCOMPARE(socket.remotePort(), qint32(sender.localPort()));

    QByteArray data;
    QCOMPARE(socket.read(data, 1024), 0); // nothing waiting

    QCOMPARE(socket.disconnectSocket(), 0);
    QCOMPARE(socket.handle(), -1);
    QCOMPARE(socket.disconnectSocket(), 0);
    QCOMPARE(socket.read(data, 1024), -1);
    QCOMPARE(socket.lastError(), 10038);
    // Bound to every interface, on the same port again.
    QCOMPARE(socket.bind(QStringLiteral("0.0.0.0"), port, 17), 0);
    sender.writeDatagram("again", QHostAddress::LocalHost, quint16(port));
    QTRY_COMPARE_WITH_TIMEOUT(reader.events, 4, 10000);
    QCOMPARE(reader.datagrams.last(), QByteArray("again"));
    QCOMPARE(errors.count(), 0);
}

void TestLinuxUdpSocket::bindFailures() {
    LinuxUdpSocket first;
    QCOMPARE(first.bind(Loopback, 0, 17), 0);
    const qint32 port = first.localPort();

    LinuxUdpSocket socket;
    QSignalSpy errors(&socket, &UdpSocket::errorOccurred);
    QCOMPARE(socket.bind(Loopback, port, 17), -1);
    QCOMPARE(socket.lastError(), 10048);
    QCOMPARE(socket.lastErrorString(), QStringLiteral("Address already in use"));
    QCOMPARE(socket.handle(), -1);
    // A holder that allows reuse does not let this socket share the port either.
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::LocalHost, 0,
                        QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));
    const qint32 shared = holder.localPort();
    QCOMPARE(socket.bind(Loopback, shared, 17), -1);
    QCOMPARE(socket.lastError(), 10048);

    QCOMPARE(socket.bind(QStringLiteral("192.0.2.1"), port, 17), -1);
    QCOMPARE(socket.lastError(), 10049);
    QCOMPARE(socket.bind(QStringLiteral("no-such-host.invalid"), port, 17), -1);
    QCOMPARE(socket.lastError(), 11001);
    QCOMPARE(socket.bind(Loopback, 70000, 17), -1);
    QCOMPARE(socket.lastError(), 10014);
    QCOMPARE(socket.bind(Loopback, port, 6), -1);
    QCOMPARE(socket.lastError(), 10043);
    if (::geteuid() != 0) {
        QCOMPARE(socket.bind(Loopback, 1, 17), -1);
        QCOMPARE(socket.lastError(), 10013);
    }
    QCOMPARE(socket.handle(), -1);

    // A host name is resolved; an open socket must be closed before binding again.
    QCOMPARE(socket.bind(QStringLiteral("localhost"), 0, 17), 0);
    QCOMPARE(socket.bind(Loopback, 0, 17), -1);
    QCOMPARE(socket.lastError(), 10056);

    QString address;
    QCOMPARE(socket.resolve(QStringLiteral("localhost"), address), 0);
    QCOMPARE(address, Loopback);
    QCOMPARE(socket.resolve(QStringLiteral("no-such-host.invalid"), address), -1);
    QCOMPARE(socket.lastError(), 11001);
    QCOMPARE(LinuxUdpSocket::describe(11001), QStringLiteral("Host not found"));
    QCOMPARE(errors.count(), 0);

    // Without waiting: the event loop runs on until the answers come, in any order.
    QMap<QString, QPair<qint32, QString>> answers;
    connect(&socket, &UdpSocket::resolved, this,
            [&answers](const QString& name, qint32 code, const QString& found) {
                answers.insert(name, {code, found});
            });
    bool loopRan = false;
    QTimer::singleShot(0, this, [&] { loopRan = answers.isEmpty(); });
    socket.resolveLater(QStringLiteral("localhost"));
    socket.resolveLater(QStringLiteral("no-such-host.invalid"));
    socket.resolveLater(QStringLiteral("10.1.2.3"));
    QVERIFY(answers.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(answers.size() == 3, 60000);
    QVERIFY(loopRan);
    QCOMPARE(answers.value(QStringLiteral("localhost")), qMakePair(0, Loopback));
    QCOMPARE(answers.value(QStringLiteral("10.1.2.3")), qMakePair(0, QStringLiteral("10.1.2.3")));
    QCOMPARE(answers.value(QStringLiteral("no-such-host.invalid")).first, 11001);
}

void TestLinuxUdpSocket::oneReadyReadPerDatagram() {
    LinuxUdpSocket socket;
    QCOMPARE(socket.bind(Loopback, 0, 17), 0);
    const qint32 port = socket.localPort();
    Reader reader(socket);
    // The end of each delivery follows its datagrams, in the same turn of the loop.
    int eventsAtEnd = -1;
    QSignalSpy delivered(&socket, &UdpSocket::delivered);
    connect(&socket, &UdpSocket::delivered, this, [&] { eventsAtEnd = reader.events; });
    QUdpSocket sender;
    for (const char* text : {"one", "two", "three"}) {
        sender.writeDatagram(text, QHostAddress::LocalHost, quint16(port));
    }
    QTRY_COMPARE_WITH_TIMEOUT(reader.events, 3, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(eventsAtEnd, 3, 10000);
    QVERIFY(delivered.count() >= 1 && delivered.count() <= 3);
    // A reader that lets events run inside its handler while more datagrams arrive.
    reader.duringEvent = [&] {
        sender.writeDatagram("four", QHostAddress::LocalHost, quint16(port));
        sender.writeDatagram("five", QHostAddress::LocalHost, quint16(port));
        QCoreApplication::processEvents();
    };
    sender.writeDatagram("go", QHostAddress::LocalHost, quint16(port));
    QTRY_COMPARE_WITH_TIMEOUT(reader.datagrams.size(), 6, 10000);
    QTest::qWait(100); // no event without a datagram behind it
    QCOMPARE(reader.events, 6);
    QCOMPARE(reader.datagrams, (QList<QByteArray>{"one", "two", "three", "go", "four", "five"}));
}

void TestLinuxUdpSocket::burstWhileBusy() {
    constexpr int Burst = 10000;
    LinuxUdpSocket socket;
    QCOMPARE(socket.bind(Loopback, 0, 17), 0);
    const qint32 port = socket.localPort();
    if (socket.receiveBufferSize() < LinuxUdpSocket::ReceiveBufferBytes) {
        QSKIP("receive buffer capped by net.core.rmem_max; raise it or run privileged");
    }
    Reader reader(socket);
    QUdpSocket sender;
    // The event loop does not run while the burst arrives.
    for (int i = 0; i < Burst; ++i) {
        QByteArray datagram = QByteArray::number(i).leftJustified(100, '.');
        QCOMPARE(sender.writeDatagram(datagram, QHostAddress::LocalHost, quint16(port)), 100);
    }
    QTRY_COMPARE_WITH_TIMEOUT(reader.datagrams.size(), Burst, 120000);
    QCOMPARE(reader.events, Burst);
    for (int i = 0; i < Burst; i += 997) {
        QCOMPARE(reader.datagrams.at(i), QByteArray::number(i).leftJustified(100, '.'));
    }
}

void TestLinuxUdpSocket::emitter() {
    QUdpSocket listener;
    QVERIFY(listener.bind(QHostAddress::LocalHost, 0));
    LinuxUdpSocket socket;
    QSignalSpy connects(&socket, &UdpSocket::connected);
    QSignalSpy writes(&socket, &UdpSocket::written);
    QSignalSpy disconnects(&socket, &UdpSocket::disconnected);
    QSignalSpy errors(&socket, &UdpSocket::errorOccurred);
    socket.setHostAddress(Loopback);
    socket.setRemotePort(listener.localPort());
    QCOMPARE(socket.connectSocket(17), 0);
    QCOMPARE(connects.count(), 0); // reported from the event loop
    QCOMPARE(socket.write("abc"), 3);
    QCOMPARE(socket.write("defg"), 4);
    QTRY_COMPARE_WITH_TIMEOUT(writes.count(), 2, 10000);
    QCOMPARE(connects.count(), 1);
    for (const QByteArray& expected : {QByteArray("abc"), QByteArray("defg")}) {
        QTRY_VERIFY_WITH_TIMEOUT(listener.hasPendingDatagrams(), 10000);
        QHostAddress from;
        quint16 fromPort = 0;
        QByteArray data(100, '\0');
        data.truncate(listener.readDatagram(data.data(), data.size(), &from, &fromPort));
        QCOMPARE(data, expected);
        QCOMPARE(qint32(fromPort), socket.localPort());
    }
    QCOMPARE(socket.disconnectSocket(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(disconnects.count(), 1, 10000);

    // A host name as the target.
    socket.setHostAddress(QString());
    socket.setHostName(QStringLiteral("localhost"));
    QCOMPARE(socket.connectSocket(17), 0);
    QCOMPARE(socket.write("name"), 4);
    QTRY_VERIFY_WITH_TIMEOUT(listener.hasPendingDatagrams(), 10000);
    QCOMPARE(listener.receiveDatagram().data(), QByteArray("name"));
    QCOMPARE(errors.count(), 0);
}

void TestLinuxUdpSocket::emitterFailures() {
    LinuxUdpSocket socket;
    QSignalSpy errors(&socket, &UdpSocket::errorOccurred);
    QCOMPARE(socket.write("abc"), -1);
    QCOMPARE(socket.lastError(), 10057);
    socket.setHostName(QStringLiteral("no-such-host.invalid"));
    socket.setRemotePort(9);
    QCOMPARE(socket.connectSocket(17), -1);
    QCOMPARE(socket.lastError(), 11001);
    QCOMPARE(socket.handle(), -1);
    socket.setHostAddress(Loopback);
    socket.setRemotePort(0);
    QCOMPARE(socket.connectSocket(17), -1);
    QCOMPARE(socket.lastError(), 10049);

    // No one listens on the target port: the peer's refusal reads as 10054.
    const RefusingPort refusing(RefusingPort::Protocol::Udp);
    QVERIFY(refusing.port() != 0);
    socket.setRemotePort(refusing.port());
    QCOMPARE(socket.connectSocket(17), 0);
    QCOMPARE(socket.write(QByteArray(LinuxUdpSocket::MaxDatagramBytes + 1, 'x')), -1);
    QCOMPARE(socket.lastError(), 10040);
    QSignalSpy readable(&socket, &UdpSocket::readyRead);
    QCOMPARE(socket.write("abc"), 3);
    QTRY_COMPARE_WITH_TIMEOUT(readable.count(), 1, 10000);
    QByteArray data;
    QCOMPARE(socket.read(data, 1024), -1);
    QCOMPARE(socket.lastError(), 10054);
    QCOMPARE(socket.lastErrorString(), QStringLiteral("Connection reset by peer"));
    QCOMPARE(errors.count(), 0);
}

QTEST_GUILESS_MAIN(TestLinuxUdpSocket)
#include "tst_linuxudpsocket.moc"
