#include "platform/LinuxUdpSocket.h"

#include <QHostInfo>
#include <QMetaObject>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
qint32 codeOf(int error) {
    switch (error) {
    case EADDRINUSE:
        return 10048;
    case EADDRNOTAVAIL:
        return ErrAddressNotAvailable;
    case EACCES:
    case EPERM:
        return 10013;
    case ECONNREFUSED:
    case ECONNRESET:
        return 10054;
    case EMSGSIZE:
        return ErrMessageTooBig;
    case ENETUNREACH:
        return 10051;
    case EHOSTUNREACH:
        return 10065;
    case ENOBUFS:
    case ENOMEM:
    case EMFILE:
    case ENFILE:
        return 10055;
    case EAGAIN:
        return ErrWouldBlock;
    case EAFNOSUPPORT:
        return 10047;
    case EBADF:
    case ENOTSOCK:
        return ErrNotSocket;
    case EINVAL:
        return ErrInvalidArgument;
    case ETIMEDOUT:
        return 10060;
    case ENOTCONN:
        return ErrNotConnected;
    default:
        return 10050;
    }
}

sockaddr_in socketAddressOf(const QHostAddress& address, quint16 port) {
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    in.sin_addr.s_addr = htonl(address.toIPv4Address());
    return in;
}

} // namespace

LinuxUdpSocket::LinuxUdpSocket(QObject* parent) : UdpSocket(parent) {}

LinuxUdpSocket::~LinuxUdpSocket() {
    closeSocket();
}

QString LinuxUdpSocket::describe(qint32 code) {
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

qint32 LinuxUdpSocket::fail(qint32 code) {
    m_error = code;
    m_errorText = describe(code);
    return -1;
}

qint32 LinuxUdpSocket::failFromErrno(int error) {
    return fail(codeOf(error));
}

qint32 LinuxUdpSocket::toIPv4(const QString& text, QHostAddress& address) {
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

void LinuxUdpSocket::resolveLater(const QString& hostName) {
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

qint32 LinuxUdpSocket::resolve(const QString& hostName, QString& address) {
    QHostAddress found;
    if (const qint32 code = toIPv4(hostName, found); code != 0) {
        return fail(code);
    }
    address = found.toString();
    return 0;
}

qint32 LinuxUdpSocket::localPort() const {
    if (m_fd == -1) {
        return 0;
    }
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

qint32 LinuxUdpSocket::receiveBufferSize() const {
    if (m_fd == -1) {
        return 0;
    }
    int size = 0;
    socklen_t length = sizeof size;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, &length) != 0) {
        return 0;
    }
    return size;
}

int LinuxUdpSocket::openSocket() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd == -1) {
        failFromErrno(errno);
    }
    return fd;
}

void LinuxUdpSocket::watch() {
    ++m_generation;
    m_held.reset();
    m_notifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &LinuxUdpSocket::onReadable);
}

void LinuxUdpSocket::closeSocket() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        // Not deleted here: the close may come from inside its own notice.
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_fd != -1) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_connected = false;
    ++m_generation;
    m_held.reset();
}

qint32 LinuxUdpSocket::disconnectSocket() {
    if (m_fd == -1) {
        return 0;
    }
    closeSocket();
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT disconnected(); }, Qt::QueuedConnection);
    return 0;
}

qint32 LinuxUdpSocket::bind(const QString& address, qint32 port, qint32 protocol) {
    if (protocol != Udp) {
        return fail(ErrProtocolNotSupported);
    }
    if (m_fd != -1) {
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
    const int fd = openSocket();
    if (fd == -1) {
        return -1;
    }
    // No address reuse: a port held by another socket must fail here rather than
    // split the traffic between the two.
    const sockaddr_in in = socketAddressOf(local, quint16(port));
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&in), sizeof in) != 0) {
        const int error = errno;
        ::close(fd);
        return failFromErrno(error);
    }
    m_fd = fd;
    enlargeReceiveBuffer();
    watch();
    return 0;
}

