#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// A real SMTP server on 127.0.0.1 (Debian's aiosmtpd, through smtp_sink.py), on a
// free port, that keeps every message it accepts. With an account, AUTH is required
// and offered without TLS; delaySeconds holds its answer to DATA (a slow relay).
class SmtpSink {
public:
    struct Message {
        QByteArray sender;
        QList<QByteArray> recipients;
        QByteArray login; // the account that authenticated, empty without AUTH
        QByteArray raw;   // the message's bytes as received
    };

    explicit SmtpSink(const QString& user = QString(), const QString& password = QString(),
                      double delaySeconds = 0) {
        QStringList args{QStringLiteral(TRELVO_TEST_SUPPORT_DIR "/smtp_sink.py"),
                         QStringLiteral("--folder"), m_dir.path()};
        if (!user.isEmpty()) {
            args << QStringLiteral("--user") << user << QStringLiteral("--password") << password;
        }
        if (delaySeconds > 0) {
            args << QStringLiteral("--delay-data") << QString::number(delaySeconds);
        }
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"), args);
        m_process.waitForStarted(10000);
        const QRegularExpression listening(QStringLiteral("listening on [^:]+:(\\d+)"));
        QByteArray out;
        for (int i = 0; i < 100 && m_port == 0 && m_process.state() == QProcess::Running; ++i) {
            m_process.waitForReadyRead(100);
            out += m_process.readAllStandardOutput();
            const QRegularExpressionMatch m = listening.match(QString::fromLatin1(out));
            if (m.hasMatch()) {
                m_port = m.captured(1).toUShort();
            }
        }
    }
    ~SmtpSink() {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    quint16 port() const { return m_port; }

    // The messages accepted so far, in order.
    QList<Message> messages() const {
        QList<Message> list;
        for (int n = 1;; ++n) {
            QFile env(m_dir.filePath(QString::number(n) + QStringLiteral(".env")));
            QFile raw(m_dir.filePath(QString::number(n) + QStringLiteral(".eml")));
            if (!raw.exists() || !env.open(QIODevice::ReadOnly) || !raw.open(QIODevice::ReadOnly)) {
                return list;
            }
            QList<QByteArray> lines = env.readAll().split('\n');
            Message m;
            m.sender = lines.value(0);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                if (lines[i].startsWith("auth:")) {
                    m.login = lines[i].mid(5);
                } else if (!lines[i].isEmpty()) {
                    m.recipients.push_back(lines[i]);
                }
            }
            m.raw = raw.readAll();
            list.push_back(m);
        }
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
