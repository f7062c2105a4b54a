#pragma once

#include "base/AppError.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// One telnet client connection to a Sound4 unit. Everything completes through
// events: connect reports its outcome with stateChanged (and errorOccurred), data
// arrival with dataReceived.
//
// Error codes are Windows-socket style: 10061 refused, 10060 timed out, 11001 host
// not found, 10053 aborted, 10054 reset, 10057 not connected.
//
// A connection lost without close() (the peer closed it, a reset) is reported as
// the closed state first, then error 10053: the error, reported last,
// is what arms the automatic reconnection.
class TelnetConnection : public QObject {
    Q_OBJECT

public:
    enum State { Closed = 0, Connecting = 1, Connected = 2, Closing = 3 };

    explicit TelnetConnection(QObject* parent = nullptr) : QObject(parent) {}

    virtual void connectToHost(const QString& host, qint32 port) = 0;
    // Writes the bytes as they are; an error (10057, 10053) when not connected.
    virtual AppError send(const QByteArray& bytes) = 0;
    // What has arrived since the last call (telnet commands removed when option
    // negotiation is on); empty when nothing is waiting.
    virtual QByteArray receive() = 0;
    virtual void close() = 0;
    virtual int state() const = 0;

    // How long a connect may take before it fails with 10060; 0: as long as the
    // system allows.
    virtual void setTimeout(qint32 ms) = 0;
    virtual qint32 timeout() const = 0;
    // The terminal type announced to the peer when option negotiation is on.
    virtual void setTerminalType(const QString& type) = 0;
    virtual QString terminalType() const = 0;
    // On: telnet commands (IAC) are negotiated and removed from the data. Off: the
    // connection carries plain bytes both ways.
    virtual void setOptionNegotiation(bool on) = 0;
    virtual bool optionNegotiation() const = 0;

Q_SIGNALS:
    void stateChanged();
    void dataReceived();
    void errorOccurred(qint32 code, const QString& description);
};

// Makes one connection: the real one in the program, fakes in tests.
using TelnetConnectionFactory = std::function<std::unique_ptr<TelnetConnection>()>;
