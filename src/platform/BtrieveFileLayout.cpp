#include "platform/BtrieveFileLayout.h"

#include "platform/BtrieveEngine.h"

namespace {

void put16(QByteArray& out, int at, quint16 value) {
    out[at] = char(value & 0xFF);
    out[at + 1] = char(value >> 8);
}

quint16 get16(std::span<const char> in, size_t at) {
    return quint16(quint8(in[at]) | (quint8(in[at + 1]) << 8));
}

} // namespace

QByteArray BtrieveFileLayout::encode() const {
    QByteArray out(Size, '\0');
    put16(out, 0, recordLength);
    put16(out, 2, pageSize);
    put16(out, 4, keyCount);
    put16(out, 10, fileFlags);
    put16(out, 14, preallocation);
    for (int i = 0; i < NbSegments; ++i) {
        const int at = HeaderSize + i * SegmentSize;
        const BtrieveKeySegment& s = segments[size_t(i)];
        put16(out, at, s.position);
        put16(out, at + 2, s.length);
        put16(out, at + 4, s.flags);
        out[at + 10] = char(s.extendedType);
        out[at + 11] = char(s.nullValue);
    }
    return out;
}

bool BtrieveFileLayout::decode(std::span<const char> bytes, BtrieveFileLayout& layout) {
    if (bytes.size() < size_t(Size)) {
        return false;
    }
    layout.recordLength = get16(bytes, 0);
    layout.pageSize = get16(bytes, 2);
    layout.keyCount = get16(bytes, 4);
    layout.fileFlags = get16(bytes, 10);
    layout.preallocation = get16(bytes, 14);
    for (int i = 0; i < NbSegments; ++i) {
        const size_t at = size_t(HeaderSize + i * SegmentSize);
        BtrieveKeySegment& s = layout.segments[size_t(i)];
        s.position = get16(bytes, at);
        s.length = get16(bytes, at + 2);
        s.flags = get16(bytes, at + 4);
        s.extendedType = quint8(bytes[at + 10]);
        s.nullValue = quint8(bytes[at + 11]);
    }
    return true;
}

QList<QList<BtrieveKeySegment>> BtrieveFileLayout::keys() const {
    QList<QList<BtrieveKeySegment>> out;
    size_t next = 0;
    for (int k = 0; k < keyCount; ++k) {
        QList<BtrieveKeySegment> key;
        for (;;) {
            if (next >= segments.size()) {
                return {};
            }
            const BtrieveKeySegment& s = segments[next++];
            key << s;
            if ((s.flags & FlagSegmented) == 0) {
                break;
            }
        }
        out << key;
    }
    return out;
}

int BtrieveFileLayout::physicalRecordLength() const {
    int duplicates = 0;
    for (const QList<BtrieveKeySegment>& key : keys()) {
        if (key.first().flags & FlagDuplicates) {
            ++duplicates;
        }
    }
    return recordLength + RecordUsageBytes + duplicates * DuplicatePointerBytes;
}

qint16 BtrieveFileLayout::validate() const {
    if (pageSize < MinPageSize || pageSize > MaxPageSize || pageSize % MinPageSize != 0) {
        return BtrieveEngine::PageSizeError;
    }
    if (keyCount > MaxKeys) {
        return BtrieveEngine::InvalidKeyCount;
    }
    const QList<QList<BtrieveKeySegment>> chained = keys();
    if (keyCount > 0 && chained.isEmpty()) {
        return BtrieveEngine::InvalidKeyCount; // more segments than the buffer holds
    }
    if (recordLength < 4 || physicalRecordLength() > pageSize - PageOverhead) {
        return BtrieveEngine::InvalidRecordLength;
    }
    for (const QList<BtrieveKeySegment>& key : chained) {
        int total = 0;
        for (const BtrieveKeySegment& s : key) {
            if (s.length == 0 || s.length > MaxKeyLength) {
                return BtrieveEngine::InvalidKeyLength;
            }
            if (s.position < 1 || int(s.position) + s.length - 1 > recordLength) {
                return BtrieveEngine::InvalidKeyPosition;
            }
            total += s.length;
        }
        if (total > MaxKeyLength) {
            return BtrieveEngine::InvalidKeyLength;
        }
    }
    return BtrieveEngine::Success;
}
