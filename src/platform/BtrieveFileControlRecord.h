#pragma once

#include "platform/BtrieveFileLayout.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

// The File Control Record: the first page of every data file, which says what the
// file is. Two families exist:
//  - files of the 3.x to 5.x engines: bytes 0-3 zero, the version at 6, one FCR on
//    page 0 with the key segment definitions from 0x110;
//  - files of the 6.x and later engines: bytes 0-3 "FC" and two zeros, the version
//    at 0x4A, two FCRs (pages 0 and 1, the one with the higher usage count at 4 is
//    current) and a key attribute table (offset at 0x78) naming where each key's
//    segment definitions lie in the page.
// Common fields: page size at 8 (6.x and later from 8.x: the byte pair at 0x2B in
// units of 256), number of keys at 0x14, record length at 0x16, physical record
// length at 0x18, record and page counts (high word first) at 0x1A and 0x26, file
// flags at 0x106. A segment definition takes 30 bytes: flags at 8, position at 0x14
// (0-based; 6.x and later add the 2 bytes of each record's usage count), length at
// 0x16, extended type at 0x1C, null value at 0x1D.
struct BtrieveFileHeader {
    enum class Family { Legacy, Paged };

    Family family = Family::Paged;
    quint16 version = 0; // 0x0500, 0x0600, 0x0610, 0x0700, ...
    quint16 pageSize = 0;
    quint16 keyCount = 0;
    quint16 recordLength = 0;
    quint16 physicalRecordLength = 0;
    quint16 fileFlags = 0;
    quint32 usageCount = 0;
    quint32 recordCount = 0;
    quint32 pageCount = 0;
    QList<BtrieveKeySegment> segments; // positions 1-based, as in a layout
};

namespace BtrieveFileControlRecord {

// The bytes to read from the start of a file: two pages of the largest page size.
constexpr qsizetype ReadSize = 2 * 16384;
constexpr quint16 WrittenVersion = 0x0600;

// Reads the start of a file (up to ReadSize bytes). 0 and the header for a data
// file; 30 for anything that is not one; 2 for a data file that is damaged (marked
// inconsistent, or shorter than its control pages).
qint16 read(QByteArrayView start, BtrieveFileHeader* header = nullptr);

// A whole empty file of the 6.x family for a valid layout: the two control
// pages and the two empty page allocation pages. 0, or 24 when the key definitions
// do not fit in one page.
qint16 emptyFile(const BtrieveFileLayout& layout, QByteArray& content);

} // namespace BtrieveFileControlRecord
