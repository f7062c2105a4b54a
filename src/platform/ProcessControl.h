#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>

// An open process of the machine, watched until it ends. Closing the handle
// (destroying it) releases what the system handed out for it.
class ProcessHandle {
public:
    // The exit code reported while the process is still running.
    static constexpr qint32 StillActive = 259;

    virtual ~ProcessHandle() = default;

    // StillActive while the process runs; then its exit code when it is known (a
    // child of this program), else 0.
    virtual qint32 exitCode() = 0;
    // A descriptor that becomes readable when the process ends, for an event-loop
    // notifier; -1 when the system offers none (the caller then polls).
    virtual int exitNotifier() const = 0;
    // Blocks the calling thread, without running any event, until the process ends.
    virtual void waitForExit() = 0;
};

// Starts programs and opens processes of the machine by their id.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    // Null when there is no such process (it never existed or has already gone).
    virtual std::unique_ptr<ProcessHandle> open(qint32 pid) = 0;
    // Starts a native program with its arguments in a native working folder ("" for
    // the program's own folder), detached from this program: it outlives it, and
    // its end is watched through open(). Its process id, or 0 when it could not be
    // started.
    virtual qint32 start(const QString& program, const QStringList& arguments,
                         const QString& workingFolder) = 0;
};
