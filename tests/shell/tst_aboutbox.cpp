#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "shell/AboutBox.h"

#include <QtTest>

namespace {

constexpr quint32 HKLM = RegistryStore::HKEY_LOCAL_MACHINE;

struct AboutFixture {
    ScriptedDialogs dialogs;
    ProgramFixture f{nullptr, &dialogs};
    Program& p = f.program;
    QStringList installed; // the desktop programs on the PATH

    AboutFixture() {
        f.clock.setLocal(QDateTime(QDate(2031, 6, 15), QTime(10, 0)));
        p.about.setProgramFinder([this](const QString& name) {
            return installed.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
        });
    }
    // A program file at a Windows path of the root.
    QString createTool(const QString& windowsPath) {
        const QString native = p.paths.toNative(windowsPath);
        QDir().mkpath(QFileInfo(native).absolutePath());
        QFile file(native);
        if (!file.open(QIODevice::WriteOnly)) {
            return QString();
        }
        file.write("#!/bin/sh\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        return QFileInfo(native).absoluteFilePath();
    }
};

} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showsOverTheMainWindowOnceUntilOk();
    void systemInformation_data();
    void systemInformation();
};

void TestAboutBox::showsOverTheMainWindowOnceUntilOk() {
    AboutFixture s;
    s.p.frmMain.Form.Geometry.setGeometry(3000, 1500, 9000, 6000);
    s.p.about.Show();
    s.p.about.Show();
    const GeometryField& box = s.p.frmAbout.Form.Geometry;
    QCOMPARE(box.left(), 3000 + (9000 - box.width()) / 2);
    QCOMPARE(box.top(), 1500 + (6000 - box.height()) / 2);
    QVERIFY(s.p.frmAbout.Form.visible());
    QCOMPARE(
        std::count(s.p.placement.forms().begin(), s.p.placement.forms().end(), &s.p.frmAbout.Form),
        1);
    s.p.about.cmdOK_Click(); // no longer a loaded window
    QVERIFY(!s.p.frmAbout.Form.visible());
    QVERIFY(!s.p.about.loaded());
    QCOMPARE(
        std::count(s.p.placement.forms().begin(), s.p.placement.forms().end(), &s.p.frmAbout.Form),
        0);
}

void TestAboutBox::systemInformation_data() {
    QTest::addColumn<QString>("toolValue"); // "PATH" of the MSINFO key
    QTest::addColumn<bool>("toolExists");
    QTest::addColumn<QString>("folderValue"); // "MSINFO" of Shared Tools Location
    QTest::addColumn<bool>("folderToolExists");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("started"); // the Windows path, or the desktop program
    const QString tool = QStringLiteral("C:\\Program Files\\Outils\\msinfo.sh");
    const QString folder = QStringLiteral("C:\\Program Files\\Common Files\\MSInfo");
    QTest::newRow("the named tool")
        << tool << true << folder << true << QStringList{"hardinfo"} << true << tool;
    QTest::newRow("named tool absent: the folder's")
        << tool << false << folder << true << QStringList{} << true
        << folder + QStringLiteral("\\MSINFO32.EXE");
    QTest::newRow("folder without the tool: the desktop's")
        << QString() << false << folder << false << QStringList{"lshw-gtk", "kinfocenter"} << true
        << "/usr/bin/kinfocenter";
    QTest::newRow("registry names nothing: the desktop's")
        << QString() << false << QString() << false << QStringList{"gnome-system-monitor"} << true
        << "/usr/bin/gnome-system-monitor";
    QTest::newRow("nothing anywhere")
        << tool << false << folder << false << QStringList{} << false << QString();
    QTest::newRow("nothing named")
        << QString() << false << QString() << false << QStringList{} << false << QString();
}

void TestAboutBox::systemInformation() {
    QFETCH(QString, toolValue);
    QFETCH(bool, toolExists);
    QFETCH(QString, folderValue);
    QFETCH(bool, folderToolExists);
    QFETCH(QStringList, installed);
    QFETCH(bool, starts);
    QFETCH(QString, started);
    AboutFixture s;
    s.installed = installed;
    if (!toolValue.isEmpty()) {
        s.p.registry.Reg_SetValue(HKLM, AboutBox::ToolKey, AboutBox::ToolValue, toolValue, 1);
    }
    if (!folderValue.isEmpty()) {
        s.p.registry.Reg_SetValue(HKLM, AboutBox::ToolFolderKey, AboutBox::ToolFolderValue,
                                  folderValue, 1);
    }
    if (toolExists) {
        QVERIFY(!s.createTool(toolValue).isEmpty());
    }
    if (folderToolExists) {
        QVERIFY(!s.createTool(folderValue + QStringLiteral("\\MSINFO32.EXE")).isEmpty());
    }
    s.p.about.Show();
    s.p.about.cmdSysInfo_Click();

    if (!starts) {
        QVERIFY(s.f.desktop.calls.isEmpty());
        QCOMPARE(s.dialogs.questions.size(), 1);
        QCOMPARE(s.dialogs.questions[0].text,
                 QStringLiteral("Les informations système ne sont pas disponibles actuellement"));
        QCOMPARE(s.dialogs.questions[0].buttons, DialogsHost::Buttons::Ok);
        return;
    }
    QVERIFY(s.dialogs.questions.isEmpty());
    QCOMPARE(s.f.desktop.calls.size(), 1);
    QVERIFY(s.f.desktop.calls[0].program);
    const QString expected = started.startsWith(QLatin1Char('/'))
                                 ? started
                                 : QFileInfo(s.p.paths.toNative(started)).absoluteFilePath();
    QCOMPARE(s.f.desktop.calls[0].target, expected);
}

QTEST_GUILESS_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
