#pragma once

#include "platform/InstanceLock.h"

// Another copy runs as long as the test says so; counts the questions.
class FakeInstanceLock final : public InstanceLock {
public:
    bool otherRunning = false;
    int asked = 0;

    bool otherCopyRunning() override {
        ++asked;
        return otherRunning;
    }
};
