#include "platform/QtUdpSocket.h"

#include <QHostInfo>
#include <QMetaObject>
#include <QNetworkProxy>
#include <QPointer>

#include <poll.h>
#include <sys/socket.h>

namespace {

constexpr qint32 Udp = 17;

constexpr qint32 ErrInvalidArgument = 10014;
constexpr qint32 ErrWouldBlock = 10035;
constexpr qint32 ErrNotSocket = 10038;
constexpr qint32 ErrMessageTooBig = 10040;
constexpr qint32 ErrProtocolNotSupported = 10043;
constexpr qint32 ErrAddressNotAvailable = 10049;
constexpr qint32 ErrAlreadyOpen = 10056;
constexpr qint32 ErrNotConnected = 10057;
constexpr qint32 ErrHostNotFound = 11001;

// A failure of the socket layer as a Windows-socket code. A refused datagram is
// reported as a reset, as Windows sockets do for UDP.
qint32 codeOf(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::AddressInUseError:
        return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return ErrAddressNotAvailable;
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::ConnectionRefusedError:
    case QAbstractSocket::RemoteHostClosedError:
        return 10054;
    case QAbstractSocket::DatagramTooLargeError:
        return ErrMessageTooBig;
    case QAbstractSocket::HostNotFoundError:
        return ErrHostNotFound;
    case QAbstractSocket::NetworkError:
        return 10051;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    case QAbstractSocket::TemporaryError:
        return ErrWouldBlock;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return 10047;
    default:
        return 10050;
    }
}

} // namespace

QtUdpSocket::QtUdpSocket(QObject* parent) : UdpSocket(parent) {
    renewSocket();
}

QtUdpSocket::~QtUdpSocket() = default;

QString QtUdpSocket::describe(qint32 code) {
    switch (code) {
    case 10013:
        return QStringLiteral("Permission denied");
    case 10014:
        return QStringLiteral("Invalid argument");
    case 10035:
        return QStringLiteral("The operation would block");
    case 10038:
        return QStringLiteral("The socket is not open");
    case 10040:
        return QStringLiteral("Message too long");
    case 10043:
        return QStringLiteral("Protocol not supported");
    case 10047:
        return QStringLiteral("Address family not supported");
    case 10048:
        return QStringLiteral("Address already in use");
    case 10049:
        return QStringLiteral("Address not available");
    case 10050:
        return QStringLiteral("Network is down");
    case 10051:
        return QStringLiteral("Network is unreachable");
    case 10052:
        return QStringLiteral("Network dropped connection on reset");
    case 10053:
        return QStringLiteral("Connection aborted");
    case 10054:
        return QStringLiteral("Connection reset by peer");
    case 10055:
        return QStringLiteral("No buffer space available");
    case 10056:
        return QStringLiteral("The socket is already open");
    case 10057:
        return QStringLiteral("Socket is not connected");
    case 10058:
        return QStringLiteral("The socket has been shut down");
    case 10060:
        return QStringLiteral("Connection timed out");
    case 10061:
        return QStringLiteral("Connection refused");
    case 10065:
        return QStringLiteral("No route to host");
    case 11001:
        return QStringLiteral("Host not found");
    case 11002:
        return QStringLiteral("Host not found, try again");
    case 11003:
        return QStringLiteral("Non-recoverable name server error");
    case 11004:
        return QStringLiteral("No address for the host name");
    default:
        return QStringLiteral("Unknown error");
    }
}

void QtUdpSocket::renewSocket() {
    // A QUdpSocket keeps the first error of a failed open and reports it again
    // after a later failure, so every open starts on a fresh one.
    if (m_socket != nullptr) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
    }
    m_socket = new QUdpSocket(this);
    m_socket->setProxy(QNetworkProxy::NoProxy);
    connect(m_socket, &QUdpSocket::readyRead, this, &QtUdpSocket::onSocketReadyRead);
    connect(m_socket, &QUdpSocket::errorOccurred, this, &QtUdpSocket::onSocketError);
}

qint32 QtUdpSocket::fail(qint32 code) {
    m_error = code;
    m_errorText = describe(code);
    return -1;
}

qint32 QtUdpSocket::failFromSocket() {
    return fail(codeOf(m_socket->error()));
}

qint32 QtUdpSocket::toIPv4(const QString& text, QHostAddress& address) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return ErrHostNotFound;
    }
    QHostAddress literal;
    if (literal.setAddress(trimmed)) {
        if (literal.protocol() != QAbstractSocket::IPv4Protocol) {
            return ErrAddressNotAvailable;
        }
        address = literal;
        return 0;
    }
    // The system resolver answers from its files or the network; the caller
    // needs the address at once.
    const QHostInfo info = QHostInfo::fromName(trimmed);
    for (const QHostAddress& found : info.addresses()) {
        if (found.protocol() == QAbstractSocket::IPv4Protocol) {
            address = found;
            return 0;
        }
    }
    return ErrHostNotFound;
}

