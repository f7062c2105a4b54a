#include "system/MachineShutdown.h"

#include "platform/Power.h"

void ShutdownWindows(Power& power, qint32 mode) {
    constexpr qint32 Force = 4;
    constexpr qint32 ForceIfHung = 16;
    switch (mode & ~(Force | ForceIfHung)) {
    case 2:
        power.reboot();
        break;
    case 1:
    case 8:
        power.powerOff();
        break;
    default:
        break;
    }
}
