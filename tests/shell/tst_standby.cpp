#include "FakeInstanceLock.h"
#include "FakeTrayIcon.h"
#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "shell/MainWindow.h"
#include "shell/Shutdown.h"
#include "shell/Standby.h"
#include "shell/Startup.h"

#include <QtTest>

namespace {

const QString Caption = QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - Radio Exemple");

struct StandbyFixture {
    ScriptedDialogs dialogs;
    ProgramFixture f{nullptr, &dialogs};
    Program& p = f.program;
    FakeTrayIcon tray;
    MainWindow window{p};
    QStringList focus; // the windows given the focus, in order

    explicit StandbyFixture(bool withIcon = true) {
        if (withIcon) {
            p.standby.setTrayIcon(&tray);
        }
        p.state.PbBFrmMainChargee = true;
        p.incidentAlert.setNormalCaption(Caption);
        p.frmMain.Form.setVisible(true);
        for (FormField* form : {&p.frmMain.Form, &p.frmSetup.Form, &p.frmAbout.Form}) {
            QObject::connect(form, &FormField::focusRequested,
                             [this, form] { focus << form->name(); });
        }
    }
    bool shown(const QString& form) const {
        for (const FormField* loaded : p.placement.forms()) {
            if (loaded->name() == form) {
                return loaded->visible();
            }
        }
        return false;
    }
    QStringList log() const {
        return p.frmMainBis.ListeLogTemp.rows() + p.frmSetup.ListeLog.rows();
    }
    int warnings() const {
        int n = 0;
        for (const QString& row : log()) {
            n += row.contains(QStringLiteral("Warning:")) ? 1 : 0;
        }
        return n;
    }
    void incident() {
        p.trace.TraceLog(-1, -1, QStringLiteral("Err: Unable to connect to Sound4 #2"), true, 0,
                         true);
    }
};

} // namespace

class TestStandby : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void standbyAndBack_data();
    void standbyAndBack();
    void commandLine_data();
    void commandLine();
    void deferredStandby_data();
    void deferredStandby();
    void menuEntry_data();
    void menuEntry();
    void incidentInStandbyKeepsTheIconAndShowsTheAlert();
    void incidentOutsideStandbyShowsNoIcon();
    void withoutAnyIconTheModelsAreHidden();
    void secondStandbyKeepsTheFirstWindows();
    void aboutFromTheIconsMenu();
    void windowClosedInStandbyKeepsItsRow();
    void quittingInStandbyLeavesNoIcon();
};

void TestStandby::standbyAndBack_data() {
    QTest::addColumn<bool>("setupShown");
    QTest::addColumn<bool>("aboutShown");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("focus");
    // The list: the main window, then the shown windows from the last loaded.
    QTest::newRow("main window only") << false << false << QStringList{"Frm_Main", "Frm_Main"}
                                      << QStringList{"Frm_Main", "Frm_Main"};
    QTest::newRow("settings shown")
        << true << false << QStringList{"Frm_Main", "FrmSetup", "Frm_Main"}
        << QStringList{"Frm_Main", "FrmSetup", "Frm_Main"};
    QTest::newRow("settings and about shown")
        << true << true << QStringList{"Frm_Main", "FrmAbout", "FrmSetup", "Frm_Main"}
        << QStringList{"Frm_Main", "FrmAbout", "FrmSetup", "Frm_Main"};
    QTest::newRow("about shown, settings hidden")
        << false << true << QStringList{"Frm_Main", "FrmAbout", "Frm_Main"}
        << QStringList{"Frm_Main", "FrmAbout", "Frm_Main"};
}

void TestStandby::standbyAndBack() {
    QFETCH(bool, setupShown);
    QFETCH(bool, aboutShown);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, focus);
    StandbyFixture s;
    s.p.frmSetup.Form.setVisible(setupShown);
    if (aboutShown) {
        s.p.about.Show();
    }
    s.focus.clear();

    s.p.standby.MiseEnVeilleForcee();
    QVERIFY(s.p.state.PbBEnVeille);
    QCOMPARE(s.p.frmSysTray.ListeFrm.rows(), rows);
    for (const char* form : {"Frm_Main", "FrmSetup", "FrmAbout"}) {
        QVERIFY2(!s.shown(QString::fromLatin1(form)), form);
    }
    QVERIFY(s.tray.shown);
    QCOMPARE(s.tray.tip, QStringLiteral("Ondelia: Sound4"));
    QCOMPARE(s.tray.look, TrayIcon::Look::Normal);

    s.tray.chooseShow();
    QVERIFY(!s.p.state.PbBEnVeille);
    QVERIFY(!s.tray.shown);
    QVERIFY(s.shown(QStringLiteral("Frm_Main")));
    QCOMPARE(s.p.frmSetup.Form.visible(), setupShown); // a hidden window stays hidden
    QCOMPARE(s.p.frmAbout.Form.visible(), aboutShown);
    QVERIFY(s.p.frmSysTray.ListeFrm.isEmpty());
    QCOMPARE(s.focus, focus); // the main window ends with the focus
}

