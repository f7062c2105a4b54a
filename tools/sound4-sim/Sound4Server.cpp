#include "Sound4Server.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <ctime>
#include <deque>
#include <libtelnet.h>
#include <sys/socket.h>

namespace sound4sim {

namespace {

constexpr int BareLogoutIdleMs = 100;     // a lone "logout" counts as a line after this quiet time
constexpr int FragmentPauseMs = 5;        // pause between two chunks of a fragmented answer
constexpr qint64 StreamChunk = 64 * 1024; // a stream fault writes this much at a time

const telnet_telopt_t telnetOptions[] = {
    {TELNET_TELOPT_TTYPE, TELNET_WONT, TELNET_DO},
    {TELNET_TELOPT_ECHO, TELNET_WILL, TELNET_DONT},
    {TELNET_TELOPT_SGA, TELNET_WILL, TELNET_DO},
    {-1, 0, 0},
};

// One client connection on a unit's port.
class Connection : public QObject {
public:
    Connection(QTcpSocket* socket, UnitState& unit, const ServerOptions& options,
               Recorder& recorder, QObject* parent)
        : QObject(parent), m_socket(socket), m_options(options), m_recorder(recorder),
          m_dialect(unit, options.dialect) {
        m_socket->setParent(this);
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_clock.start();
        m_idle.setSingleShot(true);
        m_pump.setSingleShot(true);
        connect(&m_idle, &QTimer::timeout, this, [this] {
            if (m_lines.holdsBareLogout()) {
                handleLine(m_lines.takeBareLogout());
            }
        });
        connect(&m_pump, &QTimer::timeout, this, [this] { pump(); });
        connect(m_socket, &QTcpSocket::readyRead, this, [this] { readAll(); });
        connect(m_socket, &QTcpSocket::disconnected, this, [this] {
            // A "logout" just before the client closed still counts as received.
            if (!m_dropped && m_lines.holdsBareLogout()) {
                m_recorder.write(m_lines.takeBareLogout());
            }
            m_idle.stop();
            m_pump.stop();
            deleteLater();
        });
        if (options.neverRead) {
            m_socket->setReadBufferSize(1); // what the client sends stays in the system
            disconnect(m_socket, &QTcpSocket::readyRead, this, nullptr);
        }
        m_streamLeft = options.noLineEnds + options.iacBytes;
        if (m_streamLeft > 0 || options.flood) {
            connect(m_socket, &QTcpSocket::bytesWritten, this, [this] { stream(); });
            QTimer::singleShot(0, this, [this] { stream(); });
        }
        if (options.negotiate) {
            m_telnet = telnet_init(telnetOptions, &Connection::telnetEvent, 0, this);
            telnet_negotiate(m_telnet, TELNET_DO, TELNET_TELOPT_TTYPE);
            telnet_negotiate(m_telnet, TELNET_WILL, TELNET_TELOPT_ECHO);
            telnet_negotiate(m_telnet, TELNET_WILL, TELNET_TELOPT_SGA);
        }
    }

    ~Connection() override {
        m_socket->disconnect(this);
        if (m_telnet != nullptr) {
            telnet_free(m_telnet);
        }
    }

private:
    struct Pending {
        qint64 due;
        QByteArray bytes;
    };

    void readAll() {
        const QByteArray bytes = m_socket->readAll();
        if (m_dropped || bytes.isEmpty()) {
            return;
        }
        if (m_telnet != nullptr) {
            telnet_recv(m_telnet, bytes.constData(), static_cast<size_t>(bytes.size()));
        } else {
            receive(bytes);
        }
    }

    void receive(const QByteArray& bytes) {
        for (const QByteArray& line : m_lines.feed(bytes)) {
            handleLine(line);
            if (m_dropped) {
                return;
            }
        }
        if (m_lines.holdsBareLogout()) {
            m_idle.start(BareLogoutIdleMs);
        } else {
            m_idle.stop();
        }
    }

