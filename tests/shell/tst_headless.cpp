#include "ProgramProcess.h"
#include "RefusingPort.h"
#include "SimulatorProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

// The program as a station runs it: the real executable, headless, on a fresh root,
// relaying real datagrams to the simulator, stopped by SIGTERM.
namespace {

const QString SettingsFolder = QStringLiteral("/c/Mirevox/Ondelia/Settings/KZ3_Trelvo");

class HeadlessProgram : public ProgramProcess {
public:
    explicit HeadlessProgram(const QString& root)
        : ProgramProcess({QStringLiteral("--headless"), QStringLiteral("--root"), root},
                         "(headless)") {}
};

void send(quint16 port, const QByteArray& datagram) {
    ProgramProcess::send(port, datagram);
}

bool waitForLine(const SimulatorProcess& sim, const QByteArray& line) {
    for (int i = 0; i < 100; ++i) {
        if (sim.received().contains(line)) {
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray logText(const QString& root) {
    QByteArray text;
    const QDir dir(root + QStringLiteral("/c/AudioLog/Histo_KZ3_Trelvo"));
    for (const QString& name : dir.entryList({QStringLiteral("*.Log")}, QDir::Files, QDir::Name)) {
        text += readAll(dir.filePath(name));
    }
    return text;
}

} // namespace

class TestHeadless : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void relaysUntilStoppedAndRefusesASecondCopy() {
        SimulatorProcess sim({QStringLiteral("--password"), QStringLiteral("ravin")});
        QVERIFY(sim.port() != 0);
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.path() + SettingsFolder));
        {
            QFile ini(root.path() + SettingsFolder + QStringLiteral("/KZ3_Trelvo.Ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Sound4]\r\nIP_0=127.0.0.1\r\nPort_0=" + QByteArray::number(sim.port()) +
                      "\r\nPW_0=ravin\r\nConnected_0=1\r\n"
                      "[Peripheriques_Reseau_Reception_UDP_1]\r\nIP=127.0.0.1\r\nPort=0\r\n"
                      "Actif=1\r\n");
        }

        HeadlessProgram first(root.path());
        QVERIFY(first.waitUntilRunning());
        const quint16 udpPort = first.listenerPort(1); // port 0: the system chose it
        QVERIFY(udpPort != 0);
        // Logged in at start because its Connected_ key read "1".
        QVERIFY(waitForLine(sim, QByteArrayLiteral("login admin,ravin")));

        send(udpPort, QByteArrayLiteral("<RDS:PS><Msg:MORNING>"));
        QVERIFY(waitForLine(sim, QByteArrayLiteral("rds.ps=MORNING")));

        // A second copy on the same root gives up and leaves the first alone.
        QProcess second;
        second.start(QStringLiteral(TRELVO_EXE_PATH),
                     {QStringLiteral("--headless"), QStringLiteral("--root"), root.path()});
        QVERIFY(second.waitForFinished(30000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 3);
        QVERIFY(logText(root.path())
                    .contains("Application encore charg\xe9"
                              "e en m\xe9moire."));
        send(udpPort, QByteArrayLiteral("<RDS:PS><Msg:AGAIN>"));
        QVERIFY(waitForLine(sim, QByteArrayLiteral("rds.ps=AGAIN")));

        QElapsedTimer stopping;
        stopping.start();
        first.process().terminate(); // SIGTERM
        QVERIFY(first.process().waitForFinished(30000));
        qInfo("headless program stopped %lld ms after SIGTERM", stopping.elapsed());
        QCOMPARE(first.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.process().exitCode(), 0);

        const QByteArray settings =
            readAll(root.path() + SettingsFolder + QStringLiteral("/KZ3_Trelvo.Ini"));
        QVERIFY(settings.contains("Connected_0=1\r\n"));
        QVERIFY(settings.contains("Connected_1=0\r\n"));
        QVERIFY(logText(root.path()).contains("---------- FrmSetup: Form_Unload: End"));
        QVERIFY(readAll(root.path() + QStringLiteral("/c/Mirevox/Ondelia/Config/MX_PRG.ini"))
                    .contains("Start=0FF"));
    }

    // SIGTERM while unit 0 is switched off and its messages wait, and unit 2 floods
    // lines: the program ends at once and cleanly, and unit 1 was relayed meanwhile.
    void stopsDuringAnOutage() {
        RefusingPort off;
        SimulatorProcess unit1({QStringLiteral("--password"), QStringLiteral("ravin")});
        SimulatorProcess flooding(
            {QStringLiteral("--password"), QStringLiteral("ravin"), QStringLiteral("--flood")});
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.path() + SettingsFolder));
        {
            QFile ini(root.path() + SettingsFolder + QStringLiteral("/KZ3_Trelvo.Ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Sound4]\r\nIP_0=127.0.0.1\r\nPort_0=" + QByteArray::number(off.port()) +
                      "\r\nConnected_0=1\r\nIP_1=127.0.0.1\r\nPort_1=" +
                      QByteArray::number(unit1.port()) +
                      "\r\nConnected_1=1\r\nIP_2=127.0.0.1\r\nPort_2=" +
                      QByteArray::number(flooding.port()) +
                      "\r\nConnected_2=1\r\n"
                      "[Peripheriques_Reseau_Reception_UDP_0]\r\nIP=127.0.0.1\r\nPort=0\r\n"
                      "Actif=1\r\n");
        }
        HeadlessProgram program(root.path());
        QVERIFY(program.waitUntilRunning());
        const quint16 udpPort = program.listenerPort(0);
        QVERIFY(udpPort != 0);
        for (int i = 0; i < 100; ++i) {
            send(udpPort, "<SD4:preset.name=S" + QByteArray::number(i) +
                              "><NoSound4:" + QByteArray::number(i % 2) + ">");
            QTest::qWait(5);
        }
        QVERIFY(waitForLine(unit1, QByteArrayLiteral("preset.name=S99")));

        QElapsedTimer stopping;
        stopping.start();
        program.process().terminate(); // SIGTERM
        QVERIFY(program.process().waitForFinished(30000));
        qInfo("stopped %lld ms after SIGTERM during an outage", stopping.elapsed());
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);
        const QByteArray settings =
            readAll(root.path() + SettingsFolder + QStringLiteral("/KZ3_Trelvo.Ini"));
        QVERIFY(settings.contains("Connected_1=1\r\n"));
        QVERIFY(settings.contains("Connected_0="));
        const QByteArray log = logText(root.path());
        QVERIFY(log.contains("is down: message held: <SD4:preset.name=S"));
        QVERIFY(log.contains("---------- FrmSetup: Form_Unload: End"));
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
