#include "FakeHostInfo.h"
#include "FakePower.h"
#include "ManualClock.h"
#include "base/TimeStamp.h"
#include "base/UptimeCounter.h"
#include "model/ProgramState.h"
#include "platform/LinuxHostInfo.h"
#include "system/MachineShutdown.h"
#include "system/SystemInfo.h"

#include <QtTest>

namespace {

struct Fixture {
    ProgramState state;
    ManualClock clock;
    UptimeCounter uptime{clock};
    FakeHostInfo host;
    SystemInfo info{state, uptime, host};
};

} // namespace

class TestSystemInfo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void osDisplayString_data();
    void osDisplayString();
    void hostAddress_data();
    void hostAddress();
    void memoryAndNames();
    void shutdownModes();
    void timingMilliSec();
};

void TestSystemInfo::osDisplayString_data() {
    QTest::addColumn<QString>("architecture");
    QTest::addColumn<QString>("kernel");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("tickCount64");
    QTest::addColumn<qint32>("family");
    const QString debian = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    const QString kernel = QStringLiteral("6.1.0-18-amd64");
    QTest::newRow("64-bit") << "x86_64" << kernel << debian + ", 64-bit  (build 6.1.0-18-amd64)"
                            << true << 10;
    QTest::newRow("32-bit") << "i386" << kernel << debian + ", 32-bit  (build 6.1.0-18-amd64)"
                            << false << 10;
    QTest::newRow("other") << "arm" << kernel << debian + "  (build 6.1.0-18-amd64)" << false << 10;
    QTest::newRow("unreadable") << "x86_64"
                                << ""
                                << "" << false << 7;
}

void TestSystemInfo::osDisplayString() {
    QFETCH(QString, architecture);
    QFETCH(QString, kernel);
    QFETCH(QString, text);
    QFETCH(bool, tickCount64);
    QFETCH(qint32, family);
    Fixture f;
    f.state.PbLVersionWindows = 7;
    f.host.architecture = architecture;
    f.host.kernel = kernel;
    QCOMPARE(f.info.GetOSDisplayString(), text);
    QCOMPARE(f.uptime.TickCount64Disponible(), tickCount64);
    QCOMPARE(f.state.PbLVersionWindows, family);
}

void TestSystemInfo::hostAddress_data() {
    QTest::addColumn<QStringList>("lookup");
    QTest::addColumn<QStringList>("interfaces");
    QTest::addColumn<QString>("address");
    QTest::newRow("no address") << QStringList{} << QStringList{} << "";
    QTest::newRow("loopback only") << QStringList{"127.0.1.1"} << QStringList{} << "";
    QTest::newRow("lookup first") << QStringList{"127.0.1.1", "192.168.1.20"}
                                  << QStringList{"10.0.0.5"} << "192.168.1.20";
    QTest::newRow("then interfaces")
        << QStringList{"127.0.1.1"} << QStringList{"10.0.0.5"} << "10.0.0.5";
}

void TestSystemInfo::hostAddress() {
    QFETCH(QStringList, lookup);
    QFETCH(QStringList, interfaces);
    QFETCH(QString, address);
    Fixture f;
    f.host.name = QStringLiteral("studio-3.radio.local");
    f.host.lookups.insert(f.host.name, lookup);
    f.host.interfaces = interfaces;
    QCOMPARE(f.info.GetHostName(), address);
}

void TestSystemInfo::memoryAndNames() {
    Fixture f;
    QCOMPARE(f.info.GetMemoryUsage(), 0); // unreadable
    f.host.resident = 5 * 512 * 1024;     // 2.5 MB, halves to even
    QCOMPARE(f.info.GetMemoryUsage(), 2);
    f.host.resident = 7 * 512 * 1024;
    QCOMPARE(f.info.GetMemoryUsage(), 4);

    f.host.name = QStringLiteral("studio-3.radio.local");
    QCOMPARE(f.info.ComputerName(), "studio-3");
    QCOMPARE(LinuxHostInfo::prettyNameOf("ID=debian\nPRETTY_NAME=\"Debian GNU/Linux 12\"\n"),
             "Debian GNU/Linux 12");
}

void TestSystemInfo::shutdownModes() {
    FakePower power;
    for (const qint32 mode : {2, 6, 1, 8, 0, 3}) {
        ShutdownWindows(power, mode);
    }
    QCOMPARE(power.requests, (QStringList{"reboot", "reboot", "poweroff", "poweroff"}));
}

void TestSystemInfo::timingMilliSec() {
    const ManualClock clock(0, QDateTime(QDate(2024, 1, 31), QTime(9, 5, 3, 42)));
    QCOMPARE(TimingMilliSec(clock), "09:05:03:042");
}

QTEST_GUILESS_MAIN(TestSystemInfo)
#include "tst_systeminfo.moc"