void TestStandby::commandLine_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("standby");
    QTest::newRow("asked") << "/Instance=2 /Veille=True" << true;
    QTest::newRow("any letter case") << "/veille=TRUE" << true;
    QTest::newRow("not asked") << "/Instance=2" << false;
    QTest::newRow("other value") << "/Veille=False" << false;
}

// The whole start, then the deferred standby on its own timer.
void TestStandby::commandLine() {
    QFETCH(QString, line);
    QFETCH(bool, standby);
    StandbyFixture s;
    s.p.frmMain.Form.setVisible(false);
    FakeInstanceLock lock;
    Startup startup(s.p, lock);
    QCOMPARE(startup.run(line), Startup::Outcome::Running);
    QVERIFY(s.p.frmMain.Form.visible());
    QCOMPARE(s.p.frmMain.TimerVeille.isActive(), standby);
    if (standby) {
        QTRY_VERIFY_WITH_TIMEOUT(s.p.state.PbBEnVeille, 10000);
        QVERIFY(!s.p.frmMain.TimerVeille.isActive());
        QVERIFY(!s.p.frmMain.Form.visible());
        QCOMPARE(s.tray.tip, QStringLiteral("Ondelia: Sound4"));
    } else {
        QVERIFY(!s.p.frmMain.VeilleDemandee);
        QVERIFY(!s.tray.shown);
    }
}

void TestStandby::deferredStandby_data() {
    QTest::addColumn<bool>("requested");
    QTest::addColumn<bool>("mainShown");
    QTest::addColumn<bool>("quitting");
    QTest::addColumn<bool>("standby");
    QTest::addColumn<bool>("timerOn");
    QTest::newRow("window shown") << true << true << false << true << false;
    QTest::newRow("window not shown yet") << true << false << false << false << true;
    QTest::newRow("quit confirmed") << true << true << true << false << true;
    QTest::newRow("request already served") << false << true << false << false << false;
}

void TestStandby::deferredStandby() {
    QFETCH(bool, requested);
    QFETCH(bool, mainShown);
    QFETCH(bool, quitting);
    QFETCH(bool, standby);
    QFETCH(bool, timerOn);
    StandbyFixture s;
    Frm_Main& frm = s.p.frmMain;
    frm.Form.setVisible(mainShown);
    frm.VeilleDemandee = requested;
    s.p.state.PbBQuitterEnCours = quitting;
    frm.TimerVeille.start();

    s.p.standby.TimerVeille_Timer();
    QCOMPARE(s.p.state.PbBEnVeille, standby);
    QCOMPARE(s.tray.shown, standby);
    QCOMPARE(frm.TimerVeille.isActive(), timerOn);
    QCOMPARE(frm.VeilleDemandee, requested && !standby);
    if (standby) {
        QVERIFY(!frm.Form.visible());
    }
}

void TestStandby::menuEntry_data() {
    QTest::addColumn<bool>("quitting");
    QTest::newRow("running") << false;
    QTest::newRow("after a confirmed quit") << true;
}

void TestStandby::menuEntry() {
    QFETCH(bool, quitting);
    StandbyFixture s;
    s.p.state.PbBQuitterEnCours = quitting;
    s.window.Mnu01Veille_Click();
    QCOMPARE(s.p.state.PbBEnVeille, !quitting);
    QCOMPARE(s.tray.shown, !quitting);
    QCOMPARE(s.p.frmMain.Form.visible(), quitting);
}

