#include "base/TimeStamp.h"

#include "base/Clock.h"
#include "base/TextFormat.h"

namespace {

void appendTwoDigits(QString& out, int value) {
    out += QChar(u'0' + value / 10);
    out += QChar(u'0' + value % 10);
}

} // namespace

QString TimeWithMilliseconds(const QTime& t) {
    QString out;
    out.reserve(40); // room for what callers append
    appendTwoDigits(out, t.hour());
    out += QLatin1Char(':');
    appendTwoDigits(out, t.minute());
    out += QLatin1Char(':');
    appendTwoDigits(out, t.second());
    out += QLatin1Char(':');
    const int ms = t.msec();
    out += QChar(u'0' + ms / 100);
    appendTwoDigits(out, ms % 100);
    return out;
}

QString TimingMilliSec(const Clock& clock) {
    // Called for every row of the relay's lists: built directly, not through the
    // general date pattern.
    return TimeWithMilliseconds(clock.localTime());
}
