#include "base/TextFormat.h"

#include "base/Blanks.h"

#include "base/Clock.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"

#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

bool isBlankBytes(const QByteArray& bytes) {
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char b) { return b == ' '; });
}

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

// --- UTF-8 on the Sound4 link ---------------------------------------------------

QByteArray UTF8_Encode_System(const QString& text) {
    // A lone surrogate has no UTF-8 form; the converter writes "?" in its place.
    QByteArray bytes = text.toUtf8();
    if (isBlankBytes(bytes)) {
        // Nothing usable came out of the conversion: send the text as it stands.
        bytes = toWindows1252(text);
    }
    // The units take "&" as a separator: each ampersand becomes the word "et" with
    // one blank on each side, without doubling the blanks already there.
    if (!bytes.contains('&')) {
        return bytes; // the usual command: nothing to replace
    }
    bytes.replace(" & ", " et ");
    bytes.replace("& ", " et ");
    bytes.replace(" &", " et ");
    bytes.replace("&", " et ");
    return bytes;
}

QString UTF8_Decode_System(const QByteArray& bytes) {
    // Every byte sequence that is not UTF-8 comes out as U+FFFD. A leading byte-order
    // mark is kept as a character like any other: the answer is shown unchanged.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

// --- Numbers and dates ----------------------------------------------------------

// Whole numbers (decimals 0 or less) are exact; a fractional magnitude is first
// rounded to the nearest whole number, halves to the even one, as the classic
// conversion to a whole number does. With decimals above 0 the magnitude is written
// with that many digits after a point "." (at most 15, rounded to the nearest), and
// the whole text is then padded, cut and signed like a whole number. The magnitude is
// capped at 2147483647 in both cases. A width of 0 gives the empty text even for a
// negative number (there is no character to turn into "-"); a negative width or a NaN
// gives the empty text too.
QString N2S(double number, qint16 width, qint16 decimals, const QString& pad) {
    if (width < 0 || std::isnan(number)) {
        return QString();
    }
    const bool negative = number < 0.0;
    constexpr double kMaximum = 2147483647.0;
    const double magnitude = std::min(std::fabs(number), kMaximum);
    const QChar padChar = pad.isEmpty() ? QLatin1Char(' ') : pad.at(0);

    QString digits;
    if (decimals <= 0) {
        digits = QString::number(static_cast<qint64>(RoundHalfEven(magnitude)));
    } else {
        digits = QString::number(magnitude, 'f', std::min<int>(decimals, 15));
    }
    QString text = (QString(width, padChar) + digits).right(width);

    if (negative && !text.isEmpty()) {
        const qsizetype blank = text.lastIndexOf(QLatin1Char(' '));
        if (blank >= 0) {
            text[blank] = QLatin1Char('-');
        } else if (text.at(0) == QLatin1Char('0') || !isAsciiDigit(text.at(0))) {
            text[0] = QLatin1Char('-');
        } else {
            text.prepend(QLatin1Char('-'));
        }
    }
    return text;
}

QString D2S(const QDate& date, const Clock& clock, ErrorReporter& errors) {
    QDate day = date;
    if (!day.isValid()) {
        ErrorTrap trap(errors, QStringLiteral("Lib_Public:D2S"));
        trap.fail(AppError::runtime(5));
        day = clock.localDateTime().date();
    }
    const QString zero = QStringLiteral("0");
    return N2S(day.year(), 4, 0, zero) + N2S(day.month(), 2, 0, zero) + N2S(day.day(), 2, 0, zero);
}

// --- Date patterns -------------------------------------------------------------

namespace {

// The classic date-pattern language, tokens matched without regard to case:
//   d dd ddd dddd    day, two-digit day, short and full day name
//   ddddd dddddd     the short date (dd/mm/yyyy) and the long date (dddd d mmmm yyyy)
//   w ww             day of the week (1 is Sunday), week of the year (weeks start on
//                    Sunday, week 1 holds 1 January)
//   m mm mmm mmmm    month, two-digit month, short and full month name
//   q y yy yyyy      quarter, day of the year, two- and four-digit year
//   h hh n nn s ss   hour, minute, second (hours 0-23, or 1-12 with AM/PM)
//   ttttt            the time (hh:nn:ss)
//   AM/PM A/P        morning or afternoon, written with the letters of the pattern
// "m" and "mm" read as minutes when the previous token is an hour ("HH:MM:SS",
// "hh mm"). Any other character is written as it stands; "\" writes the next one
// and a text between double quotes is written as it stands. Names are French, as on
// the station's system.
// clang-format off
enum class DateToken {
    Literal, Day, Day2, DayAbbr, DayName, ShortDate, LongDate, Weekday, Week,
    Month, Month2, MonthAbbr, MonthName, Quarter, DayOfYear, Year2, Year4,
    Hour, Hour2, Minute, Minute2, Second, Second2, Time, AmPm
};
// clang-format on

struct DatePart {
    DateToken kind;
    QString text; // the literal text, or the AM/PM pattern as written
};

// The longest token of the letter's family that the run of that letter holds, and
// its length; a letter that starts no token is a literal of length 1.
std::pair<DateToken, qsizetype> longestToken(char16_t letter, qsizetype run) {
    struct Entry {
        char16_t letter;
        qsizetype length;
        DateToken kind;
    };
    using T = DateToken;
    static constexpr Entry kTokens[] = {
        {u'd', 6, T::LongDate},  {u'd', 5, T::ShortDate}, {u'd', 4, T::DayName},
        {u'd', 3, T::DayAbbr},   {u'd', 2, T::Day2},      {u'd', 1, T::Day},
        {u'w', 2, T::Week},      {u'w', 1, T::Weekday},   {u'm', 4, T::MonthName},
        {u'm', 3, T::MonthAbbr}, {u'm', 2, T::Month2},    {u'm', 1, T::Month},
        {u'q', 1, T::Quarter},   {u'y', 4, T::Year4},     {u'y', 2, T::Year2},
        {u'y', 1, T::DayOfYear}, {u'h', 2, T::Hour2},     {u'h', 1, T::Hour},
        {u'n', 2, T::Minute2},   {u'n', 1, T::Minute},    {u's', 2, T::Second2},
        {u's', 1, T::Second},    {u't', 5, T::Time},
    };
    for (const Entry& e : kTokens) {
        if (e.letter == letter && e.length <= run) {
            return {e.kind, e.length};
        }
    }
    return {DateToken::Literal, 1};
}

std::vector<DatePart> parseDatePattern(const QString& format) {
    std::vector<DatePart> parts;
    const qsizetype n = format.size();
    qsizetype i = 0;
    auto literal = [&parts](const QString& text) { parts.push_back({DateToken::Literal, text}); };
    while (i < n) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('"')) {
            qsizetype close = format.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0) {
                close = n;
            }
            literal(format.mid(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 < n) {
                literal(QString(format.at(i + 1)));
            }
            i += 2;
            continue;
        }
        const QStringView rest = QStringView(format).sliced(i);
        qsizetype marker = 0;
        if (rest.size() >= 5 && rest.first(5).compare(u"am/pm", Qt::CaseInsensitive) == 0) {
            marker = 5;
        } else if (rest.size() >= 3 && rest.first(3).compare(u"a/p", Qt::CaseInsensitive) == 0) {
            marker = 3;
        }
        if (marker > 0) {
            parts.push_back({DateToken::AmPm, rest.first(marker).toString()});
            i += marker;
            continue;
        }

        const char16_t letter = c.toLower().unicode();
        qsizetype run = 1; // no token is longer than 6 letters
        while (run < rest.size() && run < 6 && rest.at(run).toLower().unicode() == letter) {
            ++run;
        }
        const auto [kind, length] = longestToken(letter, run);
        if (kind == DateToken::Literal) {
            literal(QString(c));
        } else {
            parts.push_back({kind, QString()});
        }
        i += length;
    }

    // "m" and "mm" right after an hour token (literals between) are minutes.
    bool afterHour = false;
    for (DatePart& part : parts) {
        if (part.kind == DateToken::Literal) {
            continue;
        }
        if (afterHour && part.kind == DateToken::Month) {
            part.kind = DateToken::Minute;
        } else if (afterHour && part.kind == DateToken::Month2) {
            part.kind = DateToken::Minute2;
        }
        afterHour = part.kind == DateToken::Hour || part.kind == DateToken::Hour2;
    }
    return parts;
}

