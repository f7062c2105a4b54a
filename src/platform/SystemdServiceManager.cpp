#include "platform/SystemdServiceManager.h"

#include <systemd/sd-daemon.h>

#include <cstdint>

bool SystemdServiceManager::listening() const {
    return !qEnvironmentVariableIsEmpty("NOTIFY_SOCKET");
}

qint64 SystemdServiceManager::watchdogPeriodMs() const {
    uint64_t usec = 0;
    // Checks WATCHDOG_PID against this process too: a watchdog meant for a parent
    // or a child is not this program's to feed.
    if (!listening() || sd_watchdog_enabled(0, &usec) <= 0) {
        return 0;
    }
    return qint64(usec / 1000);
}

void SystemdServiceManager::notify(const QByteArray& state) {
    if (listening()) {
        sd_notify(0, state.constData());
    }
}
