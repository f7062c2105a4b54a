#pragma once

#include "platform/SystemClock.h"

// The real clock, which a test can move forward at once: real sockets keep their
// real timing while a 30 s reconnection falls due without waiting.
class OffsetClock final : public Clock {
public:
    quint64 millisecondsSinceBoot() const override {
        return m_real.millisecondsSinceBoot() + static_cast<quint64>(m_offset);
    }
    QDateTime localDateTime() const override { return m_real.localDateTime().addMSecs(m_offset); }
    void advance(qint64 ms) { m_offset += ms; }

private:
    SystemClock m_real;
    qint64 m_offset = 0;
};
