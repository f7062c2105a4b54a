// The profile (INI) reader and writer on arbitrary files: the input is a section, a
// key and a value, each ended by a newline, then the file's content. Whatever the
// file holds, a key written into it must read back as it reads from a file holding
// nothing else.
#include "base/TextFormat.h"
#include "platform/ProfileFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) {
        return 0;
    }
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<QByteArray> fields;
    qsizetype at = 0;
    for (int i = 0; i < 3; ++i) {
        const qsizetype end = input.indexOf('\n', at);
        if (end < 0) {
            return 0;
        }
        fields << input.mid(at, end - at);
        at = end + 1;
    }
    const QString section = fromWindows1252(fields.at(0));
    const QString key = fromWindows1252(fields.at(1));
    const QString value = fromWindows1252(fields.at(2));
    const QByteArray content = input.mid(at);

    (void)ProfileFile::find(content, section, key);
    const std::optional<QByteArray> updated = ProfileFile::update(content, section, key, value);
    if (!updated) {
        return 0;
    }
    const std::optional<QByteArray> alone = ProfileFile::update(QByteArray(), section, key, value);
    if (!alone ||
        ProfileFile::find(*updated, section, key) != ProfileFile::find(*alone, section, key)) {
        std::abort();
    }
    return 0;
}
