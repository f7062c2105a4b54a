#include "base/VisibleText.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

} // namespace

bool hasControlCharacter(const QString& text) {
    // Every trace line passes here: eight characters at a time where the processor
    // allows.
    const char16_t* p = QStringView(text).utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i blank = _mm_set1_epi16(0x1F);
    const __m128i del = _mm_set1_epi16(0x7F);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // v - 0x1F, saturated at 0, is 0 exactly for the codes below a blank.
        const __m128i below = _mm_cmpeq_epi16(_mm_subs_epu16(v, blank), zero);
        if (_mm_movemask_epi8(_mm_or_si128(below, _mm_cmpeq_epi16(v, del))) != 0) {
            return true;
        }
    }
#endif
    for (; i < n; ++i) {
        if (isControl(QChar(p[i]))) {
            return true;
        }
    }
    return false;
}

QString withVisibleControls(const QString& text) {
    if (!hasControlCharacter(text)) {
        return text;
    }
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (!isControl(c)) {
            out += c;
            continue;
        }
        switch (c.unicode()) {
        case '\r':
            out += QStringLiteral("<CR>");
            break;
        case '\n':
            out += QStringLiteral("<LF>");
            break;
        case '\0':
            out += QStringLiteral("<NUL>");
            break;
        case '\t':
            out += QStringLiteral("<TAB>");
            break;
        default:
            out += QStringLiteral("<0x%1>")
                       .arg(c.unicode(), 2, 16, QLatin1Char('0'))
                       .toUpper()
                       .replace(QLatin1String("<0X"), QLatin1String("<0x"));
            break;
        }
    }
    return out;
}
