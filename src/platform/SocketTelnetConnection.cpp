#include "platform/SocketTelnetConnection.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include <cerrno>
#include <cstddef>
#include <libtelnet.h>
#include <sys/socket.h>

#include <utility>

namespace {

const QString Source = QStringLiteral("Telnet");

// The options this client takes part in: it announces its terminal type, and lets
// the peer echo and suppress go-ahead. Every other option is refused.
const telnet_telopt_t Telopts[] = {
    {TELNET_TELOPT_TTYPE, TELNET_WILL, TELNET_DONT},
    {TELNET_TELOPT_ECHO, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_SGA, TELNET_WONT, TELNET_DO},
    {-1, 0, 0},
};

// How long a closed connection may take to hand its last bytes to the peer.
constexpr int GracefulCloseMs = 5000;

constexpr qint32 ErrAddressNotAvailable = 10049;
constexpr qint32 ErrAborted = 10053;
constexpr qint32 ErrNotConnected = 10057;
constexpr qint32 ErrTimedOut = 10060;

// Why a connect attempt failed, as a Windows-socket code.
qint32 connectErrorCode(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return 10061;
    case QAbstractSocket::HostNotFoundError:
        return 11001;
    case QAbstractSocket::SocketTimeoutError:
        return ErrTimedOut;
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return 10047;
    case QAbstractSocket::AddressInUseError:
        return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return ErrAddressNotAvailable;
    case QAbstractSocket::RemoteHostClosedError:
        return ErrAborted;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    case QAbstractSocket::NetworkError:
        return 10065;
    default:
        return 10050;
    }
}

AppError errorOf(qint32 code) {
    return AppError{code, SocketTelnetConnection::describe(code), Source};
}

} // namespace

void SocketTelnetConnection::TelnetDeleter::operator()(telnet_t* telnet) const {
    telnet_free(telnet);
}

SocketTelnetConnection::SocketTelnetConnection(QObject* parent) : TelnetConnection(parent) {
    m_connectTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, &SocketTelnetConnection::onConnectTimeout);
    m_gatherTimer.setSingleShot(true);
    m_gatherTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_gatherTimer, &QTimer::timeout, this, &SocketTelnetConnection::flushGathered);
    m_stallTimer.setSingleShot(true);
    connect(&m_stallTimer, &QTimer::timeout, this, [this] {
        if (m_socket && m_state == Connected && m_socket->bytesToWrite() > 0) {
            fail(ErrAborted); // a peer that reads nothing is as good as gone
        }
    });
}

SocketTelnetConnection::~SocketTelnetConnection() {
    retireSocket(false);
}

QString SocketTelnetConnection::describe(qint32 code) {
    switch (code) {
    case 10013:
        return QStringLiteral("Permission denied");
    case 10047:
        return QStringLiteral("Address family not supported");
    case 10048:
        return QStringLiteral("Address already in use");
    case 10049:
        return QStringLiteral("Address not available");
    case 10050:
        return QStringLiteral("Network is down");
    case 10053:
        return QStringLiteral("Connection aborted");
    case 10054:
        return QStringLiteral("Connection reset by peer");
    case 10055:
        return QStringLiteral("No buffer space available");
    case 10057:
        return QStringLiteral("Socket is not connected");
    case 10060:
        return QStringLiteral("Connection timed out");
    case 10061:
        return QStringLiteral("Connection refused");
    case 10065:
        return QStringLiteral("No route to host");
    case 11001:
        return QStringLiteral("Host not found");
    default:
        return QStringLiteral("Unknown error");
    }
}

