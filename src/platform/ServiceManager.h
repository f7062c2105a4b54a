#pragma once

#include <QByteArray>
#include <QtGlobal>

// The service manager that started the program, when one did: it is told when the
// program is ready and when it stops, and watches that the event loop still turns.
class ServiceManager {
public:
    virtual ~ServiceManager() = default;
    // Whether a service manager listens (NOTIFY_SOCKET set); nothing is sent otherwise.
    virtual bool listening() const = 0;
    // The watchdog period asked for this process in milliseconds, 0 when none.
    virtual qint64 watchdogPeriodMs() const = 0;
    // One state update: "READY=1", "WATCHDOG=1", "STOPPING=1".
    virtual void notify(const QByteArray& state) = 0;
};
