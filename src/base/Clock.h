#pragma once

#include <QDateTime>
#include <QtGlobal>

// The machine's time: milliseconds since the machine started (never decreasing)
// and the local date and time. Tests drive a manual clock instead.
class Clock {
public:
    virtual ~Clock() = default;
    virtual quint64 millisecondsSinceBoot() const = 0;
    virtual QDateTime localDateTime() const = 0;
    // The local time of day alone, which a clock may give more cheaply.
    virtual QTime localTime() const { return localDateTime().time(); }
};
