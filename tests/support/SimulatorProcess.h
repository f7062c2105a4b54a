#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The Sound4 simulator as a real peer on 127.0.0.1, on an ephemeral port, with
// every line it receives recorded.
class SimulatorProcess {
public:
    explicit SimulatorProcess(QStringList options = {}) {
        m_record = m_dir.path() + QStringLiteral("/received.txt");
        options << QStringLiteral("--listen") << QStringLiteral("127.0.0.1")
                << QStringLiteral("--port") << QStringLiteral("0") << QStringLiteral("--record")
                << m_record;
        m_process.start(QStringLiteral(SOUND4_SIM_PATH), options);
        m_process.waitForStarted(10000);
        const QRegularExpression listening(QStringLiteral("listening on [^:]+:(\\d+)"));
        QByteArray out;
        for (int i = 0; i < 100 && m_port == 0; ++i) {
            m_process.waitForReadyRead(100);
            out += m_process.readAllStandardOutput();
            const QRegularExpressionMatch m = listening.match(QString::fromLatin1(out));
            if (m.hasMatch()) {
                m_port = m.captured(1).toUShort();
            }
        }
    }
    ~SimulatorProcess() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    quint16 port() const { return m_port; }
    // The lines received so far, exactly as received.
    QList<QByteArray> received() const {
        QFile f(m_record);
        if (!f.open(QIODevice::ReadOnly)) {
            return {};
        }
        QList<QByteArray> lines = f.readAll().split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty()) {
            lines.removeLast();
        }
        return lines;
    }

private:
    QTemporaryDir m_dir;
    QString m_record;
    QProcess m_process;
    quint16 m_port = 0;
};
