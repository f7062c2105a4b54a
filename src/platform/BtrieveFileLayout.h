#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <array>
#include <span>

// The file layout of the engine's create operation: 160 bytes, integers
// little-endian. Bytes 0-1 record length, 2-3 page size, 4-5 number of keys, 6-9
// zero, 10-11 file flags, 12-13 zero, 14-15 pre-allocation; then nine key segment
// entries of 16 bytes: 0-1 position (1-based), 2-3 length, 4-5 key flags, 6-9 zero,
// 10 extended key type, 11 null value, 12-15 zero. A key of several segments takes
// consecutive entries, each but the last carrying the segmented flag.
struct BtrieveKeySegment {
    quint16 position = 0;
    quint16 length = 0;
    quint16 flags = 0;
    quint8 extendedType = 0;
    quint8 nullValue = 0;

    bool operator==(const BtrieveKeySegment&) const = default;
};

struct BtrieveFileLayout {
    static constexpr int Size = 160;
    static constexpr int HeaderSize = 16;
    static constexpr int SegmentSize = 16;
    static constexpr int NbSegments = 9;

    // Key flags.
    static constexpr quint16 FlagDuplicates = 1;
    static constexpr quint16 FlagModifiable = 2;
    static constexpr quint16 FlagSegmented = 16;
    static constexpr quint16 FlagCaseInsensitive = 1024;
    // File flags.
    static constexpr quint16 FileCompressed = 8;

    // Limits of the formats this engine writes.
    static constexpr quint16 MinPageSize = 512;
    static constexpr quint16 MaxPageSize = 4096;
    static constexpr int MaxKeys = 119;
    static constexpr int MaxKeyLength = 255;
    static constexpr int PageOverhead = 6;          // bytes of each data page's header
    static constexpr int RecordUsageBytes = 2;      // before each record
    static constexpr int DuplicatePointerBytes = 8; // per key allowing duplicates

    quint16 recordLength = 0;
    quint16 pageSize = 0;
    quint16 keyCount = 0;
    quint16 fileFlags = 0;
    quint16 preallocation = 0;
    std::array<BtrieveKeySegment, NbSegments> segments{};

    QByteArray encode() const;
    // Any 160 bytes or more; a shorter buffer gives nothing (status 22 for a create).
    static bool decode(std::span<const char> bytes, BtrieveFileLayout& layout);

    // The segments of each key, as the segmented flags chain them: empty when the
    // keys need more entries than there are.
    QList<QList<BtrieveKeySegment>> keys() const;
    // The bytes a record takes on a data page: its length, the usage count and a
    // pointer pair per key allowing duplicates.
    int physicalRecordLength() const;
    // 0 when the engine can create a file of this layout, else its status
    // (24 page size, 26 keys, 27 key position, 28 record length, 29 key length).
    qint16 validate() const;
};
