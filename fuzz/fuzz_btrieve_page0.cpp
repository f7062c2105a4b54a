// The data-file engine's reader of a file's first pages on arbitrary bytes: it gives
// a status (0 a data file, 2 a damaged one, 30 anything else), never reads outside
// what it was given, and a header it accepts names a page size it can use.
#include "platform/BtrieveFileControlRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    BtrieveFileHeader header;
    const qint16 status = BtrieveFileControlRecord::read(bytes, &header);
    if (status != 0 && status != 2 && status != 30) {
        std::abort();
    }
    if (status == 0 && (header.pageSize < 512 || header.pageSize % 512 != 0 ||
                        qsizetype(header.pageSize) > bytes.size())) {
        std::abort();
    }
    return 0;
}
