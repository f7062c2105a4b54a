#pragma once

#include "platform/ProcessControl.h"

// Processes on Linux. A process is held by a pidfd (pidfd_open), which becomes
// readable when the process ends and cannot be confused with a later process that
// reuses the id. The exit code of a child of this program is read without reaping it
// (waitid with WNOWAIT), so that whoever started it still collects it; the code of
// any other process is unknown and reads 0 once it has gone. Where pidfds are not
// available the handle falls back on probing the id.
class LinuxProcessControl final : public ProcessControl {
public:
    std::unique_ptr<ProcessHandle> open(qint32 pid) override;
    qint32 start(const QString& program, const QStringList& arguments,
                 const QString& workingFolder) override;
};
