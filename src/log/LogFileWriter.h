#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Appends one batch of trace lines at a time to a log file: each line in
// Windows-1252 followed by CR LF, the folder made when missing. Without a thread the
// batch is written at once, inside append(); once startThread() has run it is
// written on a helper thread, so the event loop never waits for the disk, and its
// outcome comes back on the owner's thread, from the event loop or from wait().
// One batch is handed over at a time: the caller waits for the outcome before the
// next one, which keeps the lines in their order.
class LogFileWriter final : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Written, NotOpened, NotWritten };
    using Done = std::function<void(Outcome)>;

    explicit LogFileWriter(QObject* parent = nullptr);
    // Lets the batch being written finish; its outcome is not delivered any more.
    ~LogFileWriter() override;

    void startThread();
    bool threaded() const { return m_thread.joinable(); }

    // The batch for the file at nativePath; done runs once with the outcome.
    void append(const QString& nativePath, QStringList lines, Done done);
    // Blocks until the batch handed over is written and its outcome delivered.
    void wait();
    bool busy() const { return static_cast<bool>(m_done); }

    // The disk work: append the lines to the file.
    static Outcome write(const QString& nativePath, const QStringList& lines);

private:
    struct Batch {
        QString path;
        QStringList lines;
    };
    void run();
    void deliver();

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::optional<Batch> m_batch;     // waiting for the helper thread
    std::optional<Outcome> m_outcome; // the helper thread's answer
    bool m_stopping = false;
    Done m_done; // owner's thread only
};
