#include "platform/SystemClock.h"

#include <ctime>

quint64 SystemClock::millisecondsSinceBoot() const {
    timespec ts{};
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) {
        clock_gettime(CLOCK_MONOTONIC, &ts);
    }
    return static_cast<quint64>(ts.tv_sec) * 1000u + static_cast<quint64>(ts.tv_nsec) / 1000000u;
}

QDateTime SystemClock::localDateTime() const {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 minute = now >= 0 ? now / 60000 : (now - 59999) / 60000;
    int offset = 0;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (minute != m_offsetMinute) {
            m_offsetSeconds = QDateTime::fromMSecsSinceEpoch(now).offsetFromUtc();
            m_offsetMinute = minute;
        }
        offset = m_offsetSeconds;
    }
    return QDateTime::fromMSecsSinceEpoch(now, Qt::OffsetFromUTC, offset);
}
