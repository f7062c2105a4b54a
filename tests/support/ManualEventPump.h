#pragma once

#include "ManualClock.h"
#include "platform/EventPump.h"

#include <QCoreApplication>

#include <functional>

// An event pump for tests on the manual clock: a wait advances the clock by the
// time asked (at most `step` per call) and runs the pending events; a hook lets a
// test act from inside a wait, as an event handler would.
class ManualEventPump final : public EventPump {
public:
    explicit ManualEventPump(ManualClock& clock, qint64 step = 10) : m_clock(clock), m_step(step) {}

    void processPendingEvents() override {
        ++m_processCalls;
        QCoreApplication::processEvents();
        if (m_onEvents) {
            m_onEvents();
        }
    }
    void waitForEvents(qint64 maxWaitMs) override {
        ++m_waitCalls;
        m_clock.advance(qBound<qint64>(1, maxWaitMs, m_step));
        processPendingEvents();
    }

    void setOnEvents(std::function<void()> hook) { m_onEvents = std::move(hook); }
    int processCalls() const { return m_processCalls; }
    int waitCalls() const { return m_waitCalls; }

private:
    ManualClock& m_clock;
    qint64 m_step;
    std::function<void()> m_onEvents;
    int m_processCalls = 0;
    int m_waitCalls = 0;
};