void SocketTelnetConnection::connectToHost(const QString& host, qint32 port) {
    if (m_state == Connecting || m_state == Connected) {
        QPointer<SocketTelnetConnection> alive(this);
        close();
        // A handler of the close reports may have deleted the object or opened a
        // newer connection; that one stands.
        if (!alive || m_state != Closed) {
            return;
        }
    }
    // Still Closing: a handler of the Closing report connects again, and this
    // attempt supersedes the rest of that close.
    const quint64 attempt = ++m_attempt;
    m_received.clear();
    m_terminalTypeAgreed = false;
    m_telnet.reset(telnet_init(Telopts, &SocketTelnetConnection::onTelnetEvent, 0, this));

    if (port <= 0 || port > 65535) {
        if (m_state != Closed && !reportState(Closed)) {
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, attempt] {
                if (attempt == m_attempt && m_state == Closed) {
                    reportError(ErrAddressNotAvailable);
                }
            },
            Qt::QueuedConnection);
        return;
    }

    // A host field may carry stray blanks around the name.
    const QString name = host.trimmed();
    auto* socket = new QTcpSocket;
    socket->setProxy(QNetworkProxy::NoProxy); // the units are on the station's own network
    m_socket = socket;
    connect(socket, &QTcpSocket::connected, this, &SocketTelnetConnection::onConnected);
    // Qt stops reading from the system when its own buffer is full.
    socket->setReadBufferSize(ReadChunk);
    connect(socket, &QTcpSocket::readyRead, this, &SocketTelnetConnection::onReadyRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &SocketTelnetConnection::onBytesWritten);
    connect(socket, &QTcpSocket::disconnected, this, &SocketTelnetConnection::onDisconnected);
    connect(socket, &QAbstractSocket::errorOccurred, this, &SocketTelnetConnection::onSocketError);

    if (!reportState(Connecting)) {
        return;
    }
    if (m_timeout > 0) {
        m_connectTimer.start(m_timeout);
    }
    // Started from the event loop, so that every outcome is reported after
    // connectToHost has returned, even a refusal the system gives at once.
    QMetaObject::invokeMethod(
        this,
        [this, attempt, name, port] {
            if (attempt == m_attempt && m_socket) {
                m_socket->connectToHost(name, quint16(port));
            }
        },
        Qt::QueuedConnection);
}

AppError SocketTelnetConnection::send(const QByteArray& bytes) {
    if (m_state != Connected) {
        return errorOf(ErrNotConnected);
    }
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState) {
        return errorOf(ErrAborted);
    }
    m_writeFailed = false;
    if (m_negotiation && m_telnet) {
        telnet_send(m_telnet.get(), bytes.constData(), std::size_t(bytes.size()));
    } else {
        writeWire(bytes.constData(), bytes.size());
    }
    return m_writeFailed ? errorOf(ErrAborted) : AppError{};
}

QByteArray SocketTelnetConnection::receive() {
    QByteArray chunk;
    if (m_received.size() <= ReadChunk) {
        chunk = std::exchange(m_received, QByteArray());
    } else {
        chunk = m_received.left(ReadChunk);
        m_received.remove(0, ReadChunk);
    }
    // The rest, and what waits in the socket, are announced from the event loop.
    const bool more = !m_received.isEmpty() || (m_socket && m_socket->bytesAvailable() > 0);
    if (more && !m_moreAnnounced && m_state == Connected) {
        m_moreAnnounced = true;
        const quint64 attempt = m_attempt;
        QMetaObject::invokeMethod(
            this,
            [this, attempt] {
                m_moreAnnounced = false;
                if (attempt != m_attempt || m_state != Connected) {
                    return;
                }
                if (m_received.isEmpty()) {
                    readSocket();
                } else {
                    reportData();
                }
            },
            Qt::QueuedConnection);
    }
    return chunk;
}

void SocketTelnetConnection::readSocket() {
    if (!m_socket || m_state != Connected || m_received.size() >= ReadChunk) {
        return; // the chunk not yet taken holds back the next one
    }
    const qsizetype before = m_received.size();
    // One byte more than there is room for: the socket holds at most ReadChunk, so
    // no more arrives, and asking past what it holds makes it read from the system
    // again. Asked for exactly what it holds, it served its buffer and left its
    // notices from the system off until some later read.
    takeIncoming(m_socket->read(ReadChunk - m_received.size() + 1));
    if (m_received.size() != before) {
        reportData();
    }
}

void SocketTelnetConnection::onBytesWritten() {
    if (!m_socket) {
        return;
    }
    if (m_socket->bytesToWrite() > 0) {
        m_stallTimer.start(m_stallTimeout); // the peer took some: it has time again
    } else {
        m_stallTimer.stop();
    }
}

