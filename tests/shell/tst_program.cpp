#include "ProgramFixture.h"

#include <QDir>
#include <QtTest>

class TestProgram : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void automationErrorRebootsWithStartupEntry();
    void bannerFromTheProgramsHelpers();
    void purgeGoesThroughFileDelete();
};

void TestProgram::automationErrorRebootsWithStartupEntry() {
    ProgramFixture f;
    f.program.errors.report(QStringLiteral("Frm_MainBis:TelnetSound4_State"), 20,
                            AppError{ErrorReport::DisconnectedComponentError,
                                     QStringLiteral("Automation error"), QString()});
    QCOMPARE(f.power.requests, QStringList{QStringLiteral("reboot")});
    QFile entry(f.autostartFolder() + QStringLiteral("/Ondelia - Trelvo.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    QVERIFY(text.contains(QStringLiteral("/Wait=10000")));
    QVERIFY(text.contains(QStringLiteral("Comment=Lancer le Trelvo Ondelia")));
    const QStringList incidents = f.program.frmMain.ListeIncidents[0].rows();
    QCOMPARE(incidents.size(), 2);
    QVERIFY(incidents.at(1).endsWith(
        QStringLiteral("Reboot the Computer because of Automation Error")));
    // Each row raised the alert, which took the signal back to 0.
    QCOMPARE(f.program.frmMain.CheckIncidents[0].value(), 0);
    QVERIFY(f.program.frmMain.TimerFlash.isActive());
    QVERIFY(f.program.frmMain.Caption.text().startsWith(QStringLiteral("Err: ")));
}

void TestProgram::bannerFromTheProgramsHelpers() {
    ProgramFixture f;
    QCOMPARE(f.program.registry.Reg_SetValue(
                 RegistryStore::HKEY_CURRENT_USER,
                 QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"),
                 QStringLiteral("ThemeActive"), QStringLiteral("1"), 1),
             0);
    f.program.state.PbBFrmSetupChargee = true;
    f.program.trace.line(QStringLiteral("hello"), true);
    const QString log =
        f.readNative(QStringLiteral("C:\\AudioLog\\Histo_KZ3_Trelvo\\20240131.Log"));
    QVERIFY(log.contains(QStringLiteral("==:==:==:====:=:=:=:App.Version: 2024.0131.0905\r\n")));
    QVERIFY(log.contains(QStringLiteral("==:==:==:====:=:=:=:Computer.Name: studio1\r\n")));
    QVERIFY(log.contains(QStringLiteral("==:==:==:====:=:=:=:ActiveTheme: WinXP\r\n")));
    QVERIFY(log.contains(QStringLiteral("==:==:==:====:=:=:=:Operating System: Debian GNU/Linux 12 "
                                        "(bookworm), 64-bit  (build 6.1.0-18-amd64)\r\n")));
    QVERIFY(log.contains(QStringLiteral(
        "==:==:==:====:=:=:=:App.ExeName: C:\\Mirevox\\Ondelia\\KZ3_Trelvo.exe\r\n")));
    QCOMPARE(f.program.state.PbLVersionWindows, 10);
    QVERIFY(f.program.uptime.TickCount64Disponible());
}

void TestProgram::purgeGoesThroughFileDelete() {
    ProgramFixture f;
    const QString folder =
        f.program.paths.toNative(QStringLiteral("C:\\AudioLog\\Histo_KZ3_Trelvo"));
    QVERIFY(QDir().mkpath(folder));
    QFile old(folder + QStringLiteral("/20231116.Log"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.close();
    f.program.state.PbBFrmSetupChargee = true;
    f.program.trace.line(QStringLiteral("x"), true);
    QVERIFY(!QFile::exists(folder + QStringLiteral("/20231116.Log")));
    QVERIFY(QFile::exists(folder + QStringLiteral("/20240131.Log")));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