void QtUdpSocket::resolveLater(const QString& hostName) {
    const QString trimmed = hostName.trimmed();
    QHostAddress literal;
    if (trimmed.isEmpty() || literal.setAddress(trimmed)) {
        QHostAddress address;
        const qint32 code = toIPv4(trimmed, address);
        const QString dotted = code == 0 ? address.toString() : QString();
        QMetaObject::invokeMethod(
            this,
            [this, hostName, code, dotted] {
                if (code != 0) {
                    fail(code);
                }
                Q_EMIT resolved(hostName, code, dotted);
            },
            Qt::QueuedConnection);
        return;
    }
    QHostInfo::lookupHost(trimmed, this, [this, hostName](const QHostInfo& info) {
        for (const QHostAddress& found : info.addresses()) {
            if (found.protocol() == QAbstractSocket::IPv4Protocol) {
                Q_EMIT resolved(hostName, 0, found.toString());
                return;
            }
        }
        fail(ErrHostNotFound); // for lastError() and its text
        Q_EMIT resolved(hostName, ErrHostNotFound, QString());
    });
}

qint32 QtUdpSocket::handle() const {
    if (m_socket->state() == QAbstractSocket::UnconnectedState) {
        return -1;
    }
    return qint32(m_socket->socketDescriptor());
}

qint32 QtUdpSocket::localPort() const {
    return m_socket->state() == QAbstractSocket::UnconnectedState ? 0 : m_socket->localPort();
}

qint32 QtUdpSocket::receiveBufferSize() const {
    const qint32 fd = handle();
    if (fd == -1) {
        return 0;
    }
    int size = 0;
    socklen_t length = sizeof size;
    if (::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, &length) != 0) {
        return 0;
    }
    return size;
}

qint32 QtUdpSocket::disconnectSocket() {
    if (m_socket->state() == QAbstractSocket::UnconnectedState) {
        return 0;
    }
    ++m_callDepth;
    m_socket->abort();
    --m_callDepth;
    ++m_generation;
    m_readyReadQueued = false;
    m_held.reset();
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT disconnected(); }, Qt::QueuedConnection);
    return 0;
}

qint32 QtUdpSocket::resolve(const QString& hostName, QString& address) {
    QHostAddress found;
    if (const qint32 code = toIPv4(hostName, found); code != 0) {
        return fail(code);
    }
    address = found.toString();
    return 0;
}

qint32 QtUdpSocket::bind(const QString& address, qint32 port, qint32 protocol) {
    if (protocol != Udp) {
        return fail(ErrProtocolNotSupported);
    }
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        return fail(ErrAlreadyOpen);
    }
    if (port < 0 || port > 65535) {
        return fail(ErrInvalidArgument);
    }
    QHostAddress local(QHostAddress::AnyIPv4);
    if (!address.trimmed().isEmpty()) {
        if (const qint32 code = toIPv4(address, local); code != 0) {
            return fail(code);
        }
    }
    renewSocket();
    ++m_callDepth;
    // Not shared: a port held by another socket must fail here rather than split
    // the traffic between the two.
    const bool bound = m_socket->bind(local, quint16(port), QAbstractSocket::DontShareAddress);
    --m_callDepth;
    if (!bound) {
        const qint32 result = failFromSocket();
        m_socket->abort();
        return result;
    }
    ++m_generation;
    m_readyReadQueued = false;
    m_held.reset();
    enlargeReceiveBuffer();
    return 0;
}

void QtUdpSocket::enlargeReceiveBuffer() {
    const int fd = int(m_socket->socketDescriptor());
    int size = ReceiveBufferBytes;
    // Forced past net.core.rmem_max when privileged, else capped by the kernel.
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
}

bool QtUdpSocket::readable() const {
    const qint32 fd = handle();
    if (fd == -1) {
        return false;
    }
    // poll leaves a pending error in place for the read that reports it.
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLIN | POLLERR)) != 0;
}

void QtUdpSocket::onSocketReadyRead() {
    if (m_callDepth == 0 && !m_delivering && !m_readyReadQueued) {
        // The socket's own notice, from the event loop: handed on at once, without a
        // further turn of the loop.
        deliverReadyRead(m_generation);
        return;
    }
    scheduleReadyRead();
}

void QtUdpSocket::scheduleReadyRead() {
    if (m_readyReadQueued) {
        return;
    }
    m_readyReadQueued = true;
    const quint64 generation = m_generation;
    // Delivered from the event loop, outside the socket's own signal, so that a
    // reader that lets events run still hears of the datagrams that arrive meanwhile.
    QMetaObject::invokeMethod(
        this, [this, generation] { deliverReadyRead(generation); }, Qt::QueuedConnection);
}

