#pragma once

#include <QString>
#include <QTime>

class Clock;

// A time as 'HH:MM:SS:mmm'.
QString TimeWithMilliseconds(const QTime& time);

// The local time as 'HH:MM:SS:mmm', the stamp of list rows and trace lines.
QString TimingMilliSec(const Clock& clock);
