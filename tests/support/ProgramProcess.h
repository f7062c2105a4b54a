#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QUdpSocket>

// The real executable on a root, as a station starts it; the test stops it.
class ProgramProcess {
public:
    // marker: what the program prints on its standard output once started.
    ProgramProcess(
        const QStringList& arguments, const QByteArray& marker,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
        : m_marker(marker) {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.setProcessEnvironment(environment);
        m_process.start(QStringLiteral(TRELVO_EXE_PATH), arguments);
    }
    ~ProgramProcess() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // True once the start-up is over.
    bool waitUntilRunning() {
        for (int i = 0; i < 300; ++i) {
            if (m_out.contains(m_marker)) {
                return true;
            }
            if (!m_process.waitForReadyRead(100) && m_process.state() == QProcess::NotRunning) {
                return false;
            }
            m_out += m_process.readAllStandardOutput();
        }
        return false;
    }
    QProcess& process() { return m_process; }
    // The port a listener got, as the program announced it once running (0: none).
    quint16 listenerPort(int listener) const {
        const QRegularExpression line(
            QStringLiteral("UDP listener %1 on [^\\n]*:(\\d+)\\n").arg(listener));
        return line.match(QString::fromLatin1(m_out)).captured(1).toUShort();
    }
    static void send(quint16 port, const QByteArray& datagram) {
        QUdpSocket socket;
        socket.writeDatagram(datagram, QHostAddress::LocalHost, port);
    }

private:
    QProcess m_process;
    QByteArray m_marker;
    QByteArray m_out;
};
