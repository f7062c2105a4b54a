#include "base/TextFormat.h"

// Windows-1252 is Latin-1 except in 0x80-0x9F, where it holds typographic
// characters. The five codes that Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for the control character of the same number, as the
// Windows converter's best-fit mapping does, so that every byte reads as one
// character and writes back as the same byte.

namespace {

constexpr char16_t kHighHalf[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80-0x87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88-0x8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90-0x97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98-0x9F
};

constexpr int kNoCode = '?';

} // namespace

int windows1252Code(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        return u;
    }
    for (int i = 0; i < 32; ++i) {
        if (kHighHalf[i] == u) {
            return 0x80 + i;
        }
    }
    // The C1 controls other than the five above, and everything beyond Latin-1
    // that the table does not hold.
    return kNoCode;
}

QString fromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        *out++ = QChar(byte >= 0x80 && byte <= 0x9F ? kHighHalf[byte - 0x80] : char16_t(byte));
    }
    return text;
}

QByteArray toWindows1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        // A character beyond the 16-bit plane (a surrogate pair) is one "?", not two.
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            ++i;
        }
        *out++ = static_cast<char>(windows1252Code(c));
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}
