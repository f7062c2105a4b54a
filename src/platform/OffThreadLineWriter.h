#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

// Lines to a file descriptor (standard error by default), written by a helper
// thread so that the caller never waits on the reader: a journal that is slow, a
// pipe that nobody reads. While more than maxQueued lines wait, new lines are
// dropped and counted; once the writer catches up, one line tells how many were
// lost (dropNotice followed by the count).
//
// The descriptor is written as it is: its flags are shared with the processes that
// hold it too (a terminal), so none is changed.
class OffThreadLineWriter {
public:
    explicit OffThreadLineWriter(
        int fd = 2, int maxQueued = 10000,
        QByteArray dropNotice = QByteArrayLiteral("Warning: lines dropped on standard error: "));
    // Waits up to a second for the lines still queued; a reader that never reads
    // does not hold the program's end.
    ~OffThreadLineWriter();
    OffThreadLineWriter(const OffThreadLineWriter&) = delete;
    OffThreadLineWriter& operator=(const OffThreadLineWriter&) = delete;

    // Queues one line; a line end is added. Never blocks on the descriptor.
    void write(const QByteArray& line);
    // Waits until every queued line is written, or the time is over; true when written.
    bool flush(int timeoutMs);
    // The lines dropped so far.
    quint64 dropped() const;

    struct Shared; // the queue, shared with the helper thread

private:
    std::shared_ptr<Shared> m_shared;
};
