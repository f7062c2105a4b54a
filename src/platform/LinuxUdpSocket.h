#pragma once

#include "platform/UdpSocket.h"

#include <QHostAddress>
#include <QPointer>
#include <QSocketNotifier>

#include <optional>

// The UDP socket on a Linux socket, IPv4 only, watched by a QSocketNotifier.
// Everything runs on the thread that owns the object, driven by the event loop; no
// call waits for the network, except a host name lookup by resolve, or by bind or
// connectSocket given a name, which waits for the system resolver. resolveLater
// asks the resolver on the toolkit's lookup threads and answers with resolved(),
// the first IPv4 address of the name.
//
// Listening: bind(address, port, 17) opens a socket bound to a dotted IPv4
// address ("0.0.0.0" or a blank address: every interface) or to the first IPv4
// address of a host name. The port is not shared: a port that another socket
// holds fails with 10048, whatever that socket's own reuse options.
// Results: 0, or -1 with lastError(): 10048 port in use, 10049 address not on this host (or not
// IPv4), 10013 permission denied (a port below 1024 without the privilege), 11001 name not
// resolved, 10014 port outside 0..65535, 10043 a protocol other than 17, 10056 a socket that is
// already open (disconnect it first).
//
// Receive buffer: every bound socket asks for ReceiveBufferBytes (8 MiB) of kernel
// receive buffer, so that a burst of datagrams arriving while the program is busy
// waits in the kernel instead of being dropped. The kernel doubles the value for
// its own book-keeping and charges each queued datagram its buffer overhead too,
// about 830 bytes for a datagram of 100 bytes on Linux: 8 MiB holds some 20 000
// such datagrams. With the CAP_NET_ADMIN privilege (root) the size is forced
// (SO_RCVBUFFORCE); without it the kernel caps it at net.core.rmem_max (Debian's
// default, 212 992 bytes, holds only about 500 datagrams): raise that limit on a
// station that runs unprivileged, e.g. sysctl -w net.core.rmem_max=8388608.
// receiveBufferSize() tells what the kernel granted.
//
// Reading: readyRead is emitted once per waiting datagram, from the event loop,
// never from inside a call of this class. The reader takes ONE datagram per
// readyRead with read(); as long as datagrams remain after a read, another readyRead
// follows, so none is left behind. A readyRead left unanswered (no read) is not
// repeated until the next read. read() returns the datagram's size (at most
// maxLength bytes; the rest of a longer datagram is discarded), 0 when nothing is
// waiting (an empty datagram also reads as 0), -1 with lastError() on failure:
// 10054 when the peer reported that no one listens (Linux reports it on a
// connected socket only, the emitter), 10038 on a closed socket.
// The datagrams waiting when the event loop looks are handed out in one go, at
// most DeliveryBudget of them, and delivered() follows the last of them: a reader
// may act on what it has read then, in the same turn of the loop. A reader that
// lets events run meanwhile hears of the datagrams that arrive in between.
//
// Emitting: setHostAddress or setHostName (the address wins when both are set) and
// setRemotePort, then connectSocket(17) opens a socket on any local port, connected
// to the target: 0, or 11001 name not resolved, 10049 no target or a port outside
// 1..65535, 10043, 10056 as for bind. write() sends the bytes as one datagram: the
// count, or -1 with 10057 not connected, 10040 more than 65 507 bytes, 10035 the
// kernel's send buffer is full, 10054 the target reported that no one listens
// (after an earlier datagram). An empty write sends nothing and returns 0.
//
// Events, all delivered from the event loop after the call that caused them has
// returned: connected() after a successful connectSocket, disconnected() after
// disconnectSocket closed an open socket, written() after each successful write.
// Every failure is returned by a call: errorOccurred is never emitted.
//
// setBlocking is recorded and has no effect: the socket never blocks.
class LinuxUdpSocket final : public UdpSocket {
    Q_OBJECT

public:
    static constexpr qint32 ReceiveBufferBytes = 8 * 1024 * 1024;
    static constexpr qint32 MaxDatagramBytes = 65507;
    // Waiting datagrams handed out in one turn of the event loop at most.
    static constexpr int DeliveryBudget = 64;

    explicit LinuxUdpSocket(QObject* parent = nullptr);
    ~LinuxUdpSocket() override;

    qint32 disconnectSocket() override;
    qint32 handle() const override { return m_fd; }
    qint32 resolve(const QString& hostName, QString& address) override;
    void resolveLater(const QString& hostName) override;
    void setBlocking(bool blocking) override { m_blocking = blocking; }
    qint32 bind(const QString& address, qint32 port, qint32 protocol) override;
    qint32 read(QByteArray& data, qint32 maxLength) override;
    qint32 lastError() const override { return m_error; }
    QString lastErrorString() const override { return m_errorText; }
    QString remoteAddress() const override { return m_remoteAddress; }
    qint32 remotePort() const override { return m_remotePort; }

    void setHostAddress(const QString& address) override { m_hostAddress = address; }
    void setHostName(const QString& name) override { m_hostName = name; }
    void setRemotePort(qint32 port) override { m_targetPort = port; }
    qint32 connectSocket(qint32 protocol) override;
    qint32 write(const QByteArray& data) override;
    qint32 localPort() const override;

    bool blocking() const { return m_blocking; }
    // The kernel's receive buffer of the open socket in bytes (as the kernel
    // reports it, twice the size granted), 0 when closed.
    qint32 receiveBufferSize() const;

    // The English text of a Windows-socket-style code.
    static QString describe(qint32 code);

private:
    qint32 fail(qint32 code);
    qint32 failFromErrno(int error);
    // A dotted IPv4 address, or the first IPv4 address of a host name.
    qint32 toIPv4(const QString& text, QHostAddress& address);
    // A fresh non-blocking socket, or -1 with the failure recorded.
    int openSocket();
    // Watches the open socket from the event loop.
    void watch();
    void closeSocket();
    void enlargeReceiveBuffer();
    struct Datagram {
        qint64 count = -1; // the datagram's full size; -1 on error
        QByteArray data;
        QString address;
        qint32 port = 0;
        int error = 0; // errno when count is -1
    };
    // The next waiting datagram, or nothing when none waits.
    std::optional<Datagram> receive();
    void onReadable();
    // The notifier watches while nothing read ahead waits for the reader.
    void updateNotifier();

    int m_fd = -1;
    bool m_connected = false; // an emitter's socket, connected to its target
    QPointer<QSocketNotifier> m_notifier;
    bool m_blocking = false;
    qint32 m_error = 0;
    QString m_errorText;
    QString m_remoteAddress;
    qint32 m_remotePort = 0;
    QString m_hostAddress;
    QString m_hostName;
    qint32 m_targetPort = 0;
    // Bumped at every open and close: a delivery for an earlier socket stops.
    quint64 m_generation = 0;
    // Inside the delivery of waiting datagrams.
    bool m_delivering = false;
    // A datagram read ahead of the reader, handed out by the next read.
    std::optional<Datagram> m_held;
    QByteArray m_buffer; // room for the largest datagram
};
