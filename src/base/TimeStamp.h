#pragma once

#include <QString>

class Clock;

// The local time as 'HH:MM:SS:mmm', the stamp of list rows and trace lines.
QString TimingMilliSec(const Clock& clock);