QString twoDigits(int value) {
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

const char16_t* const kDayNames[7] = {u"lundi",    u"mardi",  u"mercredi", u"jeudi",
                                      u"vendredi", u"samedi", u"dimanche"};
const char16_t* const kDayAbbr[7] = {u"lun.", u"mar.", u"mer.", u"jeu.", u"ven.", u"sam.", u"dim."};
const char16_t* const kMonthNames[12] = {u"janvier",   u"février", u"mars",     u"avril",
                                         u"mai",       u"juin",    u"juillet",  u"août",
                                         u"septembre", u"octobre", u"novembre", u"décembre"};
const char16_t* const kMonthAbbr[12] = {u"janv.", u"févr.", u"mars",  u"avr.", u"mai",  u"juin",
                                        u"juil.", u"août",  u"sept.", u"oct.", u"nov.", u"déc."};

QString formatDate(const QDate& date, const QTime& time, const std::vector<DatePart>& parts) {
    const bool twelveHours = std::any_of(
        parts.cbegin(), parts.cend(), [](const DatePart& p) { return p.kind == DateToken::AmPm; });
    const int hour = twelveHours ? (time.hour() % 12 == 0 ? 12 : time.hour() % 12) : time.hour();
    const int dayOfWeek = date.dayOfWeek(); // 1 Monday ... 7 Sunday
    const int year = date.year();
    const QString year4 = year >= 0 && year <= 9999
                              ? QString::number(year).rightJustified(4, QLatin1Char('0'))
                              : QString::number(year);
    const QString shortDate = twoDigits(date.day()) + QLatin1Char('/') + twoDigits(date.month()) +
                              QLatin1Char('/') + year4;

    QString out;
    for (const DatePart& part : parts) {
        switch (part.kind) {
        case DateToken::Literal:
            out += part.text;
            break;
        case DateToken::Day:
            out += QString::number(date.day());
            break;
        case DateToken::Day2:
            out += twoDigits(date.day());
            break;
        case DateToken::DayAbbr:
            out += QString::fromUtf16(kDayAbbr[dayOfWeek - 1]);
            break;
        case DateToken::DayName:
            out += QString::fromUtf16(kDayNames[dayOfWeek - 1]);
            break;
        case DateToken::ShortDate:
            out += shortDate;
            break;
        case DateToken::LongDate:
            out += QString::fromUtf16(kDayNames[dayOfWeek - 1]) + QLatin1Char(' ') +
                   QString::number(date.day()) + QLatin1Char(' ') +
                   QString::fromUtf16(kMonthNames[date.month() - 1]) + QLatin1Char(' ') + year4;
            break;
        case DateToken::Weekday:
            out += QString::number(dayOfWeek % 7 + 1);
            break;
        case DateToken::Week: {
            const int firstWeekday = QDate(year, 1, 1).dayOfWeek() % 7; // 0 for Sunday
            out += QString::number((date.dayOfYear() - 1 + firstWeekday) / 7 + 1);
            break;
        }
        case DateToken::Month:
            out += QString::number(date.month());
            break;
        case DateToken::Month2:
            out += twoDigits(date.month());
            break;
        case DateToken::MonthAbbr:
            out += QString::fromUtf16(kMonthAbbr[date.month() - 1]);
            break;
        case DateToken::MonthName:
            out += QString::fromUtf16(kMonthNames[date.month() - 1]);
            break;
        case DateToken::Quarter:
            out += QString::number((date.month() - 1) / 3 + 1);
            break;
        case DateToken::DayOfYear:
            out += QString::number(date.dayOfYear());
            break;
        case DateToken::Year2:
            out += twoDigits(((year % 100) + 100) % 100);
            break;
        case DateToken::Year4:
            out += year4;
            break;
        case DateToken::Hour:
            out += QString::number(hour);
            break;
        case DateToken::Hour2:
            out += twoDigits(hour);
            break;
        case DateToken::Minute:
            out += QString::number(time.minute());
            break;
        case DateToken::Minute2:
            out += twoDigits(time.minute());
            break;
        case DateToken::Second:
            out += QString::number(time.second());
            break;
        case DateToken::Second2:
            out += twoDigits(time.second());
            break;
        case DateToken::Time:
            out += twoDigits(time.hour()) + QLatin1Char(':') + twoDigits(time.minute()) +
                   QLatin1Char(':') + twoDigits(time.second());
            break;
        case DateToken::AmPm: {
            const bool morning = time.hour() < 12;
            if (part.text.size() == 5) {
                out += morning ? part.text.left(2) : part.text.mid(3, 2);
            } else {
                out += morning ? part.text.left(1) : part.text.mid(2, 1);
            }
            break;
        }
        }
    }
    return out;
}

} // namespace

