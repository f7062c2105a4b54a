#pragma once

#include "base/Clock.h"

// A clock that moves only when told: tests cross midnight, let 30 s fall due or
// reach a 45-day uptime without waiting.
class ManualClock final : public Clock {
public:
    explicit ManualClock(quint64 bootMs = 1000000,
                         QDateTime local = QDateTime(QDate(2024, 1, 31), QTime(9, 5, 3, 42)))
        : m_boot(bootMs), m_local(std::move(local)) {}

    quint64 millisecondsSinceBoot() const override { return m_boot; }
    QDateTime localDateTime() const override { return m_local; }

    // Moves both the uptime and the wall clock forward.
    void advance(qint64 ms) {
        m_boot += static_cast<quint64>(ms);
        m_local = m_local.addMSecs(ms);
    }
    void setUptime(quint64 ms) { m_boot = ms; }
    void setLocal(const QDateTime& local) { m_local = local; }

private:
    quint64 m_boot;
    QDateTime m_local;
};
