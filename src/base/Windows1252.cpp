#include "base/TextFormat.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

void appendWindows1252(QByteArray& out, QStringView text) {
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* dst = out.data() + start;
    const char16_t* src = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (;;) {
        // Most text is ASCII, which is the same byte: copied without a look-up,
        // sixteen characters at a time where the processor allows.
#ifdef __SSE2__
        while (i + 16 <= n) {
            const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
            const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + 8));
            // Any bit from 0x80 up in any of the sixteen: not all ASCII.
            const __m128i upper = _mm_and_si128(_mm_or_si128(low, high), _mm_set1_epi16(-0x80));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(upper, _mm_setzero_si128())) != 0xFFFF) {
                break;
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(low, high));
            dst += 16;
            i += 16;
        }
#endif
        while (i < n && src[i] < 0x80) {
            *dst++ = static_cast<char>(src[i++]);
        }
        if (i == n) {
            break;
        }
        const QChar c(src[i]);
        // A character beyond the 16-bit plane (a surrogate pair) is one "?", not two.
        if (c.isHighSurrogate() && i + 1 < n && QChar(src[i + 1]).isLowSurrogate()) {
            ++i;
        }
        *dst++ = static_cast<char>(windows1252Code(c));
        ++i;
    }
    out.truncate(dst - out.constData());
}

QByteArray toWindows1252(const QString& text) {
    QByteArray bytes;
    appendWindows1252(bytes, text);
    return bytes;
}
