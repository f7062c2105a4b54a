#pragma once

#include "platform/TelnetConnection.h"

#include <QList>
#include <QTimer>

// A telnet connection driven by the test: it records what is sent, and the test
// decides the state changes, the arriving data and the errors.
class FakeTelnetConnection final : public TelnetConnection {
public:
    // connect: the state the connection reaches at once (Connected, or Closed for a
    // host that does not answer).
    State connectOutcome = Connected;
    QList<QPair<QString, qint32>> connects;
    QList<QByteArray> sent;
    QByteArray pending;
    int closes = 0;
    // A login written on the session is acknowledged as soon as events run, as a
    // unit that accepts it would.
    bool acknowledgesLogin = true;

    void connectToHost(const QString& host, qint32 port) override {
        connects.push_back({host, port});
        setState(Connecting);
        if (connectOutcome == Connected) {
            setState(Connected);
        }
    }
    AppError send(const QByteArray& bytes) override {
        if (m_state != Connected) {
            return AppError{10057, QStringLiteral("Socket is not connected"),
                            QStringLiteral("Telnet")};
        }
        sent.push_back(bytes);
        if (acknowledgesLogin && bytes.startsWith("login ")) {
            QTimer::singleShot(0, this, [this] {
                if (m_state == Connected) {
                    arrive("OK : LOGIN\r\n");
                }
            });
        }
        return {};
    }
    QByteArray receive() override { return std::exchange(pending, QByteArray()); }
    void close() override {
        ++closes;
        if (m_state == Connected) {
            setState(Closing);
            setState(Closed);
        }
    }
    int state() const override { return m_state; }
    void setTimeout(qint32 ms) override { m_timeout = ms; }
    qint32 timeout() const override { return m_timeout; }
    void setTerminalType(const QString& type) override { m_terminal = type; }
    QString terminalType() const override { return m_terminal; }
    void setOptionNegotiation(bool on) override { m_negotiation = on; }
    bool optionNegotiation() const override { return m_negotiation; }

    // Test side.
    void setState(State s) {
        m_state = s;
        Q_EMIT stateChanged();
    }
    void arrive(const QByteArray& bytes) {
        pending += bytes;
        Q_EMIT dataReceived();
    }
    // The peer drops the session: closed first, then the error.
    void drop() {
        setState(Closed);
        Q_EMIT errorOccurred(10053, QStringLiteral("Connection aborted"));
    }

private:
    int m_state = Closed;
    qint32 m_timeout = 0;
    QString m_terminal;
    bool m_negotiation = false;
};
