#pragma once

// The machine's power: restart or switch off, forcing the running applications to
// close. A request that the system refuses simply leaves the machine running.
class Power {
public:
    virtual ~Power() = default;
    virtual void reboot() = 0;
    virtual void powerOff() = 0;
};
