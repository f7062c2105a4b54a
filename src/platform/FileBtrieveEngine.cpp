#include "platform/FileBtrieveEngine.h"

#include "base/TextFormat.h"
#include "platform/AtomicFile.h"
#include "platform/BtrieveFileControlRecord.h"
#include "platform/BtrieveFileLayout.h"
#include "platform/PathSpace.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The 4 bytes that mark a position block this engine filled, after the handle.
constexpr char BlockMark[4] = {'T', 'R', 'B', 'T'};

int lockRetrying(int fd, int operation) {
    int rc;
    do {
        rc = ::flock(fd, operation | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

qint16 openErrorStatus(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return BtrieveEngine::FileNotFound;
    case ENAMETOOLONG:
    case ELOOP:
    case EILSEQ:
    case EINVAL:
        return BtrieveEngine::InvalidFileName;
    case EACCES:
    case EPERM:
    case ETXTBSY:
        return BtrieveEngine::AccessDenied;
    case EISDIR:
        return BtrieveEngine::NotMicroKernelFile;
    default:
        return BtrieveEngine::IoError;
    }
}

// Reads the start of a file; false on an input/output error.
bool readStart(int fd, QByteArray& start) {
    start.resize(BtrieveFileControlRecord::ReadSize);
    qsizetype got = 0;
    while (got < start.size()) {
        const ssize_t n = ::pread(fd, start.data() + got, size_t(start.size() - got), off_t(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    start.truncate(got);
    return true;
}

} // namespace

FileBtrieveEngine::~FileBtrieveEngine() {
    stop();
}

quint32 FileBtrieveEngine::handleOf(const PositionBlock& block) {
    if (std::memcmp(block.data() + 4, BlockMark, sizeof BlockMark) != 0) {
        return 0;
    }
    quint32 handle = 0;
    for (int i = 3; i >= 0; --i) {
        handle = (handle << 8) | quint8(block[size_t(i)]);
    }
    return handle;
}

std::optional<QString> FileBtrieveEngine::fileName(std::span<const char> key, quint8 keyLength) {
    const size_t limit = std::min(size_t(keyLength), key.size());
    size_t end = 0;
    while (end < limit && key[end] != '\0') {
        ++end;
    }
    if (end == limit && limit < key.size() && key[limit] != '\0') {
        return std::nullopt; // the name goes on beyond the key length
    }
    QString name = fromWindows1252(QByteArray(key.data(), qsizetype(end)));
    while (name.endsWith(QLatin1Char(' '))) {
        name.chop(1);
    }
    if (name.trimmed().isEmpty()) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.unicode() < 32 || QStringLiteral("<>\"|?*").contains(c) ||
            (c == QLatin1Char(':') && i != 1)) {
            return std::nullopt;
        }
    }
    return name;
}

qint16 FileBtrieveEngine::BTRCALL(qint16 operation, PositionBlock& positionBlock,
                                  std::span<char> dataBuffer, quint32& dataLength,
                                  std::span<const char> keyBuffer, quint8 keyLength,
                                  qint8 keyNumber) {
    if (dataLength > dataBuffer.size()) {
        return DataBufferTooShort;
    }
    if (operation == OpStop) {
        return stop();
    }
    if (operation != OpOpen && operation != OpCreate) {
        return InvalidOperation;
    }
    const std::optional<QString> path = fileName(keyBuffer, keyLength);
    if (!path) {
        return InvalidFileName;
    }
    if (operation == OpOpen) {
        return open(positionBlock, *path, keyNumber);
    }
    return create(dataBuffer.first(dataLength), *path);
}

qint16 FileBtrieveEngine::open(PositionBlock& positionBlock, const QString& path, qint8 mode) {
    const QByteArray native = QFile::encodeName(m_paths.toNative(path));
    if (native.isEmpty()) {
        return InvalidFileName;
    }
    // Never blocks on a pipe or a device that stands where a file should.
    const int common = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = -1;
    if (mode != ModeReadOnly) {
        fd = ::open(native.constData(), O_RDWR | common);
    }
    if (fd < 0 && (mode == ModeReadOnly || errno == EACCES || errno == EROFS || errno == EPERM)) {
        // A file this process may only read is still one it can share.
        fd = ::open(native.constData(), O_RDONLY | common);
    }
    if (fd < 0) {
        return openErrorStatus(errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return NotMicroKernelFile;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (lockRetrying(fd, mode == ModeExclusive ? LOCK_EX : LOCK_SH) != 0 &&
        (errno == EWOULDBLOCK || errno == EAGAIN)) {
        ::close(fd);
        return AccessDenied;
    }
    // (A file system without locks leaves the file open unlocked.)
    QByteArray start;
    if (!readStart(fd, start)) {
        ::close(fd);
        return IoError;
    }
    const qint16 status = BtrieveFileControlRecord::read(start);
    if (status != Success) {
        ::close(fd);
        return status;
    }
    const quint32 handle = m_nextHandle++;
    m_files[handle] = fd;
    positionBlock.fill(' ');
    for (size_t i = 0; i < 4; ++i) {
        positionBlock[i] = char((handle >> (8 * i)) & 0xFF);
    }
    std::memcpy(positionBlock.data() + 4, BlockMark, sizeof BlockMark);
    return Success;
}

qint16 FileBtrieveEngine::create(std::span<const char> specBytes, const QString& path) {
    BtrieveFileLayout layout;
    if (!BtrieveFileLayout::decode(specBytes, layout)) {
        return DataBufferTooShort;
    }
    if (const qint16 invalid = layout.validate(); invalid != Success) {
        return invalid;
    }
    QByteArray content;
    if (const qint16 status = BtrieveFileControlRecord::emptyFile(layout, content);
        status != Success) {
        return status;
    }
    const QString nativePath = m_paths.toNative(path);
    const QByteArray native = QFile::encodeName(nativePath);
    if (native.isEmpty()) {
        return InvalidFileName;
    }
    // A file of that name that someone holds open is not pulled from under them.
    const int existing = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (existing >= 0) {
        struct stat info {};
        const bool regular = ::fstat(existing, &info) == 0 && S_ISREG(info.st_mode);
        const bool busy = regular && lockRetrying(existing, LOCK_EX) != 0 &&
                          (errno == EWOULDBLOCK || errno == EAGAIN);
        ::close(existing);
        if (!regular) {
            return CreateIoError;
        }
        if (busy) {
            return AccessDenied;
        }
    } else if (errno == ENAMETOOLONG) {
        return InvalidFileName;
    }
    switch (AtomicFile::replace(nativePath, content)) {
    case AtomicFile::Result::Written:
        return Success;
    case AtomicFile::Result::ReadOnly:
        return AccessDenied;
    case AtomicFile::Result::Failed:
        break;
    }
    return CreateIoError;
}

qint16 FileBtrieveEngine::stop() {
    for (const auto& [handle, fd] : m_files) {
        ::close(fd); // releases its lock
    }
    m_files.clear();
    return Success;
}
