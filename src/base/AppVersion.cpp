#include "base/AppVersion.h"

#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TextFormat.h"

#include <cmath>

namespace {

// The value of a two-character part of a four-digit stamp text.
qint64 partValue(const QString& text) {
    const std::optional<double> v = Val(text);
    return v ? static_cast<qint64>(std::trunc(*v)) : 0;
}

// The last four characters of "0000" followed by the number.
QString fourDigits(qint32 number) {
    return (QStringLiteral("0000") + QString::number(number)).right(4);
}

// The year range of the classic date type.
constexpr qint32 FirstYear = 100;
constexpr qint32 LastYear = 9999;

} // namespace

AppVersion::AppVersion(VersionInfo info, ErrorReporter& errors)
    : m_info(std::move(info)), m_errors(errors) {}

QDateTime AppVersion::readDate(const QString& text) {
    const QString t = text.trimmed();
    static const char* const formats[] = {
        "dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy HH:mm",    "dd/MM/yyyy",       "d/M/yyyy",
        "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-dd",
    };
    for (const char* f : formats) {
        const QString format = QString::fromLatin1(f);
        QDateTime dt = QDateTime::fromString(t, format);
        if (dt.isValid()) {
            return dt;
        }
        const QDate d = QDate::fromString(t, format);
        if (d.isValid()) {
            return QDateTime(d, QTime(0, 0));
        }
    }
    return QDateTime();
}

QDateTime AppVersion::DateApplication() const {
    ErrorTrap trap(m_errors, QStringLiteral("Lib_Systeme:DateApplication"));
    trap.at(10);
    if (m_info.major <= 1999) {
        const QDateTime described = readDate(m_info.fileDescription);
        return described.isValid() ? described : QDateTime(QDate(2000, 1, 1), QTime(0, 0));
    }
    trap.at(20);
    const QString day = fourDigits(m_info.minor);
    const QString time = fourDigits(m_info.revision);
    // Whole-minute arithmetic on the calendar, free of any time-zone rule.
    const qint64 minutes = partValue(time.left(2)) * 60 + partValue(time.mid(2));
    const qint64 extraDays = minutes >= 0 ? minutes / 1440 : -((-minutes + 1439) / 1440);
    const QDate date = QDate(m_info.major, 1, 1)
                           .addMonths(static_cast<int>(partValue(day.left(2)) - 1))
                           .addDays(partValue(day.mid(2)) - 1 + extraDays);
    if (!date.isValid() || date.year() < FirstYear || date.year() > LastYear) {
        // Beyond the calendar of the date type; the result keeps its initial value.
        trap.fail(AppError::invalidCall());
        return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
    }
    return QDateTime(date,
                     QTime(0, 0).addSecs(static_cast<int>((minutes - extraDays * 1440) * 60)));
}

QString AppVersion::VersionApplication() const {
    const QDateTime d = DateApplication();
    const auto pad = [](int value, qint16 width) {
        return N2S(value, width, 0, QStringLiteral("0"));
    };
    return pad(d.date().year(), 4) + QLatin1Char('.') + pad(d.date().month(), 2) +
           pad(d.date().day(), 2) + QLatin1Char('.') + pad(d.time().hour(), 2) +
           pad(d.time().minute(), 2);
}