// An invalid date stands for the classic zero date, 30 December 1899, and an
// invalid time for midnight, so that a caller always gets a text of the expected form.
QString Date2StringEx(const QDateTime& dateTime, const QString& format) {
    const QDate date = dateTime.date().isValid() ? dateTime.date() : QDate(1899, 12, 30);
    const QTime time = dateTime.time().isValid() ? dateTime.time() : QTime(0, 0);
    const QString pattern = trimBlanks(format).isEmpty() ? QStringLiteral("HH:MM:SS") : format;
    return formatDate(date, time, parseDatePattern(pattern));
}

// --- Folders, files and fixed-length texts --------------------------------------

QString RemplaceChaine(const QString& source, const QString& replacement, qint32 position,
                       qint32 length) {
    if (position <= 0) {
        return QString();
    }
    if (position > source.size()) {
        return source;
    }
    const qsizetype start = position - 1;
    const qsizetype count = std::min(
        {static_cast<qsizetype>(std::max(length, 0)), replacement.size(), source.size() - start});
    QString result = source;
    for (qsizetype i = 0; i < count; ++i) {
        result[start + i] = replacement.at(i);
    }
    return result;
}

void CheckValiditeValeurMin(qint32& value, qint32 minimum, qint32 maximum) {
    if (value < minimum) {
        value = minimum;
    }
    if (maximum > 0 && value > maximum) {
        value = maximum;
    }
}

