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
    return QDateTime::currentDateTime();
}
