#include "ManualClock.h"
#include "base/UptimeCounter.h"

#include <QtTest>

class TestUptimeCounter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wraps32BitCount();
    void sixtyFourBitCount();
};

void TestUptimeCounter::wraps32BitCount() {
    ManualClock clock(4294967295ull - 5);
    UptimeCounter counter(clock);
    const qint64 before = counter.TickCountMilliSec();
    QCOMPARE(before, 4294967290LL);
    clock.advance(10); // the 32-bit count passes 4294967295 and starts again at 4
    const qint64 after = counter.TickCountMilliSec();
    QCOMPARE(counter.wrapOffset(), 4294967295LL);
    QCOMPARE(after, 4294967295LL + 4);
    QVERIFY(after > before);
    clock.advance(1000);
    QCOMPARE(counter.TickCountMilliSec(), 4294967295LL + 1004);
    QCOMPARE(counter.wrapOffset(), 4294967295LL); // no second wrap
    // A 45-day uptime read every day keeps growing on the 32-bit source.
    qint64 last = counter.TickCountMilliSec();
    for (int day = 0; day < 120; ++day) {
        clock.advance(24LL * 3600 * 1000);
        const qint64 now = counter.TickCountMilliSec();
        QVERIFY(now > last);
        last = now;
    }
}

void TestUptimeCounter::sixtyFourBitCount() {
    ManualClock clock(60ull * 24 * 3600 * 1000); // 60 days
    UptimeCounter counter(clock);
    counter.setTickCount64Disponible(true);
    QCOMPARE(counter.TickCountMilliSec(), qint64(60LL * 24 * 3600 * 1000));
    QCOMPARE(counter.wrapOffset(), 0);
}

QTEST_GUILESS_MAIN(TestUptimeCounter)
#include "tst_uptimecounter.moc"