QString CheckRep(const QString& folder) {
    if (folder.isEmpty()) {
        return folder;
    }
    if (folder.endsWith(QLatin1String("\\\\"))) {
        return folder.chopped(1);
    }
    if (folder.endsWith(QLatin1Char('\\'))) {
        return folder;
    }
    return folder + QLatin1Char('\\');
}

QString NettoieNomDeDossier(const QString& folder) {
    QString s = folder;
    for (const char c : {'/', '*', '?', '"', '<', '>', '|', ','}) {
        s.replace(QLatin1Char(c), QLatin1Char(' '));
    }
    s.remove(QLatin1String("..."));
    s.remove(QLatin1String(".."));
    s.remove(QLatin1Char('%'));

    if (s.size() > 2) {
        // The first two characters are left alone: they may be a drive ("C:").
        QString rest = s.mid(2);
        rest.replace(QLatin1Char(':'), QLatin1Char(' '));
        rest.replace(QLatin1String("   "), QLatin1String(" "));
        s = s.left(2) + rest;
    }

    // No blank may end a folder name: drop every run of blanks that stands just
    // before a backslash (what replacing " \" by "\" until none is left comes to,
    // done in one pass).
    QString cleaned;
    cleaned.reserve(s.size());
    qsizetype pendingBlanks = 0;
    for (const QChar c : s) {
        if (c == QLatin1Char(' ')) {
            ++pendingBlanks;
            continue;
        }
        if (c != QLatin1Char('\\')) {
            cleaned.append(QString(pendingBlanks, QLatin1Char(' ')));
        }
        pendingBlanks = 0;
        cleaned.append(c);
    }
    cleaned.append(QString(pendingBlanks, QLatin1Char(' ')));
    return trimBlanks(cleaned);
}