    // The stream faults: bytes without a line end, telnet requests, or short
    // lines, written as fast as the client takes them.
    void stream() {
        if (m_dropped || m_socket->bytesToWrite() > StreamChunk) {
            return;
        }
        QByteArray chunk;
        if (m_options.flood) {
            static const QByteArray line = "NOTICE : input level changed\r\n";
            while (chunk.size() < StreamChunk) {
                chunk += line;
            }
        } else if (m_streamLeft > 0) {
            const qsizetype size = qsizetype(std::min(m_streamLeft, StreamChunk));
            if (m_options.iacBytes > 0) {
                static const char request[] = {char(0xFF), char(0xFD), char(0x27)}; // DO 39
                chunk.reserve(size);
                while (chunk.size() + 3 <= size) {
                    chunk.append(request, 3);
                }
            } else {
                chunk = QByteArray(size, 'x');
            }
            m_streamLeft -= size;
        }
        if (!chunk.isEmpty()) {
            m_socket->write(chunk);
        }
    }

    void handleLine(const QByteArray& line) {
        if (m_dropped) {
            return;
        }
        m_recorder.write(line);
        ++m_received;
        if (m_options.dropAfter > 0 && m_received >= m_options.dropAfter) {
            drop();
            return;
        }
        const bool wasLoggedIn = m_dialect.loggedIn();
        if (wasLoggedIn && m_options.loginLapses > 0 && ++m_sinceLogin > m_options.loginLapses) {
            m_dialect.lapse();
        }
        const QByteArrayList answer = m_dialect.answer(line);
        if (!wasLoggedIn && m_dialect.loggedIn()) {
            m_sinceLogin = 0;
        }
        if (m_options.answerEvery > 1 && wasLoggedIn && ++m_commands % m_options.answerEvery != 0) {
            return; // this one goes unanswered
        }
        if (answer.isEmpty()) {
            return;
        }
        QByteArray bytes = answer.join("\r\n") + "\r\n";
        if (m_telnet != nullptr) {
            m_capturing = true;
            m_captured.clear();
            telnet_send(m_telnet, bytes.constData(), static_cast<size_t>(bytes.size()));
            m_capturing = false;
            bytes = m_captured;
        }
        enqueue(bytes, m_options.delayMs);
    }

    // The line that reaches the limit is recorded but not answered; what was not yet sent
    // is lost, as on a link that breaks.
    void drop() {
        m_dropped = true;
        m_out.clear();
        m_idle.stop();
        m_pump.stop();
        m_socket->disconnectFromHost();
    }

    void enqueue(const QByteArray& bytes, int delayMs) {
        if (m_dropped) {
            return;
        }
        m_out.push_back({m_clock.elapsed() + delayMs, bytes});
        pump();
    }

    void pump() {
        const qint64 now = m_clock.elapsed();
        while (!m_out.empty()) {
            Pending& head = m_out.front();
            const qint64 ready = std::max(head.due, m_nextWrite);
            if (ready > now) {
                m_pump.start(static_cast<int>(ready - now));
                return;
            }
            if (m_options.fragment <= 0) {
                m_socket->write(head.bytes);
                m_out.pop_front();
                continue;
            }
            m_socket->write(head.bytes.left(m_options.fragment));
            m_socket->flush();
            head.bytes.remove(0, m_options.fragment);
            if (head.bytes.isEmpty()) {
                m_out.pop_front();
            }
            m_nextWrite = now + FragmentPauseMs;
        }
    }

    static void telnetEvent(telnet_t* telnet, telnet_event_t* event, void* data) {
        auto* self = static_cast<Connection*>(data);
        switch (event->type) {
        case TELNET_EV_DATA:
            self->receive(QByteArray(event->data.buffer, static_cast<qsizetype>(event->data.size)));
            break;
        case TELNET_EV_SEND: {
            const QByteArray bytes(event->data.buffer, static_cast<qsizetype>(event->data.size));
            if (self->m_capturing) {
                self->m_captured += bytes;
            } else {
                self->enqueue(bytes, 0);
            }
            break;
        }
        case TELNET_EV_WILL:
            if (event->neg.telopt == TELNET_TELOPT_TTYPE) {
                telnet_ttype_send(telnet);
            }
            break;
        case TELNET_EV_TTYPE:
            if (event->ttype.cmd == TELNET_TTYPE_IS && event->ttype.name != nullptr) {
                printLine(QByteArray("terminal type: ") + event->ttype.name);
            }
            break;
        case TELNET_EV_ERROR:
            std::fprintf(stderr, "sound4-sim: telnet error: %s\n", event->error.msg);
            self->drop();
            break;
        default:
            break;
        }
    }

