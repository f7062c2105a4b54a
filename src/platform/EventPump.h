#pragma once

#include <QtGlobal>

// Lets the program's pending events run from inside a procedure. Waits block in
// the event loop (never spin) until an event arrives or the time has passed.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Runs the events that are pending now, without blocking.
    virtual void processPendingEvents() = 0;
    // Blocks until at least one event has been handled or maxWaitMs has passed.
    virtual void waitForEvents(qint64 maxWaitMs) = 0;
    // The event loop has just looked at the pending events: the caller handles what
    // it was woken for, and the others ready then come right after it. A pump that
    // follows at once has nothing to let run and may skip its turn.
    virtual void eventsJustRan() {}
};
