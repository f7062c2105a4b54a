#include "platform/BtrieveFileControlRecord.h"

#include "platform/BtrieveEngine.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Offsets in a control page.
constexpr qsizetype AtSignature = 0x00;
constexpr qsizetype AtUsageCount = 0x04;
constexpr qsizetype AtLegacyVersion = 0x06;
constexpr qsizetype AtPageSize = 0x08;
constexpr qsizetype AtDeletedChain = 0x10;
constexpr qsizetype AtKeyCount = 0x14;
constexpr qsizetype AtRecordLength = 0x16;
constexpr qsizetype AtPhysicalLength = 0x18;
constexpr qsizetype AtRecordCount = 0x1A;
constexpr qsizetype AtInconsistent = 0x22;
constexpr qsizetype AtPageCount = 0x26;
constexpr qsizetype AtPageSize256 = 0x2B;
constexpr qsizetype AtVersion = 0x4A;
constexpr qsizetype AtKatKeyCount = 0x76;
constexpr qsizetype AtKatOffset = 0x78;
constexpr qsizetype AtFileFlags = 0x106;
constexpr qsizetype AtLegacySegments = 0x110;
constexpr qsizetype MinPageSize = 512;
constexpr qsizetype MaxPageSize = 16384;

// A segment definition.
constexpr qsizetype SegmentDefinitionSize = 30;
constexpr qsizetype InSegmentFlags = 0x08;
constexpr qsizetype InSegmentPosition = 0x14;
constexpr qsizetype InSegmentLength = 0x16;
constexpr qsizetype InSegmentType = 0x1C;
constexpr qsizetype InSegmentNull = 0x1D;

// Where the file this engine writes keeps its key attribute table.
constexpr qsizetype WrittenKatOffset = 0x110;
constexpr int WrittenPageCount = 4;

