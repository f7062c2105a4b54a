#pragma once

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

// Opens processes of the machine by their id.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    // Null when there is no such process (it never existed or has already gone).
    virtual std::unique_ptr<ProcessHandle> open(qint32 pid) = 0;
};
