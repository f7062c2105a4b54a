// The least relay the toolkit allows, as a floor for bench_relay: one UDP socket
// whose read event writes the "<SD4:...>" command of each datagram on one telnet
// session to the simulator and reads its answers. No log, no queue, no checks.
//
//     bench_toolkit_relay <simulator port>   (prints "listening on 127.0.0.1:<port>")
#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QTcpSocket>
#include <QUdpSocket>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_toolkit_relay <simulator port>\n");
        return 2;
    }
    QTcpSocket session;
    session.connectToHost(QStringLiteral("127.0.0.1"), quint16(QByteArray(argv[1]).toUShort()));
    if (!session.waitForConnected(5000)) {
        return 3;
    }
    session.write("login admin,ravin\r\n");
    QObject::connect(&session, &QTcpSocket::readyRead, [&] { session.readAll(); });
    QUdpSocket player;
    player.bind(QHostAddress::LocalHost, 0);
    // The same 8 MiB receive buffer as the program asks for: a burst is not lost.
    player.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 8 * 1024 * 1024);
    QObject::connect(&player, &QUdpSocket::readyRead, [&] {
        while (player.hasPendingDatagrams()) {
            const QByteArray data = player.receiveDatagram().data();
            const qsizetype start = data.indexOf("<SD4:");
            const qsizetype end = data.indexOf('>', start + 5);
            if (start >= 0 && end > start) {
                session.write(data.mid(start + 5, end - start - 5) + "\r\n");
            }
        }
    });
    std::printf("listening on 127.0.0.1:%u\n", unsigned(player.localPort()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