void QtUdpSocket::deliverReadyRead(quint64 generation) {
    if (generation != m_generation) {
        return;
    }
    m_readyReadQueued = false;
    const auto state = m_socket->state();
    if (state != QAbstractSocket::BoundState && state != QAbstractSocket::ConnectedState) {
        return;
    }
    if (!m_held && !readable()) {
        // A notice of the socket for a datagram that a read has taken meanwhile.
        // The socket gives no further notice until a read finds the queue empty,
        // so read once more; what arrived in between is kept for the reader.
        Datagram late = receive(MaxDatagramBytes);
        if (late.count < 0 && late.error == QAbstractSocket::TemporaryError) {
            return;
        }
        m_held = std::move(late);
    }
    // The datagrams waiting now are handed out in one go, one readyRead each, as long
    // as the reader takes them: a burst costs one turn of the event loop per
    // DeliveryBudget datagrams, not one per datagram.
    const QPointer<QtUdpSocket> alive(this);
    m_delivering = true;
    bool taken = false;
    for (int n = 0; n < DeliveryBudget; ++n) {
        const quint64 reads = m_reads;
        Q_EMIT readyRead();
        if (!alive) {
            return;
        }
        taken = m_reads != reads;
        if (!taken || generation != m_generation || (!m_held && !readable())) {
            break;
        }
    }
    m_delivering = false;
    if (taken && generation == m_generation && (m_held || readable())) {
        scheduleReadyRead(); // the rest after the other events
    }
}

QtUdpSocket::Datagram QtUdpSocket::receive(qint32 maxLength) {
    Datagram datagram;
    datagram.data.resize(maxLength);
    QHostAddress sender;
    quint16 senderPort = 0;
    ++m_callDepth;
    // Reads one datagram; the kernel discards what does not fit.
    datagram.count = m_socket->readDatagram(datagram.data.data(), maxLength, &sender, &senderPort);
    --m_callDepth;
    if (datagram.count < 0) {
        datagram.data.clear();
        datagram.error = m_socket->error();
    } else {
        datagram.data.truncate(qsizetype(datagram.count));
        datagram.address = sender.toString();
        datagram.port = senderPort;
    }
    return datagram;
}

qint32 QtUdpSocket::read(QByteArray& data, qint32 maxLength) {
    data.clear();
    const auto state = m_socket->state();
    if (state != QAbstractSocket::BoundState && state != QAbstractSocket::ConnectedState) {
        return fail(ErrNotSocket);
    }
    if (maxLength <= 0) {
        return fail(ErrInvalidArgument);
    }
    Datagram datagram;
    if (m_held) {
        datagram = std::move(*m_held);
        m_held.reset();
        if (datagram.count > maxLength) {
            datagram.count = maxLength;
            datagram.data.truncate(maxLength);
        }
    } else {
        datagram = receive(maxLength);
    }
    ++m_reads;
    if (!m_delivering && readable()) {
        scheduleReadyRead();
    }
    if (datagram.count < 0) {
        if (datagram.error == QAbstractSocket::TemporaryError) {
            return 0; // nothing was waiting
        }
        return fail(codeOf(datagram.error));
    }
    data = std::move(datagram.data);
    m_remoteAddress = datagram.address;
    m_remotePort = datagram.port;
    return qint32(datagram.count);
}

qint32 QtUdpSocket::connectSocket(qint32 protocol) {
    if (protocol != Udp) {
        return fail(ErrProtocolNotSupported);
    }
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        return fail(ErrAlreadyOpen);
    }
    if (m_targetPort < 1 || m_targetPort > 65535) {
        return fail(ErrAddressNotAvailable);
    }
    const QString target = m_hostAddress.trimmed().isEmpty() ? m_hostName : m_hostAddress;
    if (target.trimmed().isEmpty()) {
        return fail(ErrAddressNotAvailable);
    }
    QHostAddress address;
    if (const qint32 code = toIPv4(target, address); code != 0) {
        return fail(code);
    }
    renewSocket();
    ++m_callDepth;
    // A UDP connect only records the peer: the socket is connected on return,
    // bound to a port of the kernel's choosing.
    m_socket->connectToHost(address, quint16(m_targetPort));
    --m_callDepth;
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        const qint32 result = failFromSocket();
        m_socket->abort();
        return result;
    }
    ++m_generation;
    m_readyReadQueued = false;
    m_held.reset();
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT connected(); }, Qt::QueuedConnection);
    return 0;
}

qint32 QtUdpSocket::write(const QByteArray& data) {
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        return fail(ErrNotConnected);
    }
    if (data.size() > MaxDatagramBytes) {
        return fail(ErrMessageTooBig);
    }
    if (data.isEmpty()) {
        return 0;
    }
    ++m_callDepth;
    const qint64 count = m_socket->write(data);
    --m_callDepth;
    if (count < 0) {
        return failFromSocket();
    }
    if (count == 0) {
        return fail(ErrWouldBlock); // the kernel's send buffer is full
    }
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT written(); }, Qt::QueuedConnection);
    return qint32(count);
}

void QtUdpSocket::onSocketError(QAbstractSocket::SocketError error) {
    if (m_callDepth > 0) {
        return;
    }
    const qint32 code = codeOf(error);
    Q_EMIT errorOccurred(code, describe(code));
}
