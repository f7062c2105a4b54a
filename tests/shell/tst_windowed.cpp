#include "ProgramProcess.h"
#include "SimulatorProcess.h"
#include "XServer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// The program as a station starts it on a desktop: the real executable with its
// windows on a real X server, still relaying, stopped by SIGTERM.
namespace {

const QString SettingsFolder = QStringLiteral("/c/Mirevox/Ondelia/Settings/KZ3_Trelvo");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestWindowed : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsItsWindowRelaysAndStops() {
        XServer x;
        if (x.display().isEmpty()) {
            if (qEnvironmentVariable("CI") == QLatin1String("true")) {
                QFAIL("no X server (apt install xvfb)");
            }
            QSKIP("Xvfb is not installed");
        }
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

        // The suite's data file is where the site says: no question at start.
        QVERIFY(QDir().mkpath(root.path() + QStringLiteral("/c/KZ_Data")));
        {
            QFile data(root.path() + QStringLiteral("/c/KZ_Data/FRAD000.bt6"));
            QVERIFY(data.open(QIODevice::WriteOnly));
            data.write(QByteArray(512, '\0'));
        }

        ProgramProcess program({QStringLiteral("--root"), root.path()}, "(windows)",
                               x.environment());
        QVERIFY2(program.waitUntilRunning(), program.process().readAllStandardError().constData());
        QTRY_VERIFY_WITH_TIMEOUT(x.windowTree().contains(QStringLiteral("\"Ondelia: Trelvo - ")),
                                 10000);

        const quint16 port = program.listenerPort(1);
        QVERIFY(port != 0);
        QTRY_VERIFY_WITH_TIMEOUT(sim.received().contains("login admin,ravin"), 10000);
        ProgramProcess::send(port, QByteArrayLiteral("<RDS:PS><Msg:ONAIR>"));
        QTRY_VERIFY_WITH_TIMEOUT(sim.received().contains("rds.ps=ONAIR"), 10000);

        program.process().terminate(); // SIGTERM: no question
        QVERIFY(program.process().waitForFinished(30000));
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);
        const QByteArray positions =
            readAll(root.path() + SettingsFolder + QStringLiteral("/KZ3_Trelvo_Positions.Ini"));
        QVERIFY2(positions.contains("[FrmPos]"), positions.constData());
        QVERIFY(positions.contains("Frm_Main_Left="));
        QVERIFY(positions.contains("Frm_Main_Top="));
    }
};

QTEST_GUILESS_MAIN(TestWindowed)
#include "tst_windowed.moc"
