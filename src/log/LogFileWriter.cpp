#include "log/LogFileWriter.h"

#include "base/TextFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

LogFileWriter::LogFileWriter(QObject* parent) : QObject(parent) {}

LogFileWriter::~LogFileWriter() {
    if (!m_thread.joinable()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join(); // a batch still waiting is written first
}

void LogFileWriter::startThread() {
    if (!m_thread.joinable()) {
        m_thread = std::thread([this] { run(); });
    }
}

LogFileWriter::Outcome LogFileWriter::write(const QString& nativePath, const QStringList& lines) {
    qsizetype size = 0;
    for (const QString& line : lines) {
        size += line.size() + 2;
    }
    QByteArray out;
    out.reserve(size);
    for (const QString& line : lines) {
        appendWindows1252(out, line);
        out += "\r\n";
    }
    // Plain system calls: a batch costs one open, one write and one close, with no
    // look at the file's size or position.
    const QByteArray path = QFile::encodeName(nativePath);
    const auto openFile = [&path] {
        return ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    };
    int fd = openFile();
    // The folder is made only when the file cannot be opened: most batches go to a
    // file that is there already, and need no look at its folders.
    if (fd == -1 &&
        (!QDir().mkpath(QFileInfo(nativePath).absolutePath()) || (fd = openFile()) == -1)) {
        return Outcome::NotOpened;
    }
    qsizetype done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(fd, out.constData() + done, size_t(out.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ::close(fd);
            return Outcome::NotWritten;
        }
        done += n;
    }
    return ::close(fd) == 0 ? Outcome::Written : Outcome::NotWritten;
}

void LogFileWriter::append(const QString& nativePath, QStringList lines, Done done) {
    if (m_done) {
        wait(); // the caller's promise of one batch at a time, kept anyway
    }
    m_done = std::move(done);
    if (!m_thread.joinable()) {
        m_outcome = write(nativePath, lines);
        deliver();
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_batch = Batch{nativePath, std::move(lines)};
    }
    m_changed.notify_all();
}

void LogFileWriter::wait() {
    if (!m_done) {
        return;
    }
    if (m_thread.joinable()) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_outcome.has_value(); });
    }
    deliver();
}

void LogFileWriter::deliver() {
    std::optional<Outcome> outcome;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        outcome = std::exchange(m_outcome, std::nullopt);
    }
    if (!outcome || !m_done) {
        return; // delivered already, by wait()
    }
    const Done done = std::exchange(m_done, Done());
    done(*outcome);
}

void LogFileWriter::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_batch.has_value() || m_stopping; });
        if (!m_batch) {
            return;
        }
        const Batch batch = std::move(*m_batch);
        m_batch.reset();
        lock.unlock();
        const Outcome outcome = write(batch.path, batch.lines);
        lock.lock();
        m_outcome = outcome;
        m_changed.notify_all();
        QMetaObject::invokeMethod(
            this, [this] { deliver(); }, Qt::QueuedConnection);
    }
}
