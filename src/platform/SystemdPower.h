#pragma once

#include "platform/Power.h"

// Power requests through systemd, ignoring inhibitors (as a forced shutdown does);
// their results are not awaited.
class SystemdPower final : public Power {
public:
    void reboot() override;
    void powerOff() override;
};
