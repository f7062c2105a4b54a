#include "FakeInstanceLock.h"
#include "ProgramFixture.h"
#include "shell/Shutdown.h"
#include "shell/Startup.h"

#include <QtTest>

namespace {

const QString SettingsIni =
    QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\KZ3_Trelvo.Ini");
const QString PositionsIni =
    QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\KZ3_Trelvo_Positions.Ini");

struct StartupFixture {
    ProgramFixture f;
    Program& p = f.program;
    FakeInstanceLock lock;
    Startup startup{p, lock};

    void write(const QString& file, const char* section, const char* key, const QString& value) {
        QVERIFY(p.ini.EcritureIni(file, QLatin1String(section), QLatin1String(key), value));
    }
    QString read(const QString& file, const char* section, const char* key) {
        return p.ini.LectureIni(file, QLatin1String(section), QLatin1String(key),
                                QStringLiteral("<none>"));
    }
    QString log() const {
        return (p.frmMainBis.ListeLogTemp.rows() + p.frmSetup.ListeLog.rows()).join('\n');
    }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandLine_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("instance");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<int>("waited");
        QTest::newRow("case and wait") << "/instance=3 /wait=2000" << 3 << "" << 2000;
        QTest::newRow("zero") << "/Instance=0" << 1 << "" << 0;
        QTest::newRow("above ten") << "/Instance=25" << 10 << "" << 0;
        QTest::newRow("huge") << "/Instance=99999999999999999999" << 10 << "" << 0;
        QTest::newRow("digits then letter") << "/Instance=7x" << 7 << "" << 0;
        QTest::newRow("letter first") << "/Instance=x7" << 1 << "" << 0;
        QTest::newRow("short form") << "/I=4" << 4 << "" << 0;
        QTest::newRow("long form wins") << "/I=4 /Instance=2" << 2 << "" << 0;
        QTest::newRow("ip") << "/IP= 192.168.1.20 /Port=5000" << 0 << "192.168.1.20" << 0;
    }
    void commandLine() {
        QFETCH(QString, line);
        QFETCH(int, instance);
        QFETCH(QString, ip);
        QFETCH(int, waited);
        StartupFixture s;
        const qint64 before = s.p.uptime.TickCountMilliSec();
        s.startup.AnalyseChaineCommand(line);
        QCOMPARE(int(s.p.state.PbINoInstance), instance);
        QCOMPARE(s.p.state.PbSIPCible, ip);
        QVERIFY(s.log().contains(QStringLiteral("Command Line: '") + line + QLatin1Char('\'')));
        QVERIFY(s.log().contains(QStringLiteral("Instance: ") + QString::number(instance)));
        QCOMPARE(s.log().contains(QStringLiteral("WaitDuration: ")), waited > 0);
        QVERIFY(s.p.uptime.TickCountMilliSec() - before >= waited);
    }