void TestStandby::incidentInStandbyKeepsTheIconAndShowsTheAlert() {
    StandbyFixture s;
    // A station name long enough for the alert caption to overflow the tip.
    const QString longCaption = Caption + QStringLiteral(" Centre-Val de Loire");
    s.p.incidentAlert.setNormalCaption(longCaption);
    s.p.frmSetup.Form.setVisible(true);
    s.p.standby.MiseEnVeilleForcee();

    s.incident();
    QCOMPARE(s.p.frmMain.Caption.text(), QStringLiteral("Err: ") + longCaption);
    QVERIFY(s.p.frmMain.TimerFlash.isActive());
    QVERIFY(!s.p.frmMain.Form.visible());
    QVERIFY(!s.p.frmSetup.Form.visible());
    QVERIFY(s.p.state.PbBEnVeille);
    QVERIFY(s.tray.shown);
    QCOMPARE(s.tray.look, TrayIcon::Look::Alert);
    QCOMPARE(s.tray.tip, (QStringLiteral("Err: ") + longCaption).left(64));
    QCOMPARE(s.tray.tip.size(), 64);

    s.tray.chooseShow();
    QVERIFY(!s.tray.shown);
    QVERIFY(s.p.frmMain.Form.visible());
    QVERIFY(s.p.frmSetup.Form.visible());
    // The next standby shows the program's own icon and tip again.
    s.p.standby.MiseEnVeilleForcee();
    QCOMPARE(s.tray.look, TrayIcon::Look::Normal);
    QCOMPARE(s.tray.tip, QStringLiteral("Ondelia: Sound4"));
}

void TestStandby::incidentOutsideStandbyShowsNoIcon() {
    StandbyFixture s;
    s.incident();
    QVERIFY(s.p.incidentAlert.alertShown());
    QVERIFY(!s.tray.shown);
    QCOMPARE(s.tray.shows, 0);
}

void TestStandby::withoutAnyIconTheModelsAreHidden() {
    StandbyFixture s(false);
    s.p.standby.MiseEnVeilleForcee();
    QVERIFY(s.p.state.PbBEnVeille);
    QVERIFY(!s.p.frmMain.Form.visible());
    QCOMPARE(s.p.frmMain.Form.windowState(), FormField::WindowState::Normal);
    QCOMPARE(s.warnings(), 0);
    s.incident(); // nothing to show it on, nothing fails
    QVERIFY(s.p.incidentAlert.alertShown());
    QCOMPARE(s.p.errors.lastNumber(), 0);
}

void TestStandby::secondStandbyKeepsTheFirstWindows() {
    StandbyFixture s;
    s.p.frmSetup.Form.setVisible(true);
    s.p.standby.MiseEnVeilleForcee();
    s.p.standby.MiseEnVeilleForcee();
    QVERIFY(s.tray.shown);
    s.tray.chooseShow();
    QVERIFY(s.p.frmMain.Form.visible());
    QVERIFY(s.p.frmSetup.Form.visible());
}

void TestStandby::aboutFromTheIconsMenu() {
    StandbyFixture s;
    s.p.standby.MiseEnVeilleForcee();
    s.tray.chooseAbout();
    QVERIFY(s.p.frmAbout.Form.visible());
    QVERIFY(s.p.about.loaded());
    QVERIFY(!s.p.frmMain.Form.visible()); // the standby goes on
    QVERIFY(s.p.state.PbBEnVeille);
    QVERIFY(s.tray.shown);
}

void TestStandby::windowClosedInStandbyKeepsItsRow() {
    StandbyFixture s;
    s.p.about.Show();
    s.p.standby.MiseEnVeilleForcee();
    s.p.about.cmdOK_Click(); // no longer a loaded window
    s.tray.chooseShow();
    QVERIFY(s.p.frmMain.Form.visible());
    QVERIFY(!s.p.frmAbout.Form.visible());
    QCOMPARE(s.p.frmSysTray.ListeFrm.rows(), QStringList{"FrmAbout"});
    QVERIFY(!s.tray.shown);
    QVERIFY(!s.p.state.PbBEnVeille);
}

void TestStandby::quittingInStandbyLeavesNoIcon() {
    StandbyFixture s;
    s.p.frmSetup.Form.setVisible(true);
    s.p.standby.MiseEnVeilleForcee();
    Shutdown(s.p).Form_Unload();
    QVERIFY(!s.tray.shown);
    QVERIFY(!s.p.state.PbBEnVeille);
    // A closing program does not bring its windows back for a moment.
    QVERIFY(!s.p.frmMain.Form.visible());
    QVERIFY(!s.p.frmSetup.Form.visible());
}

QTEST_GUILESS_MAIN(TestStandby)
#include "tst_standby.moc"
