#pragma once

#include <QProcess>
#include <QString>

// Another process (flock from util-linux) holding a shared or exclusive lock on a
// file until the holder goes.
class LockHolder {
public:
    LockHolder(const QString& nativePath, bool exclusive) {
        m_process.start(QStringLiteral("flock"),
                        {exclusive ? QStringLiteral("-x") : QStringLiteral("-s"), nativePath,
                         QStringLiteral("-c"), QStringLiteral("echo locked; read line")});
    }
    ~LockHolder() {
        m_process.closeWriteChannel();
        m_process.waitForFinished(30000);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // Waits until the lock is held.
    bool locked() {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(30000)) {
                return false;
            }
        }
        return m_process.readLine().trimmed() == "locked";
    }

private:
    QProcess m_process;
};
