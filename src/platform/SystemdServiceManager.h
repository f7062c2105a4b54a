#pragma once

#include "platform/ServiceManager.h"

// systemd's notification socket, through libsystemd (sd_notify): what a unit of
// Type=notify with WatchdogSec= waits for. Without NOTIFY_SOCKET it sends nothing.
class SystemdServiceManager final : public ServiceManager {
public:
    bool listening() const override;
    qint64 watchdogPeriodMs() const override;
    void notify(const QByteArray& state) override;
};
