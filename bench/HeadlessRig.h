#pragma once

// The headless program as a station runs it, for the benchmarks: a fresh root, the
// Sound4 simulator (its received lines time-stamped), listener 0 on loopback, and
// readers of the program's CPU time and memory from /proc.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace rig {

// CLOCK_MONOTONIC in microseconds: the simulator stamps its lines with it.
inline qint64 nowUs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

inline void sleepUntilUs(qint64 dueUs) {
    const qint64 wait = dueUs - nowUs();
    if (wait > 0) {
        timespec t{time_t(wait / 1000000), long((wait % 1000000) * 1000)};
        nanosleep(&t, nullptr);
    }
}

// User + system CPU time of a process, in seconds.
inline double cpuSeconds(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray stat = f.readAll();
    // Fields after the command name (which may hold blanks) start after ") ".
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) {
        return 0;
    }
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / ticks;
}

// A "VmRSS" or "VmHWM" line of /proc/<pid>/status, in MB.
inline double memoryMb(qint64 pid, const char* field) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qsizetype(qstrlen(field)) + 1).trimmed().split(' ').first().toDouble() /
                   1024.0;
        }
    }
    return 0;
}

// Sends datagrams to a loopback port.
class Sender {
public:
    explicit Sender(quint16 port) : m_fd(socket(AF_INET, SOCK_DGRAM, 0)) {
        m_to.sin_family = AF_INET;
        m_to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_to.sin_port = htons(port);
    }
    ~Sender() { close(m_fd); }
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;

    void send(const QByteArray& datagram) {
        sendto(m_fd, datagram.constData(), size_t(datagram.size()), 0,
               reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to);
    }

private:
    int m_fd;
    sockaddr_in m_to{};
};

