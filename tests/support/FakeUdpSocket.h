#pragma once

#include "platform/UdpSocket.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QQueue>
#include <QStringList>

// A UDP socket driven by the test: binds, connects and writes are recorded and
// succeed unless the test sets a failure; datagrams are delivered with arrive().
class FakeUdpSocket final : public UdpSocket {
public:
    // Results the test may set.
    qint32 bindResult = 0;
    qint32 connectResult = 0;
    qint32 readFailure = 0;        // a last error that makes the next read return -1
    qint32 disconnectResult = 0;   // a last error that makes disconnects fail
    QHash<QString, QString> names; // host name -> address for resolve

    // What happened.
    QList<QPair<QString, qint32>> binds;
    QList<QPair<QString, qint32>> datagramsSent; // target, port
    QList<QByteArray> written;
    int disconnects = 0;
    QStringList lookups;
    bool holdLookups = false;
    bool blocking = true;

    qint32 disconnectSocket() override {
        ++disconnects;
        if (disconnectResult != 0) {
            m_error = disconnectResult;
            return -1;
        }
        m_handle = -1;
        return 0;
    }
    qint32 handle() const override { return m_handle; }
    qint32 resolve(const QString& hostName, QString& address) override {
        if (!names.contains(hostName)) {
            m_error = 11001;
            return -1;
        }
        address = names.value(hostName);
        return 0;
    }
    // Answered from the event loop, from the names table; held back while
    // holdLookups is set, until answerLookups().
    void resolveLater(const QString& hostName) override {
        lookups.push_back(hostName);
        if (!holdLookups) {
            QMetaObject::invokeMethod(
                this, [this] { answerLookups(); }, Qt::QueuedConnection);
        }
    }
    void answerLookups() {
        while (m_answered < lookups.size()) {
            const QString name = lookups.at(m_answered++);
            const bool known = names.contains(name);
            if (!known) {
                m_error = 11001;
            }
            Q_EMIT resolved(name, known ? 0 : 11001, names.value(name));
        }
    }
    void setBlocking(bool b) override { blocking = b; }
    qint32 bind(const QString& address, qint32 port, qint32) override {
        binds.push_back({address, port});
        if (bindResult != 0) {
            m_error = bindResult;
            return -1;
        }
        m_handle = 3;
        m_localPort = port != 0 ? port : 40000;
        return 0;
    }
    qint32 read(QByteArray& data, qint32 maxLength) override {
        if (readFailure != 0) {
            m_error = std::exchange(readFailure, 0);
            return -1;
        }
        if (m_queue.isEmpty()) {
            return 0;
        }
        data = m_queue.dequeue().left(maxLength);
        return qint32(data.size());
    }
    qint32 lastError() const override { return m_error; }
    QString lastErrorString() const override { return QStringLiteral("Error %1").arg(m_error); }
    QString remoteAddress() const override { return QStringLiteral("192.0.2.7"); }
    qint32 remotePort() const override { return 4000; }
    qint32 localPort() const override { return m_handle == -1 ? 0 : m_localPort; }
    void setHostAddress(const QString& address) override { m_hostAddress = address; }
    void setHostName(const QString& name) override { m_hostName = name; }
    void setRemotePort(qint32 port) override { m_port = port; }
    qint32 connectSocket(qint32) override {
        if (connectResult != 0) {
            m_error = connectResult;
            return -1;
        }
        m_handle = 4;
        return 0;
    }
    qint32 write(const QByteArray& data) override {
        if (m_handle == -1) {
            m_error = 10057;
            return -1;
        }
        written.push_back(data);
        datagramsSent.push_back({m_hostAddress.isEmpty() ? m_hostName : m_hostAddress, m_port});
        return qint32(data.size());
    }

    // Test side: a datagram arrives.
    void arrive(const QByteArray& datagram) {
        m_queue.enqueue(datagram);
        Q_EMIT readyRead();
    }
    // Test side: the datagrams of this turn of the event loop have all been handed out.
    void endDelivery() { Q_EMIT delivered(); }

private:
    qsizetype m_answered = 0;
    qint32 m_handle = -1;
    qint32 m_error = 0;
    QQueue<QByteArray> m_queue;
    QString m_hostAddress;
    QString m_hostName;
    qint32 m_port = 0;
    qint32 m_localPort = 0;
};
