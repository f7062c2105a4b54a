#include "platform/InstanceLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FileInstanceLock::~FileInstanceLock() {
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
    }
}

bool FileInstanceLock::otherCopyRunning() {
    if (m_held) {
        return false;
    }
    if (m_fd < 0) {
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            return false; // no lock can be had: nothing shows another copy either
        }
    }
    int rc;
    do {
        rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    m_held = rc == 0;
    if (m_held) {
        // The holder's process number, for the station engineer who looks.
        const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
        if (::ftruncate(m_fd, 0) == 0) {
            (void)!::pwrite(m_fd, pid.constData(), size_t(pid.size()), 0);
        }
    }
    return !m_held;
}
