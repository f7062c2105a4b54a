#include "system/FileOperations.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "base/TraceSink.h"
#include "base/UptimeCounter.h"
#include "platform/PathSpace.h"

#include <QFile>
#include <QLocale>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <iterator>
#include <vector>

namespace {

const QString Module = QStringLiteral("Lib_Systeme:");

// Codes the shell reports for a copy or a delete.
constexpr qint32 CodeNotFound = 2;
constexpr qint32 CodeAccessDenied = 5;
constexpr qint32 CodeInUse = 32;
constexpr qint32 CodeOutOfMemory = 14;
constexpr qint32 CodeFolderNotFound = 53;
constexpr qint32 CodeSameFile = 113;
constexpr qint32 CodeSourceMissing = 1026;

// The native path as bytes for the system calls; empty when it cannot name a file
// (a NUL character would silently cut the path short).
QByteArray nativeBytes(const QString& native) {
    if (native.isEmpty() || native.contains(QChar(0))) {
        return QByteArray();
    }
    return QFile::encodeName(native);
}

// stat() of a native path: 0 or the errno.
int statOf(const QByteArray& native, struct stat* st) {
    if (native.isEmpty()) {
        return EINVAL;
    }
    return ::stat(native.constData(), st) == 0 ? 0 : errno;
}

bool hasWildcard(const QString& path) {
    return path.contains(QLatin1Char('*')) || path.contains(QLatin1Char('?'));
}

// Whether another open file holds a lock that conflicts with `type` on the whole
// file (a writer's lock for F_RDLCK, any lock for F_WRLCK): the file is in use.
bool lockedByOther(int fd, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

bool lockedByOther(const QByteArray& native, short type) {
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    const bool locked = lockedByOther(fd, type);
    ::close(fd);
    return locked;
}

// Writes all of `size` bytes; 0 or the errno.
int writeAll(int fd, const char* data, ssize_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += n;
        size -= n;
    }
    return 0;
}

QString copyErrorText(qint32 code) {
    switch (code) {
    case 53:
        return QStringLiteral(" |Folder not found. Source: ");
    case 32:
        return QStringLiteral(" |File in use. Source: ");
    case 1026:
        return QStringLiteral(" |Source file missing. Source: ");
    case 1223:
        return QStringLiteral(" |Cancelled. Source: ");
    case 14:
        return QStringLiteral(" |Out of memory. Source: ");
    case 68:
        return QStringLiteral(" |Too many names. Source: ");
    case 113:
        return QStringLiteral(" |Fichiers source et cible identiques. Source: ");
    default:
        return QStringLiteral(" |Source: ");
    }
}

struct DeleteLine {
    const char* prefix;
    const char* text;
    bool incident;
};

DeleteLine deleteLine(qint32 code) {
    switch (code) {
    case 2:
        return {"File_Delete: Warning: ", " |File not found: ", false};
    case 32:
        return {"File_Delete: Warning: ", " |File in use: ", false};
    case 1026:
        return {"File_Delete: Err: ", " |Source file missing: ", false};
    case 1223:
        return {"File_Delete: Warning: ", " |Cancelled: File: ", false};
    case 14:
        return {"File_Delete: Err: ", " |Out of memory. File: ", true};
    default:
        return {"File_Delete: Err: ", " |", true};
    }
}

// The last component of a Windows path.
QString windowsFileName(const QString& path) {
    const QString p = trimBlanks(path);
    return p.mid(p.lastIndexOf(QLatin1Char('\\')) + 1);
}

} // namespace

FileOperations::FileOperations(const PathSpace& paths, TraceSink& trace, ErrorReporter& errors,
                               UptimeCounter& uptime, std::function<void(const QString&)> relaunch)
    : m_paths(paths), m_trace(trace), m_errors(errors), m_uptime(uptime),
      m_relaunch(std::move(relaunch)) {}

