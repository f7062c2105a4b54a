#include "base/TimeStamp.h"

#include "base/Clock.h"
#include "base/TextFormat.h"

QString TimingMilliSec(const Clock& clock) {
    const QDateTime now = clock.localDateTime();
    return Date2StringEx(now, QStringLiteral("HH:MM:SS")) + QLatin1Char(':') +
           N2S(now.time().msec(), 3, 0, QStringLiteral("0"));
}