bool NomFichierCorrect(const QString& path) {
    for (const QChar c : path) {
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('"') ||
            c == QLatin1Char('|')) {
            return false;
        }
    }
    return true;
}

void EclateRepFicExt(const QString& path, RepFicExt& result) {
    const QString p = trimBlanks(path);
    result.Rep = p;
    result.Fic.clear();
    result.Ext.clear();
    qsizetype point = -1; // index of the point that starts Ext
    for (qsizetype i = p.size() - 1; i >= 0; --i) {
        const QChar c = p.at(i);
        if (c == QLatin1Char('.')) {
            if (result.Ext.isEmpty()) {
                result.Ext = p.mid(i);
                point = i;
            }
            if (i == 0) {
                break; // a name made of its extension only: Rep keeps the whole path
            }
            continue;
        }
        if (c == QLatin1Char('\\') || i == 0) {
            const qsizetype nameStart = c == QLatin1Char('\\') ? i + 1 : 0;
            result.Rep = p.left(nameStart);
            result.Fic = point >= 0 ? p.mid(nameStart, point - nameStart) : p.mid(nameStart);
            break;
        }
    }
}

QString ClearChaine(QString& text) {
    static const QString kKept = QStringLiteral("éèàçûôâëù");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (kKept.contains(c)) {
            continue;
        }
        const int code = windows1252Code(c);
        if (code < 32 || code > 250) {
            text[i] = QLatin1Char(' ');
        }
    }
    return text;
}

qsizetype indexOfIgnoringCase(const QString& text, QStringView needle, qsizetype from) {
    const auto lowerAscii = [](char16_t c) {
        return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    };
    for (const QChar c : needle) {
        if (c.unicode() >= 0x80) {
            return text.indexOf(needle, from, Qt::CaseInsensitive); // not ASCII: the general way
        }
    }
    if (from < 0) {
        from = std::max<qsizetype>(0, from + text.size());
    }
    const qsizetype n = needle.size();
    if (n == 0) {
        return from <= text.size() ? from : -1;
    }
    const char16_t* hay = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* pin = reinterpret_cast<const char16_t*>(needle.data());
    const char16_t first = lowerAscii(pin[0]);
    // A character outside ASCII may fold onto an ASCII letter (the Kelvin sign onto
    // "k"): it is compared the toolkit's way.
    const auto same = [&](char16_t c, char16_t lowered) {
        if (c < 0x80) {
            return lowerAscii(c) == lowered;
        }
        return QChar(c).toCaseFolded().unicode() == lowered;
    };
    // Only letters have other cases: a needle that starts with anything else (a
    // tag's "<") has its candidates found by the toolkit's wide search.
    const bool firstIsLetter = first >= u'a' && first <= u'z';
    for (qsizetype i = from; i + n <= text.size(); ++i) {
        if (!firstIsLetter) {
            i = QStringView(text).indexOf(QChar(first), i);
            if (i < 0 || i + n > text.size()) {
                return -1;
            }
        } else if (!same(hay[i], first)) {
            continue;
        }
        qsizetype k = 1;
        while (k < n && same(hay[i + k], lowerAscii(pin[k]))) {
            ++k;
        }
        if (k == n) {
            return i;
        }
    }
    return -1;
}
