#pragma once

#include "platform/EventPump.h"

// The real pump on the Qt event loop of the calling thread.
class QtEventPump final : public EventPump {
public:
    void processPendingEvents() override;
    void waitForEvents(qint64 maxWaitMs) override;
};