qint32 FileOperations::shellErrorCode(ShellStep step, int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        switch (step) {
        case ShellStep::CopySource:
            return CodeSourceMissing;
        case ShellStep::CopyTarget:
            return CodeFolderNotFound;
        case ShellStep::Delete:
            return CodeNotFound;
        }
        return CodeNotFound;
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
        return CodeInUse;
    case ENOMEM:
        return CodeOutOfMemory;
    case EACCES:
    case EPERM:
    case EISDIR: // what deleting or overwriting a folder as a file gives
        return CodeAccessDenied;
    case EMFILE:
    case ENFILE:
        return 4; // too many open files
    case EROFS:
        return 19; // write-protected
    case ENOSPC:
    case EDQUOT:
        return 112; // disk full
    case EINVAL:
        return 123; // invalid name
    case ENAMETOOLONG:
        return 206; // name too long
    case EFBIG:
        return 223; // file too large
    case EIO:
        return 1117; // device I/O error
    case ELOOP:
        return 1921; // name cannot be resolved
    default:
        return 31; // general failure
    }
}

bool FileOperations::lookUp(const QString& path, bool checkSize, ErrorTrap& trap) {
    // Wildcards are never expanded: a path holding one names nothing.
    if (hasWildcard(path)) {
        return false;
    }
    struct stat st {};
    const int err = statOf(nativeBytes(m_paths.toNative(path)), &st);
    if (err == EIO) {
        trap.fail(AppError::runtime(57)); // device I/O error
    } else if (err == ENOMEM) {
        trap.fail(AppError::runtime(7));
    }
    if (err != 0) {
        return false;
    }
    // An empty file counts as absent; the whole size decides, so that a file of a
    // multiple of 4 GiB is not taken for an empty one.
    return !checkSize || timedSize(path) != 0;
}

bool FileOperations::File_Exist(const QString& path, const QString& callerName, bool checkSize) {
    ErrorTrap trap(m_errors, ErrorTrap::nested(callerName, Module + QStringLiteral("File_Exist")));
    trap.at(10);
    if (isBlank(path)) {
        return false;
    }
    const QString trimmed = trimBlanks(path);
    QString probe = trimmed;
    trap.at(20);
    // 'My file .ini' stands for 'My file.ini': no blank may stand before a point.
    if (probe.contains(QLatin1Char(' '))) {
        while (probe.contains(QLatin1String(" ."))) {
            probe.replace(QLatin1String(" ."), QLatin1String("."));
        }
    }
    trap.at(30);
    bool found = lookUp(probe, checkSize, trap);
    if (!found && probe != trimmed) {
        trap.at(40);
        found = lookUp(trimmed, checkSize, trap);
    }
    return found;
}

qint64 FileOperations::timedSize(const QString& path) {
    const qint64 start = m_uptime.TickCountMilliSec();
    qint64 size = -1;
    const QByteArray native = nativeBytes(m_paths.toNative(path));
    const int fd = native.isEmpty()
                       ? -1
                       : ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd >= 0) {
        struct stat st {};
        // A folder is no file: it cannot be opened to read its size.
        if (::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) {
            size = st.st_size;
        }
        ::close(fd);
    }
    const qint64 duration = m_uptime.TickCountMilliSec() - start;
    if (duration > 1000) {
        m_trace.line(QStringLiteral("Function ") + Module + QStringLiteral("TailleDuFichier") +
                     QStringLiteral(" Duration: ") + QString::number(duration) +
                     QStringLiteral(" ms (File: ") + path + QLatin1Char(')'));
    }
    return size;
}

qint32 FileOperations::TailleDuFichier(const QString& path) {
    const qint64 size = timedSize(path);
    if (size < 0) {
        return -1;
    }
    return static_cast<qint32>(static_cast<quint32>(static_cast<quint64>(size) & 0xFFFFFFFFu));
}

