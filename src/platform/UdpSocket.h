#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// One UDP socket, listener or emitter, with results in the classic socket
// component's vocabulary: 0 for success, -1 handle when closed, a count or -1 from
// read and write, and Windows-socket-style codes (10048 address in use, 10049
// address not available, 11001 host not found, 10054 reset, 10035 would block, ...)
// with their texts from lastError() and lastErrorString().
class UdpSocket : public QObject {
    Q_OBJECT

public:
    explicit UdpSocket(QObject* parent = nullptr) : QObject(parent) {}

    // Closes the socket; 0 on success (closing a closed socket succeeds too).
    virtual qint32 disconnectSocket() = 0;
    // -1 when no socket is open.
    virtual qint32 handle() const = 0;
    // A host name to a dotted IPv4 address; 0 on success. Waits for the resolver.
    virtual qint32 resolve(const QString& hostName, QString& address) = 0;
    // The same without waiting: resolved(hostName, code, address) follows from the
    // event loop, code 0 with the address, or a Windows-socket-style code (11001)
    // that lastError() and lastErrorString() then tell too.
    virtual void resolveLater(const QString& hostName) = 0;
    // Always set False before binding: the socket works by events.
    virtual void setBlocking(bool blocking) = 0;
    // Opens a socket bound to the local address and port; protocol 17 (UDP). 0 on success.
    virtual qint32 bind(const QString& address, qint32 port, qint32 protocol) = 0;
    // The next datagram, at most maxLength bytes of it: the count, 0 when nothing is
    // waiting, -1 on error.
    virtual qint32 read(QByteArray& data, qint32 maxLength) = 0;
    virtual qint32 lastError() const = 0;
    virtual QString lastErrorString() const = 0;
    // The sender of the last datagram read.
    virtual QString remoteAddress() const = 0;
    virtual qint32 remotePort() const = 0;
    // The local port of the open socket (the one the system chose for port 0), 0
    // when closed.
    virtual qint32 localPort() const = 0;

    // Emission: the target (a dotted address, or a host name), then connect and write.
    virtual void setHostAddress(const QString& address) = 0;
    virtual void setHostName(const QString& name) = 0;
    virtual void setRemotePort(qint32 port) = 0;
    // Opens the socket towards the target; 0 on success.
    virtual qint32 connectSocket(qint32 protocol) = 0;
    // Sends the bytes as one datagram: the count, or -1 on error.
    virtual qint32 write(const QByteArray& data) = 0;

Q_SIGNALS:
    void readyRead(); // once per arriving datagram
    // After the readyRead notices of one turn of the event loop: what was read then
    // may be acted on at once.
    void delivered();
    void errorOccurred(qint32 code, const QString& description);
    void connected();
    void disconnected();
    void written();
    void resolved(const QString& hostName, qint32 code, const QString& address);
};

// Makes one socket: the real one in the program, fakes in tests.
using UdpSocketFactory = std::function<std::unique_ptr<UdpSocket>()>;
