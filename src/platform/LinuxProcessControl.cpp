#include "platform/LinuxProcessControl.h"

#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <limits>

#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Called through syscall(2): the C library's wrapper is missing from older releases
// and its header lacks C linkage in others.
int openPidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

// Exit code of a child from its wait status: its exit status, or 128 + the signal
// that ended it, as shells report it.
qint32 codeOf(const siginfo_t& info) {
    if (info.si_code == CLD_EXITED) {
        return info.si_status;
    }
    return 128 + info.si_status;
}

// Reads a child's exit code without reaping it. False when the process is not a
// child of this program (or has already been collected).
bool peekChild(idtype_t idType, id_t id, qint32* code) {
    siginfo_t info{};
    int rc;
    do {
        rc = waitid(idType, id, &info, WEXITED | WNOHANG | WNOWAIT);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        return false;
    }
    *code = info.si_pid == 0 ? ProcessHandle::StillActive : codeOf(info);
    return true;
}

bool readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    int rc;
    do {
        rc = poll(&p, 1, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0;
}

class PidfdHandle final : public ProcessHandle {
public:
    explicit PidfdHandle(int fd) : m_fd(fd) {}
    ~PidfdHandle() override { ::close(m_fd); }
    PidfdHandle(const PidfdHandle&) = delete;
    PidfdHandle& operator=(const PidfdHandle&) = delete;

    qint32 exitCode() override {
        qint32 code = StillActive;
        if (peekChild(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(m_fd), &code)) {
            return code;
        }
        return readable(m_fd, 0) ? 0 : StillActive;
    }
    int exitNotifier() const override { return m_fd; }
    void waitForExit() override { readable(m_fd, -1); }

private:
    int m_fd;
};

// Without a pidfd: the id is probed with signal 0. An id reused after the end of
// the process would be taken for it; this path only serves kernels before 5.3 or a
// process that is out of descriptors.
class ProbedHandle final : public ProcessHandle {
public:
    explicit ProbedHandle(pid_t pid) : m_pid(pid) {}

    qint32 exitCode() override {
        qint32 code = StillActive;
        if (peekChild(P_PID, static_cast<id_t>(m_pid), &code)) {
            return code;
        }
        return alive(m_pid) ? StillActive : 0;
    }
    int exitNotifier() const override { return -1; }
    void waitForExit() override {
        const timespec step{0, 20 * 1000 * 1000};
        while (exitCode() == StillActive) {
            nanosleep(&step, nullptr);
        }
    }

    static bool alive(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

private:
    pid_t m_pid;
};

} // namespace

std::unique_ptr<ProcessHandle> LinuxProcessControl::open(qint32 pid) {
    if (pid <= 0) {
        return nullptr; // 0 and negative ids name process groups, not a process
    }
    const int fd = openPidfd(static_cast<pid_t>(pid));
    if (fd >= 0) {
        return std::make_unique<PidfdHandle>(fd);
    }
    if (errno == ESRCH || errno == EINVAL) {
        return nullptr;
    }
    if (!ProbedHandle::alive(static_cast<pid_t>(pid))) {
        return nullptr;
    }
    return std::make_unique<ProbedHandle>(static_cast<pid_t>(pid));
}

qint32 LinuxProcessControl::start(const QString& program, const QStringList& arguments,
                                  const QString& workingFolder) {
    const QString folder =
        workingFolder.isEmpty() ? QFileInfo(program).absolutePath() : workingFolder;
    qint64 pid = 0;
    if (!QProcess::startDetached(program, arguments, folder, &pid) || pid <= 0 ||
        pid > std::numeric_limits<qint32>::max()) {
        return 0;
    }
    return static_cast<qint32>(pid);
}
