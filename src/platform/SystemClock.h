#pragma once

#include "base/Clock.h"

// The real clock: CLOCK_BOOTTIME (which keeps counting during suspend) and the
// system's local time.
class SystemClock final : public Clock {
public:
    quint64 millisecondsSinceBoot() const override;
    QDateTime localDateTime() const override;
};