void LinuxUdpSocket::enlargeReceiveBuffer() {
    int size = ReceiveBufferBytes;
    // Forced past net.core.rmem_max when privileged, else capped by the kernel.
    if (::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
}

std::optional<LinuxUdpSocket::Datagram> LinuxUdpSocket::receive() {
    if (m_buffer.size() < MaxDatagramBytes + 1) {
        m_buffer.resize(MaxDatagramBytes + 1);
    }
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    // MSG_TRUNC: the datagram's full size, however little of it fits.
    const ssize_t n =
        ::recvfrom(m_fd, m_buffer.data(), size_t(m_buffer.size()), MSG_DONTWAIT | MSG_TRUNC,
                   reinterpret_cast<sockaddr*>(&from), &fromLength);
    Datagram datagram;
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return std::nullopt;
        }
        datagram.error = errno;
        return datagram;
    }
    datagram.count = qint64(n);
    datagram.data = QByteArray(m_buffer.constData(), qMin<qsizetype>(n, m_buffer.size()));
    if (fromLength >= socklen_t(sizeof from) && from.sin_family == AF_INET) {
        datagram.address = QHostAddress(ntohl(from.sin_addr.s_addr)).toString();
        datagram.port = ntohs(from.sin_port);
    }
    return datagram;
}

void LinuxUdpSocket::updateNotifier() {
    const bool watching = !m_delivering && !m_held;
    // Switching a notifier costs the event loop a wake-up: only when it changes.
    if (m_notifier && m_notifier->isEnabled() != watching) {
        m_notifier->setEnabled(watching);
    }
}

void LinuxUdpSocket::onReadable() {
    if (m_fd == -1) {
        return;
    }
    if (m_delivering) {
        // A reader let events run while datagrams wait: they come after its
        // notice, not from inside it, and the loop does not spin on them meanwhile.
        updateNotifier();
        return;
    }
    const quint64 generation = m_generation;
    const QPointer<LinuxUdpSocket> alive(this);
    m_delivering = true;
    bool handedOut = false;
    for (int n = 0; n < DeliveryBudget; ++n) {
        if (!m_held) {
            m_held = receive();
        }
        if (!m_held) {
            break; // nothing more waiting
        }
        Q_EMIT readyRead();
        if (!alive) {
            return;
        }
        handedOut = true;
        if (generation != m_generation || m_held) {
            break; // closed meanwhile, or a notice left unanswered
        }
    }
    if (generation == m_generation) {
        // Watching again: what is still waiting comes at the next turn of the loop.
        m_delivering = false;
        updateNotifier();
    }
    if (handedOut) {
        Q_EMIT delivered();
    }
}

qint32 LinuxUdpSocket::read(QByteArray& data, qint32 maxLength) {
    data.clear();
    if (m_fd == -1) {
        return fail(ErrNotSocket);
    }
    if (maxLength <= 0) {
        return fail(ErrInvalidArgument);
    }
    std::optional<Datagram> datagram = std::exchange(m_held, std::nullopt);
    if (!datagram) {
        datagram = receive();
    }
    if (!m_delivering) {
        updateNotifier(); // a notice left unanswered is answered now
    }
    if (!datagram) {
        return 0; // nothing was waiting
    }
    if (datagram->count < 0) {
        return failFromErrno(datagram->error);
    }
    data = std::move(datagram->data);
    if (data.size() > maxLength) {
        data.truncate(maxLength); // the rest of a longer datagram is discarded
    }
    m_remoteAddress = datagram->address;
    m_remotePort = datagram->port;
    return qint32(data.size());
}

qint32 LinuxUdpSocket::connectSocket(qint32 protocol) {
    if (protocol != Udp) {
        return fail(ErrProtocolNotSupported);
    }
    if (m_fd != -1) {
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
    const int fd = openSocket();
    if (fd == -1) {
        return -1;
    }
    // A UDP connect only records the peer: the socket is connected on return,
    // bound to a port of the kernel's choosing.
    const sockaddr_in in = socketAddressOf(address, quint16(m_targetPort));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&in), sizeof in) != 0) {
        const int error = errno;
        ::close(fd);
        return failFromErrno(error);
    }
    m_fd = fd;
    m_connected = true;
    watch(); // the target's refusal of a datagram reads as an error
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT connected(); }, Qt::QueuedConnection);
    return 0;
}

qint32 LinuxUdpSocket::write(const QByteArray& data) {
    if (m_fd == -1 || !m_connected) {
        return fail(ErrNotConnected);
    }
    if (data.size() > MaxDatagramBytes) {
        return fail(ErrMessageTooBig);
    }
    if (data.isEmpty()) {
        return 0;
    }
    const ssize_t count =
        ::send(m_fd, data.constData(), size_t(data.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (count < 0) {
        return failFromErrno(errno); // EAGAIN: the kernel's send buffer is full
    }
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT written(); }, Qt::QueuedConnection);
    return qint32(count);
}
