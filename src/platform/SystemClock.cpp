#include "platform/SystemClock.h"

#include <ctime>

quint64 SystemClock::millisecondsSinceBoot() const {
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) {
        clock_gettime(CLOCK_MONOTONIC, &ts);
    }
    return static_cast<quint64>(ts.tv_sec) * 1000u + static_cast<quint64>(ts.tv_nsec) / 1000000u;
}

qint64 SystemClock::nowWithOffset(int& offsetSeconds) const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    const qint64 now = qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    const qint64 minute = now >= 0 ? now / 60000 : (now - 59999) / 60000;
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (minute != m_offsetMinute) {
        m_offsetSeconds = QDateTime::fromMSecsSinceEpoch(now).offsetFromUtc();
        m_offsetMinute = minute;
    }
    offsetSeconds = m_offsetSeconds;
    return now;
}

QDateTime SystemClock::localDateTime() const {
    int offset = 0;
    const qint64 now = nowWithOffset(offset);
    return QDateTime::fromMSecsSinceEpoch(now, Qt::OffsetFromUTC, offset);
}

QTime SystemClock::localTime() const {
    constexpr qint64 MsPerDay = 24LL * 3600 * 1000;
    int offset = 0;
    const qint64 local = nowWithOffset(offset) + qint64(offset) * 1000;
    const qint64 ofDay = ((local % MsPerDay) + MsPerDay) % MsPerDay;
    return QTime::fromMSecsSinceStartOfDay(int(ofDay));
}
