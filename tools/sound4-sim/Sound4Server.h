// The telnet side of the simulator: one listening port per unit, one dialect session per
// connection, the record of received lines and the injected faults.
#pragma once

#include "Sound4Dialect.h"

#include <QFile>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QTcpServer;

namespace sound4sim {

struct ServerOptions {
    DialectOptions dialect;
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 3003; // 0: an ephemeral port for each unit
    int units = 1;       // units listen on consecutive ports from `port`
    QString record;      // file to append the received lines to, "-" for stdout
    int dropAfter = 0;   // close each session after this many received lines
    int delayMs = 0;     // answers leave this long after their line arrived
    int fragment = 0;    // answers leave in chunks of this many bytes
    bool negotiate = false;
    // Faults of a unit that is down, hostile or chatty.
    bool reset = false;      // reset every connection as soon as it is accepted
    int refuseForMs = 0;     // refuse connections this long after the start
    int loginLapses = 0;     // a login lapses after this many more received lines
    int answerEvery = 0;     // answer only every n-th command line (0, 1: all)
    qint64 noLineEnds = 0;   // send this many bytes without a line end per session
    qint64 iacBytes = 0;     // send this many bytes of telnet DO requests per session
    bool flood = false;      // send short lines for as long as the session lasts
    bool neverRead = false;  // never read what the client sends
    bool timestamps = false; // recorded lines start with the monotonic clock, in µs
};

// Writes a line on stdout at once, for the tests that read it.
void printLine(const QByteArray& line);

// Appends every received line, exactly as received, to a file or stdout.
class Recorder {
public:
    bool open(const QString& target, bool timestamps, QString* error);
    void write(const QByteArray& line);

private:
    QFile m_file;
    bool m_stdout = false;
    bool m_timestamps = false;
};

class Sound4Server : public QObject {
    Q_OBJECT

public:
    explicit Sound4Server(ServerOptions options, QObject* parent = nullptr);
    ~Sound4Server() override;

    // Opens the record and listens on every unit's port.
    bool start(QString* error);
    QList<quint16> ports() const;
    QHostAddress address() const { return m_options.address; }

private:
    void accept(int unit);
    bool listenUnit(int unit, quint16 port, QString* error);

    ServerOptions m_options;
    Recorder m_recorder;
    std::vector<std::unique_ptr<UnitState>> m_units;
    std::vector<QTcpServer*> m_servers;
    QList<quint16> m_ports;
};

} // namespace sound4sim
