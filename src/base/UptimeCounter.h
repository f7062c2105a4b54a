#pragma once

#include "base/Clock.h"

#include <QtGlobal>

// TickCountMilliSec: milliseconds since the machine started, never decreasing.
// Until the 64-bit source is known to be usable the counter reads the low 32 bits
// of the clock, as a 32-bit tick count, and adds 2^32 - 1 at each wrap (about
// every 49.7 days), so it keeps growing as long as it is read once per wrap.
class UptimeCounter {
public:
    explicit UptimeCounter(const Clock& clock) : m_clock(clock) {}

    qint64 TickCountMilliSec();

    bool TickCount64Disponible() const { return m_tickCount64; }
    void setTickCount64Disponible(bool available) { m_tickCount64 = available; }
    qint64 wrapOffset() const { return m_wrapOffset; }

private:
    const Clock& m_clock;
    bool m_tickCount64 = false;
    qint64 m_wrapOffset = 0;
    qint64 m_lastReading = 0;
};