qint32 FileOperations::copyFile(const QString& source, const QString& target) {
    const QByteArray sourceNative = nativeBytes(m_paths.toNative(trimBlanks(source)));
    const int in = sourceNative.isEmpty()
                       ? -1
                       : ::open(sourceNative.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (in < 0) {
        return shellErrorCode(ShellStep::CopySource, sourceNative.isEmpty() ? EINVAL : errno);
    }
    struct stat sourceStat {};
    if (::fstat(in, &sourceStat) != 0) {
        const int err = errno;
        ::close(in);
        return shellErrorCode(ShellStep::CopySource, err);
    }
    if (lockedByOther(in, F_RDLCK)) {
        ::close(in);
        return CodeInUse;
    }

    // A target naming a folder (an existing one, or any path ending with a
    // backslash) receives the file under its own name.
    QString targetPath = trimBlanks(target);
    QByteArray targetNative = nativeBytes(m_paths.toNative(targetPath));
    struct stat targetStat {};
    const bool namesFolder = targetPath.endsWith(QLatin1Char('\\'));
    int err = statOf(targetNative, &targetStat);
    if (namesFolder && err != 0) {
        ::close(in);
        return shellErrorCode(ShellStep::CopyTarget, err);
    }
    if (err == 0 && S_ISDIR(targetStat.st_mode)) {
        targetPath = CheckRep(targetPath) + windowsFileName(source);
        targetNative = nativeBytes(m_paths.toNative(targetPath));
        err = statOf(targetNative, &targetStat);
    }
    if (targetNative.isEmpty()) {
        ::close(in);
        return shellErrorCode(ShellStep::CopyTarget, ENOENT);
    }
    if (err == 0) {
        if (targetStat.st_dev == sourceStat.st_dev && targetStat.st_ino == sourceStat.st_ino) {
            ::close(in);
            return CodeSameFile;
        }
        if (lockedByOther(targetNative, F_WRLCK)) {
            ::close(in);
            return CodeInUse;
        }
        // A linked target is replaced where the link points, not the link itself.
        char* real = ::realpath(targetNative.constData(), nullptr);
        if (real != nullptr) {
            targetNative = QByteArray(real);
            ::free(real);
        }
    }

    const qsizetype slash = targetNative.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? targetNative.left(slash) : QByteArrayLiteral("/");
    struct stat folderStat {};
    err = statOf(folder, &folderStat);
    if (err == 0 && !S_ISDIR(folderStat.st_mode)) {
        err = ENOTDIR;
    }
    if (err != 0) {
        ::close(in);
        return shellErrorCode(ShellStep::CopyTarget, err);
    }

    // The copy goes to a temporary file beside the target, renamed over it once
    // complete: a failed copy never leaves half a target behind.
    QByteArray temporary = folder + QByteArrayLiteral("/.trelvo-copy-XXXXXX");
    const int out = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        err = errno;
        ::close(in);
        return shellErrorCode(ShellStep::CopyTarget, err);
    }
    qint32 code = 0;
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            code = shellErrorCode(ShellStep::CopySource, errno);
            break;
        }
        if (n == 0) {
            break;
        }
        if (const int w = writeAll(out, buffer.data(), n)) {
            code = shellErrorCode(ShellStep::CopyTarget, w);
            break;
        }
    }
    if (code == 0) {
        // The copy keeps the source's permissions and last-write time, as the
        // shell keeps its attributes and dates.
        const struct timespec times[2] = {sourceStat.st_atim, sourceStat.st_mtim};
        ::fchmod(out, sourceStat.st_mode & 07777);
        ::futimens(out, times);
        if (::fsync(out) != 0 && errno != EINVAL) {
            code = shellErrorCode(ShellStep::CopyTarget, errno);
        }
    }
    if (::close(out) != 0 && code == 0) {
        code = shellErrorCode(ShellStep::CopyTarget, errno);
    }
    ::close(in);
    if (code == 0 && ::rename(temporary.constData(), targetNative.constData()) != 0) {
        code = shellErrorCode(ShellStep::CopyTarget, errno);
    }
    if (code != 0) {
        ::unlink(temporary.constData());
    }
    return code;
}

bool FileOperations::File_Copy(const QString& source, const QString& target, qint32 flags,
                               qint32 window) {
    Q_UNUSED(window);
    // The copy never asks (the shell's "no confirmation", always added) and never
    // shows a dialog; the caller's other options change nothing here.
    Q_UNUSED(flags);
    if (isBlank(source)) {
        m_trace.line(QStringLiteral("Warning: File_Copy: File name null"));
        return false;
    }
    if (!File_Exist(source, Module + QStringLiteral("File_Copy"), true)) {
        if (!source.contains(QLatin1String(".gpx"), Qt::CaseInsensitive)) {
            m_trace.line(QStringLiteral("Warning: File_Copy: File not found: ") + source);
        }
        return false;
    }
    const qint32 code = copyFile(source, target);
    if (code == 0) {
        return true;
    }
    m_trace.line(QStringLiteral("File_Copy: Err: ") + QString::number(code) + copyErrorText(code) +
                     source + QStringLiteral("  Target: ") + target,
                 true);
    if (code == CodeOutOfMemory && m_relaunch) {
        m_relaunch(Module + QStringLiteral("File_Copy"));
    }
    if (!target.startsWith(QLatin1String("\\\\"))) {
        const QString drive = target.left(3);
        m_trace.line(QStringLiteral("Free space for ") + drive + QStringLiteral(": ") +
                     LibSize(EspaceLibreDisque(drive)));
    }
    return false;
}

