#pragma once

#include "platform/Power.h"

#include <QStringList>

// Records the power requests instead of acting on the machine.
class FakePower final : public Power {
public:
    void reboot() override { requests << QStringLiteral("reboot"); }
    void powerOff() override { requests << QStringLiteral("poweroff"); }

    QStringList requests;
};