quint16 u16(QByteArrayView b, qsizetype at) {
    return quint16(quint8(b[at]) | (quint8(b[at + 1]) << 8));
}
quint32 u32(QByteArrayView b, qsizetype at) {
    return quint32(u16(b, at)) | (quint32(u16(b, at + 2)) << 16);
}
// A 32-bit count stored high word first.
quint32 swapped32(QByteArrayView b, qsizetype at) {
    return (quint32(u16(b, at)) << 16) | u16(b, at + 2);
}
void put16(QByteArray& b, qsizetype at, quint16 v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
void put32(QByteArray& b, qsizetype at, quint32 v) {
    put16(b, at, quint16(v & 0xFFFF));
    put16(b, at + 2, quint16(v >> 16));
}
void putSwapped32(QByteArray& b, qsizetype at, quint32 v) {
    put16(b, at, quint16(v >> 16));
    put16(b, at + 2, quint16(v & 0xFFFF));
}

bool validPageSize(qsizetype size, qsizetype max) {
    return size >= MinPageSize && size <= max && size % MinPageSize == 0;
}

bool pagedSignature(QByteArrayView b) {
    return b.size() >= 4 && b[0] == 'F' && b[1] == 'C' && b[2] == 0 && b[3] == 0;
}

BtrieveKeySegment segmentAt(QByteArrayView page, qsizetype at, bool paged) {
    BtrieveKeySegment s;
    s.flags = u16(page, at + InSegmentFlags);
    const int stored = u16(page, at + InSegmentPosition);
    s.position = quint16(paged ? stored - 1 : stored + 1);
    s.length = u16(page, at + InSegmentLength);
    s.extendedType = quint8(page[at + InSegmentType]);
    s.nullValue = quint8(page[at + InSegmentNull]);
    return s;
}

// The segment definitions of every key, from the page's own tables; false when the
// tables point outside the page.
bool readSegments(QByteArrayView page, BtrieveFileHeader& h) {
    const bool paged = h.family == BtrieveFileHeader::Family::Paged;
    const qsizetype end = h.pageSize;
    qsizetype legacyNext = AtLegacySegments;
    for (int k = 0; k < h.keyCount; ++k) {
        qsizetype at = legacyNext;
        if (paged) {
            const qsizetype kat = u16(page, AtKatOffset) + qsizetype(2) * k;
            if (kat + 2 > end) {
                return false;
            }
            at = u16(page, kat);
        }
        // A key continues while its segments carry the segmented flag; a page holds
        // only so many definitions.
        for (int guard = 0;; ++guard) {
            if (at + SegmentDefinitionSize > end || guard > end / SegmentDefinitionSize) {
                return false;
            }
            const BtrieveKeySegment s = segmentAt(page, at, paged);
            h.segments << s;
            at += SegmentDefinitionSize;
            if ((s.flags & BtrieveFileLayout::FlagSegmented) == 0) {
                break;
            }
        }
        legacyNext = at;
    }
    return true;
}

// The header fields common to both families, from one control page.
void readCommon(QByteArrayView page, BtrieveFileHeader& h) {
    h.keyCount = u16(page, AtKeyCount);
    h.recordLength = u16(page, AtRecordLength);
    h.physicalRecordLength = u16(page, AtPhysicalLength);
    h.recordCount = swapped32(page, AtRecordCount);
    h.pageCount = swapped32(page, AtPageCount);
    h.fileFlags = u16(page, AtFileFlags);
}

qint16 readLegacy(QByteArrayView start, BtrieveFileHeader& h) {
    h.family = BtrieveFileHeader::Family::Legacy;
    h.version = quint16(std::abs(qint16(u16(start, AtLegacyVersion))));
    const int major = h.version >> 8;
    if (major < 3 || major > 5) {
        return BtrieveEngine::NotMicroKernelFile;
    }
    h.pageSize = u16(start, AtPageSize);
    if (!validPageSize(h.pageSize, 4096)) {
        return BtrieveEngine::NotMicroKernelFile;
    }
    readCommon(start, h);
    h.usageCount = u16(start, AtUsageCount);
    if (h.keyCount > BtrieveFileLayout::MaxKeys) {
        return BtrieveEngine::NotMicroKernelFile;
    }
    if (start.size() < h.pageSize) {
        return BtrieveEngine::IoError; // cut short
    }
    if (!readSegments(start.first(h.pageSize), h)) {
        return BtrieveEngine::NotMicroKernelFile;
    }
    if (u16(start, AtInconsistent) == 0xFFFF) {
        return BtrieveEngine::IoError; // left inconsistent: it needs recovering
    }
    return BtrieveEngine::Success;
}

// One control page of the 6.x family: 0 and its header, or 30.
qint16 readPagedPage(QByteArrayView page, BtrieveFileHeader& h) {
    if (!pagedSignature(page) || page.size() < MinPageSize) {
        return BtrieveEngine::NotMicroKernelFile;
    }
    h.family = BtrieveFileHeader::Family::Paged;
    h.version = quint16(std::abs(qint16(u16(page, AtVersion))));
    const int major = h.version >> 8;
    if (major < 6 || major > 9) {
        return BtrieveEngine::NotMicroKernelFile;
    }
    h.pageSize = u16(page, AtPageSize);
    if (major >= 8 && validPageSize(qsizetype(u16(page, AtPageSize256)) * 256, MaxPageSize)) {
        h.pageSize = quint16(u16(page, AtPageSize256) * 256);
    }
    if (!validPageSize(h.pageSize, MaxPageSize)) {
        return BtrieveEngine::NotMicroKernelFile;
    }
    readCommon(page, h);
    h.usageCount = u32(page, AtUsageCount);
    if (h.keyCount > BtrieveFileLayout::MaxKeys ||
        quint8(page[AtKatKeyCount]) != (h.keyCount & 0xFF)) {
        return BtrieveEngine::NotMicroKernelFile;
    }
    return BtrieveEngine::Success;
}

} // namespace

