#include "ProgramFixture.h"
#include "config/WindowPlacement.h"
#include "platform/Screen.h"

#include <QtTest>

namespace {

const QString PositionsIni =
    QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\KZ3_Trelvo_Positions.Ini");

// A screen 15 360 twips high (1280 x 1024 pixels at 96 dpi).
struct PlacementFixture {
    ProgramFixture f;
    Program& p = f.program;
    FixedScreen screen{QSize(1280, 1024), 15.0};
    WindowPlacement placement{p.site, p.ini, screen, f.events, p.errors};
    FormField form{QStringLiteral("Frm_Main")};

    void write(const QString& key, const QString& value) {
        QVERIFY(p.ini.EcritureIni(PositionsIni, WindowPlacement::Section, key, value));
    }
    QString read(const QString& file, const QString& key) {
        return p.ini.LectureIni(file, WindowPlacement::Section, key, QStringLiteral("<none>"));
    }
};

} // namespace

class TestWindowPlacement : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placedWithinReach_data();
    void placedWithinReach();
    void suffixNamesOtherKeys();
    void savedOnlyInNormalState_data();
    void savedOnlyInNormalState();
    void instancesKeepTheirOwnFiles();
    void dialogTakesTopWindowsDown();
};

void TestWindowPlacement::placedWithinReach_data() {
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("top");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("expectedLeft");
    QTest::addColumn<int>("expectedTop");
    // An empty text: the key is not in the file.
    QTest::newRow("no file") << ""
                             << "" << 6000 << 0 << 0;
    QTest::newRow("saved") << "1500"
                           << "900" << 6000 << 1500 << 900;
    QTest::newRow("below the screen") << "0"
                                      << "50000" << 6000 << 0 << 7680;
    QTest::newRow("at the bottom edge") << "0"
                                        << "15360" << 6000 << 0 << 15360;
    QTest::newRow("just below it") << "0"
                                   << "15361" << 6000 << 0 << 7680;
    QTest::newRow("bottom edge above the screen") << "0"
                                                  << "-5000" << 2000 << 0 << 0;
    QTest::newRow("bottom edge at 99") << "0"
                                       << "-1901" << 2000 << 0 << 0;
    QTest::newRow("bottom edge at 100") << "0"
                                        << "-1900" << 2000 << 0 << -1900;
    QTest::newRow("far left") << "-20001"
                              << "0" << 6000 << 0 << 0;
    QTest::newRow("left limit") << "-20000"
                                << "0" << 6000 << -20000 << 0;
    QTest::newRow("a screen on the left") << "-15000"
                                          << "0" << 6000 << -15000 << 0;
    QTest::newRow("minimised place") << "-480000"
                                     << "-480000" << 6000 << 0 << 0;
    QTest::newRow("not a number") << "abc"
                                  << "12x" << 6000 << 0 << 12;
    QTest::newRow("decimals") << "120.6"
                              << " 45" << 6000 << 121 << 45;
}

void TestWindowPlacement::placedWithinReach() {
    QFETCH(QString, left);
    QFETCH(QString, top);
    QFETCH(int, height);
    QFETCH(int, expectedLeft);
    QFETCH(int, expectedTop);
    PlacementFixture s;
    if (!left.isEmpty()) {
        s.write(QStringLiteral("Frm_Main_Left"), left);
        s.write(QStringLiteral("Frm_Main_Top"), top);
    }
    s.form.Geometry.setGeometry(333, 444, 9000, height);
    QString suffix;
    s.placement.PositionFeuille(s.form, suffix);
    QCOMPARE(s.form.Geometry.left(), expectedLeft);
    QCOMPARE(s.form.Geometry.top(), expectedTop);
    QCOMPARE(s.form.Geometry.width(), 9000); // only the place, never the size
    QCOMPARE(s.form.Geometry.height(), height);
    QCOMPARE(suffix, QString());
}

void TestWindowPlacement::suffixNamesOtherKeys() {
    PlacementFixture s;
    s.write(QStringLiteral("Frm_Main_Left"), QStringLiteral("10"));
    s.write(QStringLiteral("Frm_Main_Left_Console"), QStringLiteral("700"));
    QString suffix = QStringLiteral("Console");
    s.placement.PositionFeuille(s.form, suffix);
    QCOMPARE(suffix, QStringLiteral("_Console")); // the caller's variable too
    QCOMPARE(s.form.Geometry.left(), 700);
}