qint32 FileOperations::deleteFile(const QString& path) {
    if (hasWildcard(path)) {
        return CodeNotFound;
    }
    const QByteArray native = nativeBytes(m_paths.toNative(trimBlanks(path)));
    struct stat st {};
    if (native.isEmpty()) {
        return shellErrorCode(ShellStep::Delete, ENOENT);
    }
    if (::lstat(native.constData(), &st) != 0) {
        return shellErrorCode(ShellStep::Delete, errno);
    }
    // Files only: a folder is never deleted here.
    if (S_ISDIR(st.st_mode)) {
        return shellErrorCode(ShellStep::Delete, EISDIR);
    }
    if (S_ISREG(st.st_mode) && lockedByOther(native, F_WRLCK)) {
        return CodeInUse;
    }
    if (::unlink(native.constData()) != 0) {
        return shellErrorCode(ShellStep::Delete, errno);
    }
    return 0;
}

bool FileOperations::File_Delete(const QString& path, const QString& callerName, qint32 flags,
                                 qint32 window) {
    Q_UNUSED(window);
    const QString sub = QStringLiteral(" |Sub: ") + callerName + QLatin1Char('>') + Module +
                        QStringLiteral("File_Delete");
    if (isBlank(path)) {
        m_trace.line(QStringLiteral("Warning: File_Delete: File name null") + sub);
        return false;
    }
    // The default options (1168: no confirmation, files only, no error dialog, no
    // recycle bin) are how a delete always works here, whatever the flags.
    Q_UNUSED(flags);
    const qint32 code = deleteFile(path);
    if (code == 0) {
        return true;
    }
    const DeleteLine line = deleteLine(code);
    m_trace.line(QString::fromLatin1(line.prefix) + QString::number(code) +
                     QString::fromLatin1(line.text) + path + sub,
                 line.incident);
    if (code == CodeOutOfMemory && m_relaunch) {
        m_relaunch(Module + QStringLiteral("File_Delete"));
    }
    return false;
}

void FileOperations::File_RemoveFlag(const QString& path, qint32 bits) {
    if (isBlank(path)) {
        return;
    }
    if (!File_Exist(path, Module + QStringLiteral("File_RemoveFlag"), false)) {
        m_trace.line(QStringLiteral("Warning: File_RemoveFlag: File not found: ") + path);
        return;
    }
    // Only the read-only attribute has a meaning here; errors are ignored.
    if ((bits & 1) == 0) {
        return;
    }
    const QByteArray native = nativeBytes(m_paths.toNative(trimBlanks(path)));
    struct stat st {};
    if (statOf(native, &st) == 0 && (st.st_mode & S_IWUSR) == 0) {
        ::chmod(native.constData(), (st.st_mode & 07777) | S_IWUSR);
    }
}

double FileOperations::EspaceLibreDisque(const QString& driveRoot) {
    if (isBlank(driveRoot)) {
        return 0.0;
    }
    const QByteArray native = nativeBytes(m_paths.toNative(driveRoot));
    struct statvfs fs {};
    if (native.isEmpty() || ::statvfs(native.constData(), &fs) != 0) {
        return 0.0;
    }
    return static_cast<double>(fs.f_bavail) * static_cast<double>(fs.f_frsize);
}

QString FileOperations::LibSize(double bytes) {
    static const char* const units[] = {" Ko", " Mo", " Go", " To", " Po", " Eo", " Zo", " Yo"};
    // "###,###,##0.00": always grouped, two decimals, the user's separators.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    if (!(bytes >= 1024.0)) {
        return locale.toString(bytes, 'f', 2) + QStringLiteral(" Octets");
    }
    double value = bytes / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(units)) {
        value /= 1024.0;
        ++unit;
    }
    return locale.toString(value, 'f', 2) + QString::fromLatin1(units[unit]);
}
