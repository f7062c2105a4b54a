#pragma once

#include "platform/TelnetConnection.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <memory>

class QTcpSocket;
struct telnet_t;
union telnet_event_t;

// The telnet connection on a QTcpSocket, with libtelnet for the telnet protocol
// when option negotiation is on. Everything runs on the thread that owns the
// object, driven by the socket's signals; nothing blocks.
//
// Reports, in order:
// - connect: Connecting at once (from inside connectToHost), then Connected, or
//   the error followed by Closed when the attempt fails: 10061 refused, 11001
//   host not found, 10060 timed out (timeout() ms, or the socket layer's own
//   limit of about 30 s when the time-out is 0), 10049 for a port outside
//   1..65535 (the state then stays Closed and only the error is reported, after
//   connectToHost has returned). Connecting an open connection closes it first
//   (Closing, Closed) and opens a new one.
// - close: Closing then Closed, no error; nothing when already closed. Data that
//   was written is still delivered to the peer, in the background.
// - a connection lost without close(): Closed first, then error 10053. The
//   socket layer reports an orderly close and a reset alike, and a reset must
//   arm the automatic reconnection just as well, so both are 10053. Bytes that
//   arrived before the loss are announced (dataReceived) before the Closed report
//   and stay available to receive().
// A report that a handler makes stale (it connected again, closed, or deleted the
// object) is not delivered.
//
// Bounded, whatever the peer does: received bytes are taken from the socket at most
// ReadChunk at a time, and only once the previous chunk was taken by receive()
// (the rest waits in the system, which slows the peer down); receive() hands over at
// most ReadChunk and announces the rest with a new dataReceived from the event loop,
// so one unit's flood never monopolises it. Bytes waiting to be written are bounded
// by MaxWriteBacklog, and a peer that takes none of them for stallTimeout() ms is
// given up: beyond either, the connection is lost (Closed, then 10053), as when the
// peer drops it.
//
// Coalesced writes: a send after a quiet moment (CoalesceMs since the last write)
// goes to the system at once; sends that follow it sooner are gathered and written
// together at the next turn of the event loop, so a busy unit gets one segment per
// turn instead of one per command. A graceful close writes what was gathered first.
//
// Option negotiation on: IAC sequences are handled by libtelnet and removed from
// the data; doubled IAC bytes arrive single and are doubled when sent. The
// connection agrees to announce its terminal type (DO TTYPE is answered WILL
// TTYPE, and each TTYPE SEND is answered IS with terminalType(), "UNKNOWN" when
// empty), accepts the peer's ECHO and SUPPRESS-GO-AHEAD and refuses every other
// option. Off: plain bytes both ways, a 0xFF byte is data like any other.
class SocketTelnetConnection final : public TelnetConnection {
    Q_OBJECT

public:
    static constexpr qsizetype ReadChunk = 64 * 1024;
    static constexpr qint64 MaxWriteBacklog = 1024 * 1024;
    static constexpr int StallTimeoutMs = 30000;
    static constexpr int CoalesceMs = 1;

    explicit SocketTelnetConnection(QObject* parent = nullptr);
    ~SocketTelnetConnection() override;

    void connectToHost(const QString& host, qint32 port) override;
    AppError send(const QByteArray& bytes) override;
    QByteArray receive() override;
    void close() override;
    int state() const override { return m_state; }

    void setTimeout(qint32 ms) override { m_timeout = ms > 0 ? ms : 0; }
    qint32 timeout() const override { return m_timeout; }
    void setTerminalType(const QString& type) override { m_terminalType = type; }
    QString terminalType() const override { return m_terminalType; }
    void setOptionNegotiation(bool on) override { m_negotiation = on; }
    bool optionNegotiation() const override { return m_negotiation; }

    void setStallTimeout(int ms) { m_stallTimeout = ms; }
    int stallTimeout() const { return m_stallTimeout; }

    // The description that goes with an error code of this connection.
    static QString describe(qint32 code);

private:
    struct TelnetDeleter {
        void operator()(telnet_t* telnet) const;
    };

    void onConnected();
    void onReadyRead();
    void onSocketError(QAbstractSocket::SocketError socketError);
    void onDisconnected();
    void onConnectTimeout();
    void onBytesWritten();
    // Takes the next chunk from the socket when the previous one was handed over.
    void readSocket();
    // Loses the connection from the event loop (not from inside a write or a read).
    void loseLater();

    // Ends the current attempt or connection as a failure: connecting, the
    // error then Closed; connected, Closed then 10053.
    void fail(qint32 code);
    // Detaches the socket from this object; a graceful retirement lets it
    // deliver what was written before it closes.
    void retireSocket(bool graceful);
    // Emits and tells whether the current attempt is still the one that emitted.
    bool reportState(State state);
    bool reportError(qint32 code);
    bool reportData();

    void writeWire(const char* bytes, qsizetype size);
    // Writes what the socket gathered to the system.
    void flushGathered();
    // Writes what the socket holds to the system now.
    void flushSocket();
    void takeIncoming(const QByteArray& bytes);
    static void onTelnetEvent(telnet_t* telnet, telnet_event_t* event, void* self);
    // The terminal type as sent: printable ASCII only.
    QByteArray wireTerminalType() const;

    QPointer<QTcpSocket> m_socket;
    std::unique_ptr<telnet_t, TelnetDeleter> m_telnet;
    QTimer m_connectTimer;
    QTimer m_stallTimer;        // runs while written bytes wait and the peer takes none
    QTimer m_gatherTimer;       // writes what the socket gathered, at the next turn
    QElapsedTimer m_sinceWrite; // since the last write to the system
    int m_stallTimeout = StallTimeoutMs;
    bool m_moreAnnounced = false;
    bool m_flushing = false;
    QByteArray m_received;
    int m_state = Closed;
    quint64 m_attempt = 0; // changes with each connect and close
    qint32 m_timeout = 0;
    QString m_terminalType;
    bool m_negotiation = false;
    bool m_terminalTypeAgreed = false;
    bool m_writeFailed = false;
};
