#include "TestProgram.h"
#include "platform/LinuxProcessControl.h"
#include "platform/QtEventPump.h"
#include "platform/SystemClock.h"
#include "system/Waits.h"

#include <QElapsedTimer>
#include <QtTest>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// The real pump, counting its blocking waits: a wait that spins calls it thousands
// of times.
class CountingPump final : public EventPump {
public:
    void processPendingEvents() override {
        ++calls;
        m_real.processPendingEvents();
    }
    void waitForEvents(qint64 maxWaitMs) override {
        ++calls;
        m_real.waitForEvents(maxWaitMs);
    }
    int calls = 0;

private:
    QtEventPump m_real;
};

struct RealMachine {
    ProgramState state;
    SystemClock clock;
    UptimeCounter uptime{clock};
    CountingPump events;
    LinuxProcessControl processes;
    Waits waits{state, uptime, events, processes};
};

pid_t spawnShell(const QString& script) {
    const QByteArray s = script.toLatin1();
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"),
                    const_cast<char*>(s.constData()), nullptr};
    pid_t pid = -1;
    return posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) == 0 ? pid : -1;
}

int reap(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

} // namespace

class TestWaits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void waitOnDuration_data();
    void waitOnDuration();
    void waitOnDurationEndsWhenTheProgramCloses();
    void processThatCannotBeOpened();
    void childExitCode_data();
    void childExitCode();
    void limitRunsOut();
};

void TestWaits::waitOnDuration_data() {
    QTest::addColumn<qint32>("ms");
    QTest::addColumn<bool>("quitting");
    QTest::addColumn<int>("waits");
    QTest::newRow("quitting") << 1000 << true << 0;
    QTest::newRow("negative") << -5 << false << 0;
    // Steps of 10 ms up to 1000, then 1 ms more: the wait ends beyond the duration.
    QTest::newRow("one second") << 1000 << false << 101;
}

void TestWaits::waitOnDuration() {
    QFETCH(qint32, ms);
    QFETCH(bool, quitting);
    QFETCH(int, waits);
    TestProgram p;
    LinuxProcessControl processes;
    Waits w(p.state, p.uptime, p.events, processes);
    p.state.PbBQuitterEnCours = quitting;
    w.WaitOnDuration(ms);
    QCOMPARE(p.events.waitCalls(), waits);
    QCOMPARE(p.events.processCalls(), waits); // every round blocks, none merely polls
}

void TestWaits::waitOnDurationEndsWhenTheProgramCloses() {
    TestProgram p;
    LinuxProcessControl processes;
    Waits w(p.state, p.uptime, p.events, processes);
    p.events.setOnEvents([&] {
        if (p.events.waitCalls() == 3) {
            p.state.PbBFermetureApplication = true; // an event handler starts the unload
        }
    });
    w.WaitOnDuration(60000);
    QCOMPARE(p.events.waitCalls(), 3);
}

void TestWaits::processThatCannotBeOpened() {
    const pid_t gone = spawnShell(QStringLiteral("exit 0"));
    QVERIFY(gone > 0);
    reap(gone);
    RealMachine m;
    for (const qint32 pid : {static_cast<qint32>(gone), 0x3FFFFFFF, 0, -1}) {
        QCOMPARE(m.waits.AttenteFinProcessusExterne(pid, 0), 0);
    }
    QCOMPARE(m.events.calls, 0);
}

void TestWaits::childExitCode_data() {
    QTest::addColumn<qint32>("limit");
    QTest::addColumn<QString>("script");
    QTest::addColumn<qint32>("code");
    QTest::newRow("blocking") << -1 << "sleep 0.2; exit 3" << 3;
    QTest::newRow("no limit") << 0 << "sleep 0.2; exit 3" << 3;
    QTest::newRow("within the limit") << 5000 << "sleep 0.2; exit 3" << 3;
    QTest::newRow("killed") << 0 << "sleep 0.2; kill -9 $$" << 128 + 9;
}

void TestWaits::childExitCode() {
    QFETCH(qint32, limit);
    QFETCH(QString, script);
    QFETCH(qint32, code);
    RealMachine m;
    const pid_t child = spawnShell(script);
    QVERIFY(child > 0);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(m.waits.AttenteFinProcessusExterne(child, limit), code);
    QVERIFY(timer.elapsed() >= 150);
    QVERIFY(WIFEXITED(reap(child)) == (code == 3)); // still there for its parent to collect
    if (limit < 0) {
        QCOMPARE(m.events.calls, 0); // nothing ran meanwhile
    } else {
        // Woken by the end of the process, not by polling.
        QVERIFY2(m.events.calls <= 10, qPrintable(QString::number(m.events.calls)));
    }
}

void TestWaits::limitRunsOut() {
    RealMachine m;
    const pid_t child = spawnShell(QStringLiteral("exec sleep 10"));
    QVERIFY(child > 0);
    QElapsedTimer timer;
    timer.start();
    const qint32 code = m.waits.AttenteFinProcessusExterne(child, 200);
    const qint64 took = timer.elapsed();
    kill(child, SIGKILL);
    reap(child);
    QCOMPARE(code, 259);
    QVERIFY2(took >= 200 && took < 3000, qPrintable(QString::number(took)));
    QVERIFY2(m.events.calls <= 10, qPrintable(QString::number(m.events.calls)));
}

QTEST_GUILESS_MAIN(TestWaits)
#include "tst_waits.moc"