    QTcpSocket* m_socket;
    const ServerOptions& m_options;
    Recorder& m_recorder;
    DialectSession m_dialect;
    LineAssembler m_lines;
    telnet_t* m_telnet = nullptr;
    bool m_capturing = false;
    QByteArray m_captured;
    QTimer m_idle;
    QTimer m_pump;
    QElapsedTimer m_clock;
    std::deque<Pending> m_out;
    qint64 m_nextWrite = 0;
    int m_received = 0;
    int m_sinceLogin = 0;
    int m_commands = 0;
    qint64 m_streamLeft = 0;
    bool m_dropped = false;
};

} // namespace

void printLine(const QByteArray& line) {
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

bool Recorder::open(const QString& target, bool timestamps, QString* error) {
    m_timestamps = timestamps;
    if (target == QLatin1String("-")) {
        m_stdout = true;
        return true;
    }
    if (target.isEmpty()) {
        return true;
    }
    m_file.setFileName(target);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *error = QStringLiteral("cannot open %1: %2").arg(target, m_file.errorString());
        return false;
    }
    return true;
}

void Recorder::write(const QByteArray& received) {
    QByteArray line = received;
    if (m_timestamps) {
        // The clock every process of the machine shares, so that a sender can
        // measure how long a line took to get here.
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        line.prepend(QByteArray::number(qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000) + ' ');
    }
    if (m_stdout) {
        printLine(line);
    } else if (m_file.isOpen()) {
        m_file.write(line + '\n');
        m_file.flush();
    }
}

Sound4Server::Sound4Server(ServerOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)) {}

Sound4Server::~Sound4Server() {
    // Connections refer to the units: end them first.
    for (QTcpServer* server : m_servers) {
        server->close();
    }
    qDeleteAll(findChildren<QObject*>(Qt::FindDirectChildrenOnly));
}

bool Sound4Server::start(QString* error) {
    if (!m_recorder.open(m_options.record, m_options.timestamps, error)) {
        return false;
    }
    for (int unit = 0; unit < m_options.units; ++unit) {
        m_units.push_back(std::make_unique<UnitState>(unit, m_options.dialect.serial));
        auto* server = new QTcpServer(this);
        m_servers.push_back(server);
        connect(server, &QTcpServer::newConnection, this, [this, unit] { accept(unit); });
        const quint16 port = m_options.port == 0 ? 0 : static_cast<quint16>(m_options.port + unit);
        if (!listenUnit(unit, port, error)) {
            return false;
        }
        m_ports.append(server->serverPort());
    }
    if (m_options.refuseForMs > 0) {
        // Closed ports refuse: the ports are known, then opened again later.
        for (QTcpServer* server : m_servers) {
            server->close();
        }
        QTimer::singleShot(m_options.refuseForMs, this, [this] {
            for (int unit = 0; unit < m_options.units; ++unit) {
                QString problem;
                if (!listenUnit(unit, m_ports.at(unit), &problem)) {
                    std::fprintf(stderr, "sound4-sim: %s\n", qPrintable(problem));
                }
            }
            printLine("accepting connections");
        });
    }
    return true;
}

bool Sound4Server::listenUnit(int unit, quint16 port, QString* error) {
    QTcpServer* server = m_servers[static_cast<size_t>(unit)];
    if (server->listen(m_options.address, port)) {
        return true;
    }
    *error = QStringLiteral("cannot listen on %1:%2: %3")
                 .arg(m_options.address.toString())
                 .arg(port)
                 .arg(server->errorString());
    return false;
}

QList<quint16> Sound4Server::ports() const {
    return m_ports;
}

void Sound4Server::accept(int unit) {
    QTcpServer* server = m_servers[static_cast<size_t>(unit)];
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        if (m_options.reset) {
            // No lingering: the close sends a reset, as a unit that is rebooting does.
            const linger now{1, 0};
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        new Connection(socket, *m_units[static_cast<size_t>(unit)], m_options, m_recorder, this);
    }
}

} // namespace sound4sim
