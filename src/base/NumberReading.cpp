#include "base/NumberReading.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

// Walks the text, stepping over the blanks, tabs and line feeds that Val ignores
// wherever they stand (a carriage return is an ordinary character and ends the
// number). Each character is looked at a bounded number of times, so a reading is
// linear in the length of the text.
class Cursor {
public:
    explicit Cursor(const QString& text) : m_p(text.constData()), m_end(m_p + text.size()) {}

    // The next significant character, 0 at the end of the text.
    char16_t peek() {
        while (m_p < m_end && isSkipped(m_p->unicode())) {
            ++m_p;
        }
        return m_p < m_end ? m_p->unicode() : u'\0';
    }
    void next() {
        if (m_p < m_end) {
            ++m_p;
        }
    }

private:
    static bool isSkipped(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

    const QChar* m_p;
    const QChar* m_end;
};

int digitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    return -1;
}

// "&H" and "&O" numbers. As the classic reading does, a value that fits in 16 bits
// is taken as a signed 16-bit number ("&HFFFF" is -1) and one that fits in 32 bits
// as a signed 32-bit number ("&HFFFFFFFF" is -1, "&H10000" is 65536); a value
// beyond 32 bits is an overflow. No digit at all reads as 0.
std::optional<double> readRadix(Cursor& in, int base) {
    quint64 value = 0;
    bool overflow = false;
    for (;;) {
        const int digit = digitValue(in.peek());
        if (digit < 0 || digit >= base) {
            break;
        }
        if (!overflow) {
            value = value * static_cast<quint64>(base) + static_cast<quint64>(digit);
            overflow = value > 0xFFFFFFFFull;
        }
        in.next();
    }
    if (overflow) {
        return std::nullopt;
    }
    if (value <= 0xFFFFull) {
        return static_cast<double>(static_cast<qint16>(static_cast<quint16>(value)));
    }
    return static_cast<double>(static_cast<qint32>(static_cast<quint32>(value)));
}

// Exponents are counted up to this bound and no further: any exponent beyond it
// already puts every mantissa out of the range of a double.
constexpr qint64 kExponentBound = 1000000000000000LL;

} // namespace

std::optional<double> Val(const QString& text) {
    Cursor in(text);
    char16_t c = in.peek();

    if (c == u'&') {
        in.next();
        c = in.peek();
        if (c == u'H' || c == u'h') {
            in.next();
            return readRadix(in, 16);
        }
        if (c == u'O' || c == u'o') {
            in.next();
            return readRadix(in, 8);
        }
        return 0.0;
    }

    bool negative = false;
    if (c == u'+' || c == u'-') {
        negative = c == u'-';
        in.next();
        c = in.peek();
    }

    // The digits without their leading zeros, read as one whole number, and the
    // count of digits that stood after the point: value = digits * 10^(exponent - fraction).
    std::string digits;
    qint64 fractionDigits = 0;
    bool afterPoint = false;
    for (;; c = in.peek()) {
        if (c >= u'0' && c <= u'9') {
            if (!digits.empty() || c != u'0') {
                digits.push_back(static_cast<char>(c));
            }
            if (afterPoint) {
                ++fractionDigits;
            }
        } else if (c == u'.' && !afterPoint) {
            afterPoint = true;
        } else {
            break;
        }
        in.next();
    }

    qint64 exponent = 0;
    if (c == u'E' || c == u'e' || c == u'D' || c == u'd') {
        in.next();
        c = in.peek();
        bool exponentNegative = false;
        if (c == u'+' || c == u'-') {
            exponentNegative = c == u'-';
            in.next();
            c = in.peek();
        }
        for (; c >= u'0' && c <= u'9'; c = in.peek()) {
            if (exponent < kExponentBound) {
                exponent = exponent * 10 + (c - u'0');
            }
            in.next();
        }
        if (exponentNegative) {
            exponent = -exponent;
        }
    }

    if (digits.empty()) {
        return 0.0;
    }
    const qint64 scale = exponent - fractionDigits;
    // The number lies in [10^(order-1), 10^order).
    const qint64 order = static_cast<qint64>(digits.size()) + scale;
    if (order > 400) {
        return std::nullopt;
    }
    if (order < -400) {
        return 0.0;
    }
    digits.push_back('e');
    digits += std::to_string(scale);

    double value = 0.0;
    const std::from_chars_result r =
        std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (r.ec == std::errc::result_out_of_range) {
        if (order > 0) {
            return std::nullopt;
        }
        return 0.0;
    }
    if (r.ec != std::errc()) {
        return 0.0; // cannot happen: the text was built above
    }
    return negative ? -value : value;
}

double RoundHalfEven(double value) {
    // From 2^52 on a double has no fractional part. Below it, floor, the midpoint
    // below + 0.5 and below + 1 are all exact, so the result does not depend on the
    // rounding mode in force.
    if (!std::isfinite(value) || std::fabs(value) >= 4503599627370496.0) {
        return value;
    }
    const double below = std::floor(value);
    const double midpoint = below + 0.5;
    if (value < midpoint) {
        return below;
    }
    if (value > midpoint) {
        return below + 1.0;
    }
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::optional<qint16> ToInt16(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = RoundHalfEven(value);
    if (rounded < -32768.0 || rounded > 32767.0) {
        return std::nullopt;
    }
    return static_cast<qint16>(rounded);
}

std::optional<qint32> ToInt32(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = RoundHalfEven(value);
    if (rounded < -2147483648.0 || rounded > 2147483647.0) {
        return std::nullopt;
    }
    return static_cast<qint32>(rounded);
}