void SocketTelnetConnection::loseLater() {
    const quint64 attempt = m_attempt;
    QMetaObject::invokeMethod(
        this,
        [this, attempt] {
            if (attempt == m_attempt && m_state == Connected) {
                fail(ErrAborted);
            }
        },
        Qt::QueuedConnection);
}

void SocketTelnetConnection::close() {
    if (m_state == Closed || m_state == Closing) {
        return;
    }
    ++m_attempt;
    m_connectTimer.stop();
    retireSocket(true);
    if (!reportState(Closing)) {
        return;
    }
    reportState(Closed);
}

void SocketTelnetConnection::onConnected() {
    if (!m_socket || m_state != Connecting) {
        return;
    }
    m_connectTimer.stop();
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    reportState(Connected);
}

void SocketTelnetConnection::onReadyRead() {
    readSocket();
}

void SocketTelnetConnection::onSocketError(QAbstractSocket::SocketError socketError) {
    if (!m_socket || socketError == QAbstractSocket::TemporaryError) {
        return;
    }
    if (m_flushing) {
        m_writeFailed = true;
        loseLater();
        return;
    }
    if (m_state == Connecting) {
        fail(connectErrorCode(socketError));
    } else if (m_state == Connected) {
        fail(ErrAborted);
    }
}

void SocketTelnetConnection::onDisconnected() {
    if (m_flushing) {
        m_writeFailed = true;
        loseLater();
        return;
    }
    if (m_socket && (m_state == Connecting || m_state == Connected)) {
        fail(ErrAborted);
    }
}

void SocketTelnetConnection::onConnectTimeout() {
    if (m_socket && m_state == Connecting) {
        fail(ErrTimedOut);
    }
}

void SocketTelnetConnection::fail(qint32 code) {
    m_connectTimer.stop();
    if (m_state == Connecting) {
        retireSocket(false);
        if (reportError(code)) {
            reportState(Closed);
        }
        return;
    }
    // Lost: what arrived before the loss is handed over first, then the closed
    // state, and the error last.
    const qsizetype before = m_received.size();
    if (m_socket) {
        takeIncoming(m_socket->readAll());
    }
    retireSocket(false);
    if (m_received.size() != before && !reportData()) {
        return;
    }
    if (reportState(Closed)) {
        reportError(code);
    }
}

