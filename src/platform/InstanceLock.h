#pragma once

#include <QString>

// Whether another copy of the program runs on the same program folder. The first
// copy to ask holds the folder for the rest of its run.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    virtual bool otherCopyRunning() = 0;
};

// An advisory lock (flock) on a file of the program folder: the system releases it
// when the process ends, however it ends, so a crashed copy never blocks the next.
class FileInstanceLock final : public InstanceLock {
public:
    explicit FileInstanceLock(QString nativePath) : m_path(std::move(nativePath)) {}
    ~FileInstanceLock() override;
    FileInstanceLock(const FileInstanceLock&) = delete;
    FileInstanceLock& operator=(const FileInstanceLock&) = delete;

    bool otherCopyRunning() override;

private:
    QString m_path;
    int m_fd = -1;
    bool m_held = false;
};