// A started process, ended (SIGTERM, then SIGKILL) when it goes.
class Child {
public:
    Child(const QString& program, const QStringList& arguments) {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(program, arguments);
        m_process.waitForStarted(10000);
    }
    ~Child() { stop(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    qint64 pid() const { return m_process.processId(); }
    // Reads standard output until a line matches, for at most timeoutMs.
    std::optional<QRegularExpressionMatch> waitForOutput(const QRegularExpression& re,
                                                         int timeoutMs = 30000) {
        for (int waited = 0; waited < timeoutMs; waited += 50) {
            const QRegularExpressionMatch m = re.match(QString::fromLatin1(m_out));
            if (m.hasMatch()) {
                return m;
            }
            m_process.waitForReadyRead(50);
            m_out += m_process.readAllStandardOutput();
        }
        return std::nullopt;
    }
    // The ports announced so far by lines that match re (its first capture).
    QList<quint16> ports(const QRegularExpression& re) const {
        QList<quint16> found;
        auto it = re.globalMatch(QString::fromLatin1(m_out));
        while (it.hasNext()) {
            found << it.next().captured(1).toUShort();
        }
        return found;
    }
    // SIGTERM; the exit code, -1 when it had to be killed.
    int stop(int timeoutMs = 10000) {
        if (m_process.state() == QProcess::NotRunning) {
            return m_process.exitCode();
        }
        m_process.terminate();
        if (!m_process.waitForFinished(timeoutMs)) {
            m_process.kill();
            m_process.waitForFinished(2000);
            return -1;
        }
        return m_process.exitCode();
    }

private:
    QProcess m_process;
    QByteArray m_out;
};

// The simulator, with its received lines recorded and time-stamped.
class Simulator {
public:
    explicit Simulator(int units, QStringList extra = {})
        : m_record(m_dir.path() + QStringLiteral("/received.txt")),
          m_child(QStringLiteral(SOUND4_SIM_PATH),
                  QStringList{
                      QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--units"),
                      QString::number(units), QStringLiteral("--password"), QStringLiteral("ravin"),
                      QStringLiteral("--record"), m_record, QStringLiteral("--timestamps")} +
                      extra) {
        m_child.waitForOutput(
            QRegularExpression(QStringLiteral("(listening on [^\\n]*\\n[^\\n]*){%1}").arg(units)));
        m_ports = m_child.ports(QRegularExpression(QStringLiteral("listening on [^:]+:(\\d+)")));
    }
    const QList<quint16>& ports() const { return m_ports; }
    // Received lines: (time stamp, text) from the given byte offset on.
    std::vector<std::pair<qint64, QByteArray>> lines(qint64* offset) const {
        std::vector<std::pair<qint64, QByteArray>> out;
        QFile f(m_record);
        if (!f.open(QIODevice::ReadOnly) || !f.seek(*offset)) {
            return out;
        }
        const QByteArray data = f.readAll();
        const qsizetype end = data.lastIndexOf('\n') + 1; // whole lines only
        *offset += end;
        for (const QByteArray& line : data.left(end).split('\n')) {
            const qsizetype blank = line.indexOf(' ');
            if (blank > 0) {
                out.emplace_back(line.left(blank).toLongLong(), line.mid(blank + 1));
            }
        }
        return out;
    }

private:
    QTemporaryDir m_dir;
    QString m_record;
    Child m_child;
    QList<quint16> m_ports;
};

// A fresh root whose settings point units 0..n-1 at the given ports (connected at
// the last stop, so logged in at start) and open listeners 0..listeners-1 on
// loopback, each on a port of the system's choosing (the program announces them).
inline void writeSettings(const QString& root, const QList<quint16>& unitPorts, int listeners) {
    const QString folder = root + QStringLiteral("/c/Mirevox/Ondelia/Settings/KZ3_Trelvo");
    QDir().mkpath(folder);
    QByteArray ini = "[Sound4]\r\n";
    for (int i = 0; i < unitPorts.size(); ++i) {
        const QByteArray n = QByteArray::number(i);
        ini += "IP_" + n + "=127.0.0.1\r\nPort_" + n + "=" + QByteArray::number(unitPorts.at(i)) +
               "\r\nConnected_" + n + "=1\r\n";
    }
    for (int i = 0; i < listeners; ++i) {
        ini += "[Peripheriques_Reseau_Reception_UDP_" + QByteArray::number(i) +
               "]\r\nIP=127.0.0.1\r\nPort=0\r\nActif=1\r\n";
    }
    QFile f(folder + QStringLiteral("/KZ3_Trelvo.Ini"));
    f.open(QIODevice::WriteOnly);
    f.write(ini);
}

// The program under test: the one built with the benchmarks, or BENCH_PROGRAM (an
// earlier build, to compare two versions under the same load).
inline QString programPath() {
    const QString other = qEnvironmentVariable("BENCH_PROGRAM");
    return other.isEmpty() ? QStringLiteral(TRELVO_EXE_PATH) : other;
}

// The headless program on a root, started and waited for.
class Program {
public:
    explicit Program(const QString& root)
        : m_child(programPath(), {QStringLiteral("--headless"), QStringLiteral("--root"), root}) {
        m_running =
            m_child.waitForOutput(QRegularExpression(QStringLiteral("\\(headless\\)"))).has_value();
        m_listenerPorts = m_child.ports(
            QRegularExpression(QStringLiteral("UDP listener \\d+ on [^\\n]*:(\\d+)")));
    }
    // The ports of the open listeners, in listener order.
    const QList<quint16>& listenerPorts() const { return m_listenerPorts; }
    bool running() const { return m_running; }
    qint64 pid() const { return m_child.pid(); }
    int stop() { return m_child.stop(); }

private:
    Child m_child;
    bool m_running = false;
    QList<quint16> m_listenerPorts;
};

// Percentile of sorted values (nearest rank).
inline double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) {
        return 0;
    }
    const size_t rank = size_t(std::ceil(p / 100.0 * double(sorted.size())));
    return sorted.at(std::clamp<size_t>(rank, 1, sorted.size()) - 1);
}

inline void print(const QString& text) {
    QTextStream(stdout) << text << Qt::endl;
}

} // namespace rig