    // A fresh root with a unit that was connected and a stored listener: the start
    // reads the site, opens the listener, logs the unit in and names the station.
    void startsAndStops() {
        StartupFixture s;
        s.write(SettingsIni, "Sound4", "IP_2", QStringLiteral("s4-studio"));
        s.write(SettingsIni, "Sound4", "Connected_2", QStringLiteral("1"));
        s.write(SettingsIni, "Peripheriques_Reseau_Reception_UDP_1", "IP", "127.0.0.1");
        s.write(SettingsIni, "Peripheriques_Reseau_Reception_UDP_1", "Port", "5001");
        s.write(SettingsIni, "Peripheriques_Reseau_Reception_UDP_1", "Actif", "1");
        QFile::setPermissions(s.p.paths.toNative(SettingsIni),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);

        s.write(QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Config.ini"), "Site", "Lib",
                QStringLiteral("Radio Nord"));
        s.write(QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Config.ini"), "Site", "NoRadio",
                QStringLiteral("57"));
        QCOMPARE(s.startup.run(QString()), Startup::Outcome::Running);
        const ProgramState& st = s.p.state;
        QCOMPARE(st.PbINoRadio, qint16(57));
        QVERIFY(s.p.mailer.EstCeUneRadioRevendeur());
        QVERIFY(st.PbBFrmMainChargee && !st.PbBInModeLoadingFrmMain && st.PbBFrmSetupChargee);
        QCOMPARE(s.p.frmMain.Caption.text(),
                 QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - Radio Nord"));
        QVERIFY(s.log().contains(QStringLiteral("Id Radio: Radio Nord")));
        QCOMPARE(s.f.telnet(2).connects.size(), 1);
        QCOMPARE(s.f.telnet(0).connects.size(), 0);
        auto& listener = static_cast<FakeUdpSocket&>(*s.p.reception.SocketWrenchUDPIn[1]);
        QCOMPARE(listener.binds.size(), 1);
        QVERIFY(!s.p.frmSetup.TexteUDPPortSource[1].enabled());
        QVERIFY(!st.PbBPeripheriquesModifies);
        // It holds the units' passwords.
        QCOMPARE(QFile::permissions(s.p.paths.toNative(SettingsIni)),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);

        // Stopped by the system: an edit is not saved, the connected units are recorded.
        s.p.frmSetup.TexteSound4IP[0].setText(QStringLiteral("edited"));
        Shutdown(s.p).Form_Unload();
        QVERIFY(s.p.state.PbBFermetureApplication && !s.p.state.PbBFrmSetupChargee);
        QVERIFY(s.f.readNative(s.p.trace.todayFileName().prepend(
                                   QStringLiteral("C:\\AudioLog\\Histo_KZ3_Trelvo\\")) +
                               QStringLiteral(".Log"))
                    .contains(QStringLiteral("Voulez-vous enregistrer les options ? |Answer "
                                             "(headless): No")));
        QCOMPARE(s.read(SettingsIni, "Sound4", "IP_0"), QStringLiteral("<none>"));
        QCOMPARE(s.read(SettingsIni, "Sound4", "Connected_2"), QStringLiteral("1"));
        QCOMPARE(s.read(SettingsIni, "Sound4", "Connected_0"), QStringLiteral("0"));
        QCOMPARE(s.read(QStringLiteral("C:\\Mirevox\\Ondelia\\Config\\MX_PRG.ini"), "Data_Backup",
                        "Start"),
                 QStringLiteral("0FF"));
    }

    void refusesWhileAnotherCopyRuns() {
        StartupFixture s;
        s.lock.otherRunning = true;
        const qint64 before = s.p.uptime.TickCountMilliSec();
        QCOMPARE(s.startup.run(QString()), Startup::Outcome::Refused);
        QVERIFY(s.p.uptime.TickCountMilliSec() - before >= 5000); // asked again after 5 s
        QCOMPARE(s.lock.asked, 2);
        QVERIFY(s.log().contains(
            QStringLiteral("Dialog: Ondelia: Trelvo: Application encore chargée en mémoire.")));
        QVERIFY(!s.p.state.PbBFrmSetupChargee);
        QCOMPARE(s.f.telnet(0).connects.size(), 0);
    }

    // Installations kept their listeners and emitters in the Windows folder; an
    // instance reads them from the shared peripherals file, moved there once.
    void peripheralsMoveIntoTheSettingsFolder() {
        StartupFixture s;
        const QString legacy = QStringLiteral("C:\\Windows\\KZ3_Trelvo.Ini");
        s.write(legacy, "Peripheriques_Reseau_Emission_UDP_4", "IP", QStringLiteral("10.0.0.9"));
        QCOMPARE(s.startup.run(QStringLiteral("/Instance=3")), Startup::Outcome::Running);
        QCOMPARE(s.p.settings.settingsFile(),
                 QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\KZ3_Trelvo_3.Ini"));
        QCOMPARE(s.p.frmSetup.TexteUDPIPCible[4].text(), QStringLiteral("10.0.0.9"));
        QCOMPARE(s.read(SettingsIni, "Peripheriques_Reseau_Emission_UDP_4", "IP"),
                 QStringLiteral("10.0.0.9"));
        QVERIFY(!s.p.state.PbBPeripheriquesModifies);
        // From now on the settings folder's file rules.
        s.write(legacy, "Peripheriques_Reseau_Emission_UDP_4", "IP", QStringLiteral("10.0.0.1"));
        s.p.settings.InitSettingsPeripheriques();
        QCOMPARE(s.p.frmSetup.TexteUDPIPCible[4].text(), QStringLiteral("10.0.0.9"));
    }

    // The main window and the settings window come back where they were, and a stop
    // by the system records where they are: the main window only when neither
    // minimised nor maximised.
    void windowsPlacedAndSaved_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("mainLeft");
        QTest::addColumn<QString>("mainTop");
        QTest::newRow("normal") << int(FormField::WindowState::Normal) << "2000"
                                << "1000";
        QTest::newRow("minimised") << int(FormField::WindowState::Minimized) << "1500"
                                   << "900";
        QTest::newRow("maximised") << int(FormField::WindowState::Maximized) << "1500"
                                   << "900";
    }
    void windowsPlacedAndSaved() {
        QFETCH(int, state);
        StartupFixture s;
        s.write(PositionsIni, "FrmPos", "Frm_Main_Left", QStringLiteral("1500"));
        s.write(PositionsIni, "FrmPos", "Frm_Main_Top", QStringLiteral("900"));
        s.write(PositionsIni, "FrmPos", "FrmSetup_Left", QStringLiteral("300"));
        s.write(PositionsIni, "FrmPos", "FrmSetup_Top", QStringLiteral("99999"));
        QCOMPARE(s.startup.run(QString()), Startup::Outcome::Running);
        const GeometryField& main = s.p.frmMain.Form.Geometry;
        QCOMPARE(main.left(), 1500);
        QCOMPARE(main.top(), 900);
        QCOMPARE(s.p.frmSetup.Form.Geometry.left(), 300);
        QCOMPARE(s.p.frmSetup.Form.Geometry.top(), 8100); // half of a 1080-pixel screen
        QVERIFY(s.p.frmMain.Form.visible());
        QVERIFY(!s.p.frmSetup.Form.visible()); // loaded hidden
        QVERIFY(!s.p.frmMsg.Form.visible() && !s.p.frmMsg.Form.topmost());
        QVERIFY(!s.p.frmMain.SftTabsMain.available(2));

        s.p.frmMain.Form.Geometry.move(2000, 1000);
        s.p.frmMain.Form.setWindowState(FormField::WindowState(state));
        s.p.frmSetup.Form.Geometry.move(400, 500);
        Shutdown(s.p).Form_Unload();
        QTEST(s.read(PositionsIni, "FrmPos", "Frm_Main_Left"), "mainLeft");
        QTEST(s.read(PositionsIni, "FrmPos", "Frm_Main_Top"), "mainTop");
        QCOMPARE(s.read(PositionsIni, "FrmPos", "FrmSetup_Left"), QStringLiteral("400"));
        QCOMPARE(s.read(PositionsIni, "FrmPos", "FrmSetup_Top"), QStringLiteral("500"));
    }

    // An incident while the window loads alerts at once and makes the "Incidents"
    // tab available at the end of the load, under the caption with the station.
    void incidentDuringTheLoadAlertsAtTheEnd() {
        StartupFixture s;
        s.write(QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Config.ini"), "Site", "Lib",
                QStringLiteral("Radio Nord"));
        bool logged = false;
        s.f.events.setOnEvents([&] {
            if (!logged && s.p.state.PbBFrmSetupChargee) {
                logged = true;
                s.p.trace.line(QStringLiteral("Err: early"), true);
                QVERIFY(!s.p.frmMain.SftTabsMain.available(2));
            }
        });
        QCOMPARE(s.startup.run(QString()), Startup::Outcome::Running);
        QVERIFY(logged);
        const Frm_Main& frm = s.p.frmMain;
        QCOMPARE(frm.Caption.text(),
                 QStringLiteral("Err: Ondelia: Trelvo - 2024.0131.0905 - Radio Nord"));
        QVERIFY(frm.TimerFlash.isActive());
        QVERIFY(frm.SftTabsMain.available(2));
        QCOMPARE(frm.SftTabsMain.current(), 0);
        QCOMPARE(frm.CheckIncidentsFeuilleNonChargee.value(), 0);
        QCOMPARE(frm.ListeIncidents[0].count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
