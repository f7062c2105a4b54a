#pragma once

#include <QtGlobal>

#include <array>
#include <span>

// The data-file engine's single entry point, as the suite's programs call it: an
// operation code, the 128-byte position block of the file, a data buffer with its
// length, a key buffer with its length and a key number; the result is the
// engine's status (0 = success). Only the three operations this program needs are
// known; any other code gives status 1.
class BtrieveEngine {
public:
    static constexpr qint16 OpOpen = 0;    // key buffer: the path; key number: the open mode
    static constexpr qint16 OpCreate = 14; // data buffer: the 160-byte file layout
    static constexpr qint16 OpStop = 25;   // ends the caller's use: every file it opened closes

    // Open modes (the key number of an open).
    static constexpr qint8 ModeNormal = 0;
    static constexpr qint8 ModeReadOnly = -2;
    static constexpr qint8 ModeExclusive = -4;

    // The statuses this engine gives.
    enum Status : qint16 {
        Success = 0,
        InvalidOperation = 1,
        IoError = 2,
        InvalidFileName = 11,
        FileNotFound = 12,
        DataBufferTooShort = 22,
        PageSizeError = 24,
        CreateIoError = 25,
        InvalidKeyCount = 26,
        InvalidKeyPosition = 27,
        InvalidRecordLength = 28,
        InvalidKeyLength = 29,
        NotMicroKernelFile = 30,
        AccessDenied = 46,
    };

    static constexpr int PositionBlockSize = 128;
    using PositionBlock = std::array<char, PositionBlockSize>;

    // A fresh position block: 128 blanks.
    static PositionBlock blankPositionBlock() {
        PositionBlock block;
        block.fill(' ');
        return block;
    }

    virtual ~BtrieveEngine() = default;

    // The key buffer holds a path in Windows-1252, read up to keyLength bytes or its
    // first zero byte. dataLength never exceeds the data buffer's size: a longer one
    // gives status 22.
    virtual qint16 BTRCALL(qint16 operation, PositionBlock& positionBlock,
                           std::span<char> dataBuffer, quint32& dataLength,
                           std::span<const char> keyBuffer, quint8 keyLength, qint8 keyNumber) = 0;
};
