#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "settings/SetupWindow.h"

#include <QtTest>

namespace {

struct SetupFixture {
    ScriptedDialogs dialogs;
    ProgramFixture f{nullptr, &dialogs};
    Program& p = f.program;
    FrmSetup& setup = p.frmSetup;
    SetupWindow& window = p.setupWindow;
};

} // namespace

class TestSetupWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resize_data() {
        QTest::addColumn<int>("formHeight");
        QTest::addColumn<int>("lookFamily");
        QTest::addColumn<bool>("minimised");
        QTest::addColumn<int>("buttonsTop");
        QTest::addColumn<int>("tabsHeight");
        // Buttons 405 high, tab strip at top 60, 60 above the buttons.
        QTest::newRow("as drawn") << 10800 << 0 << false << 9900 << 9780;
        QTest::newRow("taller") << 15000 << 0 << false << 14100 << 13980;
        QTest::newRow("frame family 1") << 10800 << 1 << false << 9870 << 9750;
        QTest::newRow("another family") << 10800 << 2 << false << 9900 << 9780;
        QTest::newRow("tab strip just gone") << 1020 << 0 << false << 120 << 0;
        QTest::newRow("one twip of tab strip") << 1021 << 0 << false << 121 << 1;
        QTest::newRow("shorter than the buttons") << 600 << 0 << false << -300 << 0;
        QTest::newRow("minimised") << 600 << 0 << true << 9900 << 9780;
    }
    void resize() {
        QFETCH(int, formHeight);
        QFETCH(int, lookFamily);
        QFETCH(bool, minimised);
        SetupFixture s;
        s.p.state.PbLLookFamille = lookFamily;
        s.setup.Form.Geometry.resize(14400, formHeight);
        if (minimised) {
            s.setup.Form.setWindowState(FormField::WindowState::Minimized);
        }
        s.window.Form_Resize();
        QTEST(s.setup.CommandFermerGeometry.top(), "buttonsTop");
        QTEST(s.setup.CommandSaveGeometry.top(), "buttonsTop");
        QTEST(s.setup.SftTabsOptions.Geometry.height(), "tabsHeight");
        // Only the tops and the height move.
        QCOMPARE(s.setup.CommandFermerGeometry.left(), 12780);
        QCOMPARE(s.setup.CommandSaveGeometry.left(), 11160);
        QCOMPARE(s.setup.CommandFermerGeometry.height(), 405);
        QCOMPARE(s.setup.SftTabsOptions.Geometry.top(), 60);
        QCOMPARE(s.setup.SftTabsOptions.Geometry.width(), 14280);
    }

    void queryUnload_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("shownAfter");
        QTest::addColumn<int>("cancelAfter");
        QTest::newRow("close box") << int(SetupWindow::FormControlMenu) << false << 1;
        QTest::newRow("the program's unload") << int(SetupWindow::FormCode) << true << 0;
        QTest::newRow("the session ends") << 2 << true << 0;
        QTest::newRow("the task manager") << 3 << true << 0;
    }
    void queryUnload() {
        QFETCH(int, mode);
        SetupFixture s;
        s.setup.Form.setVisible(true);
        s.setup.TexteSound4IP[0].setText(QStringLiteral("10.0.0.9"));
        qint16 cancel = 0;
        s.window.Form_QueryUnload(cancel, qint16(mode));
        QTEST(s.setup.Form.visible(), "shownAfter");
        QTEST(int(cancel), "cancelAfter");
        // Hiding discards nothing and asks nothing.
        QCOMPARE(s.setup.TexteSound4IP[0].text(), QStringLiteral("10.0.0.9"));
        QVERIFY(s.p.state.PbBOptionsModifiees);
        QVERIFY(s.dialogs.questions.isEmpty());
    }

    void fermerHidesAndKeepsEdits() {
        SetupFixture s;
        s.setup.Form.setVisible(true);
        s.setup.TexteUDPIPCible[4].setText(QStringLiteral("192.168.1.20"));
        s.window.CommandFermer_Click();
        QVERIFY(!s.setup.Form.visible());
        QCOMPARE(s.setup.TexteUDPIPCible[4].text(), QStringLiteral("192.168.1.20"));
        QVERIFY(s.p.state.PbBPeripheriquesModifies);
        QVERIFY(s.dialogs.questions.isEmpty());
    }

    void activate_data() {
        QTest::addColumn<QList<int>>("unavailable");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("currentAfter");
        QTest::newRow("available stays") << QList<int>{1} << 2 << 2;
        QTest::newRow("first available") << QList<int>{0, 2} << 2 << 1;
        QTest::newRow("lowest index wins") << QList<int>{2} << 2 << 0;
        QTest::newRow("none available") << QList<int>{0, 1, 2, 3} << 3 << 3;
    }
    void activate() {
        QFETCH(QList<int>, unavailable);
        QFETCH(int, current);
        SetupFixture s;
        TabStripField& tabs = s.setup.SftTabsOptions;
        tabs.setCurrent(current);
        for (int tab : unavailable) {
            tabs.setAvailable(tab, false);
        }
        s.window.Form_Activate();
        QTEST(tabs.current(), "currentAfter");
    }

    // "Enregistrer" saves the edited settings with both windows busy meanwhile, and
    // gives the cursors back, this window first.
    void saveShowsTheBusyCursor() {
        SetupFixture s;
        QStringList cursors;
        QObject::connect(&s.p.frmMain.Form, &FormField::busyChanged, [&](bool busy) {
            cursors << (busy ? QStringLiteral("main on") : QStringLiteral("main off"));
        });
        QObject::connect(&s.setup.Form, &FormField::busyChanged, [&](bool busy) {
            cursors << (busy ? QStringLiteral("setup on") : QStringLiteral("setup off"));
        });
        QString savedDuringTheSave;
        QObject::connect(&s.setup.Form, &FormField::busyChanged, [&](bool busy) {
            if (!busy) {
                savedDuringTheSave =
                    s.p.ini.LectureIni(s.p.settings.settingsFile(), QStringLiteral("Sound4"),
                                       QStringLiteral("IP_0"), QStringLiteral("<none>"));
            }
        });
        s.setup.TexteSound4IP[0].setText(QStringLiteral("10.1.2.3"));
        s.window.CommandSave_Click(s.p.frmMain.Form);
        QCOMPARE(cursors, (QStringList{QStringLiteral("main on"), QStringLiteral("setup on"),
                                       QStringLiteral("setup off"), QStringLiteral("main off")}));
        QCOMPARE(savedDuringTheSave, QStringLiteral("10.1.2.3"));
        QVERIFY(!s.p.state.PbBOptionsModifiees);
        QVERIFY(!s.setup.Form.busy() && !s.p.frmMain.Form.busy());
    }
};

QTEST_GUILESS_MAIN(TestSetupWindow)
#include "tst_setupwindow.moc"
