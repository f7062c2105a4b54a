#include "base/UptimeCounter.h"

qint64 UptimeCounter::TickCountMilliSec() {
    const quint64 raw = m_clock.millisecondsSinceBoot();
    qint64 reading = 0;
    if (m_tickCount64) {
        reading = static_cast<qint64>(raw & 0x7FFFFFFFFFFFFFFFull);
    }
    if (reading == 0) {
        // The 32-bit tick count, taken as unsigned.
        reading = static_cast<qint64>(raw & 0xFFFFFFFFull);
    }
    if (reading < m_lastReading) {
        m_wrapOffset += 4294967295LL; // 2^32 - 1, as the 32-bit tick count compensation always did
    }
    m_lastReading = reading;
    return m_wrapOffset + reading;
}
