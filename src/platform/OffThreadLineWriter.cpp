#include "platform/OffThreadLineWriter.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <csignal>
#include <ctime>

#include <pthread.h>
#include <unistd.h>

struct OffThreadLineWriter::Shared {
    int fd = 2;
    size_t maxQueued = 10000;
    QByteArray dropNotice;
    std::mutex mutex;
    std::condition_variable wake;    // lines queued, or the end
    std::condition_variable drained; // the queue emptied
    std::deque<QByteArray> queue;
    bool writing = false; // a line is on its way
    bool stop = false;
    quint64 dropped = 0;
    quint64 droppedUntold = 0;
    bool broken = false; // the descriptor failed: lines are discarded

    void run();
    bool writeAll(const QByteArray& bytes) const;
};

bool OffThreadLineWriter::Shared::writeAll(const QByteArray& bytes) const {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EPIPE) {
            // The reader is gone: take back the signal that says so (blocked in this
            // thread), so that it never ends the program.
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            const timespec none{};
            sigtimedwait(&pipe, nullptr, &none);
            return false;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

void OffThreadLineWriter::Shared::run() {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stop || !queue.empty() || droppedUntold > 0; });
        if (queue.empty() && droppedUntold == 0) {
            return; // stop, and nothing left
        }
        QByteArray batch;
        while (!queue.empty() && batch.size() < 65536) {
            batch += queue.front();
            queue.pop_front();
        }
        if (queue.empty() && droppedUntold > 0) {
            batch += dropNotice + QByteArray::number(droppedUntold) + '\n';
            droppedUntold = 0;
        }
        writing = true;
        lock.unlock();
        const bool ok = broken || writeAll(batch);
        lock.lock();
        writing = false;
        broken = broken || !ok;
        if (queue.empty()) {
            drained.notify_all();
        }
    }
}

OffThreadLineWriter::OffThreadLineWriter(int fd, int maxQueued, QByteArray dropNotice)
    : m_shared(std::make_shared<Shared>()) {
    m_shared->fd = fd;
    m_shared->maxQueued = size_t(qMax(1, maxQueued));
    m_shared->dropNotice = std::move(dropNotice);
    // The thread holds the queue too: should the reader never read again, it is
    // left behind at the end with what it needs.
    std::thread([shared = m_shared] { shared->run(); }).detach();
}

OffThreadLineWriter::~OffThreadLineWriter() {
    flush(1000);
    {
        const std::lock_guard lock(m_shared->mutex);
        m_shared->stop = true;
    }
    m_shared->wake.notify_all();
}

void OffThreadLineWriter::write(const QByteArray& line) {
    {
        const std::lock_guard lock(m_shared->mutex);
        if (m_shared->queue.size() >= m_shared->maxQueued) {
            ++m_shared->dropped;
            ++m_shared->droppedUntold;
            return;
        }
        m_shared->queue.push_back(line + '\n');
    }
    m_shared->wake.notify_one();
}

bool OffThreadLineWriter::flush(int timeoutMs) {
    std::unique_lock lock(m_shared->mutex);
    return m_shared->drained.wait_for(lock, std::chrono::milliseconds(qMax(0, timeoutMs)), [this] {
        return m_shared->queue.empty() && !m_shared->writing && m_shared->droppedUntold == 0;
    });
}

quint64 OffThreadLineWriter::dropped() const {
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->dropped;
}
