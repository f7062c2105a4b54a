#pragma once

#include "platform/BtrieveEngine.h"

#include <QString>

#include <map>
#include <optional>

class PathSpace;

// The engine on real files of the path space, as little of it as the program needs:
// open recognises a data file by its control record and keeps it open, with a
// descriptor and an advisory lock (flock), until the stop; create writes an empty
// file of a layout at once, in place of any file of that name; stop closes
// every file this engine opened. Several programs may hold a file open together
// (shared locks); an exclusive lock held elsewhere refuses the open (status 46).
class FileBtrieveEngine final : public BtrieveEngine {
public:
    explicit FileBtrieveEngine(const PathSpace& paths) : m_paths(paths) {}
    ~FileBtrieveEngine() override;
    FileBtrieveEngine(const FileBtrieveEngine&) = delete;
    FileBtrieveEngine& operator=(const FileBtrieveEngine&) = delete;

    qint16 BTRCALL(qint16 operation, PositionBlock& positionBlock, std::span<char> dataBuffer,
                   quint32& dataLength, std::span<const char> keyBuffer, quint8 keyLength,
                   qint8 keyNumber) override;

    // How many files this engine holds open.
    int openFiles() const { return int(m_files.size()); }
    // The handle a position block of an open file carries, 0 for any other block.
    static quint32 handleOf(const PositionBlock& positionBlock);

    // The Windows path in a key buffer: up to keyLength bytes or the first zero byte.
    // Nothing when the name runs on past keyLength (it would be cut), is blank, or
    // holds what no Windows file name may hold.
    static std::optional<QString> fileName(std::span<const char> keyBuffer, quint8 keyLength);

private:
    qint16 open(PositionBlock& positionBlock, const QString& path, qint8 mode);
    qint16 create(std::span<const char> layout, const QString& path);
    qint16 stop();

    const PathSpace& m_paths;
    std::map<quint32, int> m_files; // handle -> descriptor
    quint32 m_nextHandle = 1;
};