void SocketTelnetConnection::retireSocket(bool graceful) {
    if (graceful) {
        flushGathered(); // a logout sent just before the close still leaves
    }
    m_gatherTimer.stop();
    m_stallTimer.stop();
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    if (!socket) {
        return;
    }
    socket->disconnect(this);
    if (graceful && socket->state() == QAbstractSocket::ConnectedState) {
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(GracefulCloseMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        socket->disconnectFromHost();
        return;
    }
    socket->abort();
    socket->deleteLater();
}

bool SocketTelnetConnection::reportState(State state) {
    m_state = state;
    const quint64 attempt = m_attempt;
    QPointer<SocketTelnetConnection> alive(this);
    Q_EMIT stateChanged();
    return alive && attempt == m_attempt;
}

bool SocketTelnetConnection::reportError(qint32 code) {
    const quint64 attempt = m_attempt;
    QPointer<SocketTelnetConnection> alive(this);
    Q_EMIT errorOccurred(code, describe(code));
    return alive && attempt == m_attempt;
}

bool SocketTelnetConnection::reportData() {
    const quint64 attempt = m_attempt;
    QPointer<SocketTelnetConnection> alive(this);
    Q_EMIT dataReceived();
    return alive && attempt == m_attempt;
}

void SocketTelnetConnection::writeWire(const char* bytes, qsizetype size) {
    if (m_writeFailed) {
        return;
    }
    if (m_socket && m_socket->bytesToWrite() + size > MaxWriteBacklog) {
        // The peer takes nothing of what it is sent: it is lost, like a dropped one.
        m_writeFailed = true;
        loseLater();
        return;
    }
    const bool quiet = !m_gatherTimer.isActive() &&
                       (!m_sinceWrite.isValid() || m_sinceWrite.elapsed() >= CoalesceMs);
    if (quiet && m_socket && m_socket->state() == QAbstractSocket::ConnectedState &&
        m_socket->bytesToWrite() == 0) {
        // After a quiet moment, straight to the system: no turn of the event loop
        // for the socket's own write notice (nor the wake-ups of switching it on
        // and off), and the command is on its way at once. What the system does
        // not take now waits in the socket.
        m_sinceWrite.start();
        const ssize_t sent = ::send(int(m_socket->socketDescriptor()), bytes, std::size_t(size),
                                    MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            m_writeFailed = true; // reset or shut down by the peer: lost
            loseLater();
            return;
        }
        if (sent == size) {
            return;
        }
        const qsizetype taken = sent > 0 ? qsizetype(sent) : 0;
        bytes += taken;
        size -= taken;
        if (m_socket->write(bytes, size) != size) {
            m_writeFailed = true;
            return;
        }
    } else {
        if (!m_socket || m_socket->write(bytes, size) != size) {
            m_writeFailed = true;
            return;
        }
        if (quiet) {
            flushSocket();
            m_sinceWrite.start();
        } else if (!m_gatherTimer.isActive()) {
            // Soon after another write: the socket keeps it with the ones that follow,
            // and they leave together at the next turn of the event loop.
            m_gatherTimer.start(0);
        }
    }
    if (!m_stallTimer.isActive()) {
        m_stallTimer.start(m_stallTimeout);
    }
}

void SocketTelnetConnection::flushGathered() {
    m_gatherTimer.stop();
    if (m_socket) {
        m_sinceWrite.start();
        flushSocket();
    }
}

void SocketTelnetConnection::flushSocket() {
    // A failure the socket reports from inside the flush is passed on from the
    // event loop, after the call that wrote has returned.
    m_flushing = true;
    const QPointer<SocketTelnetConnection> alive(this);
    if (m_socket) {
        m_socket->flush();
    }
    if (alive) {
        m_flushing = false;
    }
}

void SocketTelnetConnection::takeIncoming(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return;
    }
    if (m_negotiation && m_telnet) {
        // The parser calls back with the data and the answers to send; nothing is
        // emitted from inside it.
        telnet_recv(m_telnet.get(), bytes.constData(), std::size_t(bytes.size()));
    } else {
        m_received += bytes;
    }
}

void SocketTelnetConnection::onTelnetEvent(telnet_t* telnet, telnet_event_t* event, void* self) {
    auto* connection = static_cast<SocketTelnetConnection*>(self);
    switch (event->type) {
    case TELNET_EV_DATA:
        connection->m_received.append(event->data.buffer, qsizetype(event->data.size));
        break;
    case TELNET_EV_SEND:
        connection->writeWire(event->data.buffer, qsizetype(event->data.size));
        break;
    case TELNET_EV_DO:
        if (event->neg.telopt == TELNET_TELOPT_TTYPE) {
            connection->m_terminalTypeAgreed = true;
        }
        break;
    case TELNET_EV_DONT:
        if (event->neg.telopt == TELNET_TELOPT_TTYPE) {
            connection->m_terminalTypeAgreed = false;
        }
        break;
    case TELNET_EV_TTYPE:
        // Only once the option is agreed: an unasked SEND gets no answer.
        if (event->ttype.cmd == TELNET_TTYPE_SEND && connection->m_terminalTypeAgreed) {
            telnet_ttype_is(telnet, connection->wireTerminalType().constData());
        }
        break;
    default:
        // Other commands, warnings and protocol errors: the parser has already
        // recovered, and the data goes on.
        break;
    }
}

QByteArray SocketTelnetConnection::wireTerminalType() const {
    QByteArray type;
    for (const QChar c : m_terminalType) {
        if (c.unicode() > 0x20 && c.unicode() < 0x7F) {
            type += char(c.unicode());
        }
    }
    return type.isEmpty() ? QByteArrayLiteral("UNKNOWN") : type;
}