void TestWindowPlacement::savedOnlyInNormalState_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("top");
    QTest::newRow("normal") << int(FormField::WindowState::Normal) << "2400"
                            << "-300";
    QTest::newRow("maximised") << int(FormField::WindowState::Maximized) << "100"
                               << "200";
    QTest::newRow("minimised") << int(FormField::WindowState::Minimized) << "100"
                               << "200";
}

void TestWindowPlacement::savedOnlyInNormalState() {
    QFETCH(int, state);
    QFETCH(QString, left);
    QFETCH(QString, top);
    PlacementFixture s;
    s.write(QStringLiteral("Frm_Main_Left"), QStringLiteral("100"));
    s.write(QStringLiteral("Frm_Main_Top"), QStringLiteral("200"));
    s.form.Geometry.setGeometry(2400, -300, 9000, 6000);
    s.form.setWindowState(FormField::WindowState(state));
    QString suffix;
    s.placement.PositionFeuilleSauvegarde(s.form, suffix);
    QCOMPARE(s.read(PositionsIni, QStringLiteral("Frm_Main_Left")), left);
    QCOMPARE(s.read(PositionsIni, QStringLiteral("Frm_Main_Top")), top);
}

void TestWindowPlacement::instancesKeepTheirOwnFiles() {
    PlacementFixture s;
    QString suffix;
    s.p.state.PbINoInstance = 1;
    s.form.Geometry.move(1000, 2000);
    s.placement.PositionFeuilleSauvegarde(s.form, suffix);
    s.p.state.PbINoInstance = 2;
    s.form.Geometry.move(3000, 4000);
    s.placement.PositionFeuilleSauvegarde(s.form, suffix);

    const QString folder = QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\");
    QCOMPARE(s.read(folder + QStringLiteral("KZ3_Trelvo_1_Positions.Ini"),
                    QStringLiteral("Frm_Main_Left")),
             QStringLiteral("1000"));
    QCOMPARE(s.read(folder + QStringLiteral("KZ3_Trelvo_2_Positions.Ini"),
                    QStringLiteral("Frm_Main_Left")),
             QStringLiteral("3000"));
    QVERIFY(!QFile::exists(s.p.paths.toNative(PositionsIni)));

    s.p.state.PbINoInstance = 1;
    s.placement.PositionFeuille(s.form, suffix);
    QCOMPARE(s.form.Geometry.left(), 1000);
    QCOMPARE(s.form.Geometry.top(), 2000);
}

// A dialog takes the visible windows kept on top down and puts them back after; the
// progress window is one of them while it is loaded.
void TestWindowPlacement::dialogTakesTopWindowsDown() {
    PlacementFixture s;
    FrmMsg& progress = s.p.frmMsg;
    FormField hidden(QStringLiteral("Hidden")), plain(QStringLiteral("Plain"));
    s.placement.addForm(hidden);
    s.placement.addForm(plain);
    s.placement.loadProgressWindow(progress);
    progress.Form.setVisible(true);
    s.placement.AfficherAuDessus(hidden, true);
    plain.setVisible(true);
    // 1280 pixels of 15 twips: the middle is at 9600.
    QCOMPARE(progress.Form.Geometry.left(), 9600 - progress.Form.Geometry.width() / 2);
    QCOMPARE(progress.Form.Geometry.top(), 0);

    s.placement.AfficherMessageBoxOuInputBox(true);
    QVERIFY(!progress.Form.topmost());
    QCOMPARE(progress.Form.Tag, QStringLiteral("-1"));
    QVERIFY(hidden.topmost()); // not on screen: nothing to take down
    s.placement.AfficherMessageBoxOuInputBox(false);
    QVERIFY(progress.Form.topmost());
    QCOMPARE(progress.Form.Tag, QStringLiteral("1"));
    QVERIFY(!plain.topmost());

    s.placement.unloadProgressWindow(progress);
    s.placement.AfficherMessageBoxOuInputBox(true);
    s.placement.AfficherMessageBoxOuInputBox(false);
    QVERIFY(!progress.Form.visible() && !progress.Form.topmost()); // no longer loaded
}

QTEST_GUILESS_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
