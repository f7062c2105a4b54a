#pragma once

#include "base/Clock.h"

#include <mutex>

// The real clock: CLOCK_BOOTTIME (which keeps counting during suspend) and the
// system's local time.
//
// The local time carries the zone's offset from UTC as a fixed offset. The offset
// is looked up in the zone at most once a minute: a lookup makes the C library
// check the zone file on disk, and the trace log asks for the time on every line.
// Offsets change only on a whole minute (daylight saving, a new zone set), so the
// time given is always the zone's.
class SystemClock final : public Clock {
public:
    quint64 millisecondsSinceBoot() const override;
    QDateTime localDateTime() const override;
    // Without building a date and time: the trace log asks for it on every line.
    QTime localTime() const override;

private:
    // Milliseconds since the epoch, and the zone's offset from UTC then.
    qint64 nowWithOffset(int& offsetSeconds) const;

    mutable std::mutex m_mutex; // the alert mail asks from its own thread
    mutable qint64 m_offsetMinute = -1;
    mutable int m_offsetSeconds = 0;
};