namespace BtrieveFileControlRecord {

qint16 read(QByteArrayView start, BtrieveFileHeader* out) {
    start = start.first(std::min(start.size(), ReadSize));
    if (start.size() < MinPageSize) {
        return BtrieveEngine::NotMicroKernelFile;
    }
    BtrieveFileHeader h;
    qint16 status = BtrieveEngine::NotMicroKernelFile;
    if (u32(start, AtSignature) == 0) {
        status = readLegacy(start, h);
    } else if (pagedSignature(start)) {
        status = readPagedPage(start, h);
        if (status == BtrieveEngine::Success) {
            if (start.size() < qsizetype(h.pageSize) * 2) {
                return BtrieveEngine::IoError; // the second control page is missing
            }
            // The current control record is the one used more often.
            BtrieveFileHeader shadow;
            const QByteArrayView second = start.sliced(h.pageSize, h.pageSize);
            if (readPagedPage(second, shadow) == BtrieveEngine::Success &&
                shadow.pageSize == h.pageSize && shadow.usageCount > h.usageCount) {
                h = shadow;
                if (!readSegments(second, h)) {
                    return BtrieveEngine::NotMicroKernelFile;
                }
            } else if (!readSegments(start.first(h.pageSize), h)) {
                return BtrieveEngine::NotMicroKernelFile;
            }
        }
    }
    if (status == BtrieveEngine::Success && out) {
        *out = h;
    }
    return status;
}

qint16 emptyFile(const BtrieveFileLayout& layout, QByteArray& content) {
    const qsizetype page = layout.pageSize;
    const QList<QList<BtrieveKeySegment>> keys = layout.keys();
    qsizetype segmentCount = 0;
    for (const QList<BtrieveKeySegment>& key : keys) {
        segmentCount += key.size();
    }
    const qsizetype firstDefinition = WrittenKatOffset + 2 * qsizetype(keys.size());
    if (firstDefinition + segmentCount * SegmentDefinitionSize > page) {
        return BtrieveEngine::PageSizeError;
    }
    QByteArray fcr(page, '\0');
    fcr[0] = 'F';
    fcr[1] = 'C';
    put16(fcr, AtPageSize, layout.pageSize);
    put32(fcr, AtDeletedChain, 0xFFFFFFFFu); // no deleted record
    put16(fcr, AtKeyCount, layout.keyCount);
    put16(fcr, AtRecordLength, layout.recordLength);
    put16(fcr, AtPhysicalLength, quint16(layout.physicalRecordLength()));
    putSwapped32(fcr, AtRecordCount, 0);
    putSwapped32(fcr, AtPageCount, WrittenPageCount);
    put16(fcr, AtVersion, WrittenVersion);
    fcr[AtKatKeyCount] = char(layout.keyCount & 0xFF);
    put16(fcr, AtKatOffset, quint16(WrittenKatOffset));
    put16(fcr, AtFileFlags, layout.fileFlags);
    qsizetype at = firstDefinition;
    for (qsizetype k = 0; k < keys.size(); ++k) {
        put16(fcr, WrittenKatOffset + 2 * k, quint16(at));
        for (const BtrieveKeySegment& s : keys[k]) {
            put16(fcr, at + InSegmentFlags, s.flags);
            put16(fcr, at + InSegmentPosition, quint16(s.position + 1));
            put16(fcr, at + InSegmentLength, s.length);
            fcr[at + InSegmentType] = char(s.extendedType);
            fcr[at + InSegmentNull] = char(s.nullValue);
            at += SegmentDefinitionSize;
        }
    }
    // Page 0 is current (used twice), page 1 its older copy; then the two page
    // allocation pages, empty.
    QByteArray shadow = fcr;
    put32(fcr, AtUsageCount, 2);
    put32(shadow, AtUsageCount, 1);
    QByteArray pat(page, '\0');
    pat[0] = 'P';
    pat[1] = 'P';
    QByteArray patShadow = pat;
    put32(pat, AtUsageCount, 2);
    put32(patShadow, AtUsageCount, 1);
    content = fcr + shadow + pat + patShadow;
    return BtrieveEngine::Success;
}

} // namespace BtrieveFileControlRecord
