#pragma once

#include "platform/EventPump.h"

#include <QElapsedTimer>

// The real pump on the Qt event loop of the calling thread.
//
// processPendingEvents lets the pending events run at most once per MinIntervalUs
// after they last ran: by itself, or by the event loop that has just woken the
// caller (eventsJustRan). A procedure that lets events run after each of many small
// steps (the dispatcher after each message of a burst) does not pay a turn of the
// event loop, with its system calls, for every step; a handler that the loop has
// just woken does not pay one for nothing; and what it writes to one peer meanwhile
// leaves together. Events wait at most that long for their turn.
class QtEventPump final : public EventPump {
public:
    static constexpr qint64 MinIntervalUs = 200;

    void processPendingEvents() override;
    void waitForEvents(qint64 maxWaitMs) override;
    void eventsJustRan() override { m_sinceRun.start(); }

private:
    QElapsedTimer m_sinceRun;
};
