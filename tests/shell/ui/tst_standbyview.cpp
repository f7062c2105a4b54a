#include "FakeTrayIcon.h"
#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "settings/ui/SetupWindowView.h"
#include "shell/MainWindow.h"
#include "shell/ui/AboutWindowView.h"
#include "shell/ui/MainWindowView.h"
#include "shell/ui/QtTrayIcon.h"

#include <QAction>
#include <QSignalSpy>
#include <QtTest>

namespace {

// The program's windows over fakes, offscreen, with an icon for the standby.
struct ViewFixture {
    ScriptedDialogs dialogs;
    ProgramFixture f{nullptr, &dialogs};
    Program& p = f.program;
    MainWindow procedures{p};
    MainWindowView main{p, procedures, 15.0};
    SetupWindowView setup{p, &main};
    AboutWindowView about{p.frmAbout, p.about, 15.0, &main};
    FakeTrayIcon fake;
    QtTrayIcon qt{p.frmSysTray};

    ViewFixture() {
        p.state.PbBFrmSetupChargee = true;
        p.state.PbBFrmMainChargee = true;
        p.frmMain.Form.setVisible(true);
    }
    void standby() { main.findChild<QAction*>(QStringLiteral("Mnu01Veille"))->trigger(); }
    int warnings() const {
        int n = 0;
        for (const QString& row : p.frmMainBis.ListeLogTemp.rows() + p.frmSetup.ListeLog.rows()) {
            n += row.contains(QStringLiteral("Warning:")) ? 1 : 0;
        }
        return n;
    }
};

} // namespace

class TestStandbyView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void standbyHidesTheWindowsUntilAfficher_data();
    void standbyHidesTheWindowsUntilAfficher();
    void trayMenu_data();
    void trayMenu();
    void trayMenuEntries();
    void trayShowsTipAndLook();
    void noNotificationAreaMinimises();
};

void TestStandbyView::standbyHidesTheWindowsUntilAfficher_data() {
    QTest::addColumn<bool>("setupShown");
    QTest::newRow("settings window hidden") << false;
    QTest::newRow("settings window shown") << true;
}

void TestStandbyView::standbyHidesTheWindowsUntilAfficher() {
    QFETCH(bool, setupShown);
    ViewFixture s;
    s.p.standby.setTrayIcon(&s.fake);
    s.p.frmSetup.Form.setVisible(setupShown);
    QVERIFY(QTest::qWaitForWindowExposed(&s.main));
    QCOMPARE(s.setup.isVisible(), setupShown);

    s.standby();
    QVERIFY(!s.main.isVisible());
    QVERIFY(!s.setup.isVisible());
    QVERIFY(s.fake.shown);
    QCOMPARE(s.fake.tip, QStringLiteral("Ondelia: Sound4"));

    s.fake.chooseShow();
    QVERIFY(QTest::qWaitForWindowExposed(&s.main));
    QCOMPARE(s.setup.isVisible(), setupShown);
    QVERIFY(!s.about.isVisible());
    QVERIFY(!s.fake.shown);
}

void TestStandbyView::trayMenu_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("separator");
    QTest::newRow("show") << 0 << "MnuAfficher"
                          << "Afficher" << false;
    QTest::newRow("separator") << 1 << "MnuSep01" << QString() << true;
    QTest::newRow("about") << 2 << "MnuAbout"
                           << "A propos..." << false;
}

void TestStandbyView::trayMenu() {
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, separator);
    ViewFixture s;
    QCOMPARE(s.qt.icon().contextMenu(), &s.qt.menu());
    QCOMPARE(s.qt.menu().objectName(), QStringLiteral("MnuFlottant"));
    QCOMPARE(s.qt.menu().title(), QStringLiteral("Flottant"));
    const QList<QAction*> entries = s.qt.menu().actions();
    QCOMPARE(entries.size(), 3);
    QAction* entry = entries.at(index);
    QCOMPARE(entry->objectName(), name);
    QCOMPARE(entry->isSeparator(), separator);
    QCOMPARE(entry->text(), text);
}

// "Afficher" is signalled; "A propos..." opens the about box, not modal.
void TestStandbyView::trayMenuEntries() {
    ViewFixture s;
    s.p.standby.setTrayIcon(&s.qt);
    QSignalSpy shows(&s.qt, &TrayIcon::showRequested);
    s.qt.menu().findChild<QAction*>(QStringLiteral("MnuAfficher"))->trigger();
    QCOMPARE(shows.count(), 1);
    QVERIFY(!s.about.isVisible());
    s.qt.menu().findChild<QAction*>(QStringLiteral("MnuAbout"))->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(&s.about));
    QVERIFY(!s.about.isModal());
    QCOMPARE(s.about.parentWidget(), &s.main);
    QCOMPARE(shows.count(), 1);
}

void TestStandbyView::trayShowsTipAndLook() {
    ViewFixture s;
    s.qt.show(QStringLiteral("Ondelia: Sound4"), TrayIcon::Look::Normal);
    QVERIFY(s.qt.isShown());
    QCOMPARE(s.qt.icon().toolTip(), QStringLiteral("Ondelia: Sound4"));
    QCOMPARE(s.qt.look(), TrayIcon::Look::Normal);
    const qint64 normalIcon = s.qt.icon().icon().cacheKey();
    s.qt.show(QStringLiteral("Err: Ondelia: Trelvo"), TrayIcon::Look::Alert);
    QCOMPARE(s.qt.icon().toolTip(), QStringLiteral("Err: Ondelia: Trelvo"));
    QCOMPARE(s.qt.look(), TrayIcon::Look::Alert);
    QVERIFY(!s.qt.icon().icon().isNull());
    QVERIFY(s.qt.icon().icon().cacheKey() != normalIcon);
    s.qt.hide();
    QVERIFY(!s.qt.isShown());
}

void TestStandbyView::noNotificationAreaMinimises() {
    ViewFixture s;
    if (s.qt.isAvailable()) {
        QSKIP("this desktop has a notification area");
    }
    s.p.standby.setTrayIcon(&s.qt);
    QVERIFY(QTest::qWaitForWindowExposed(&s.main));
    s.standby();
    QVERIFY(s.main.windowState().testFlag(Qt::WindowMinimized));
    QVERIFY(s.main.isVisible());
    QVERIFY(!s.qt.isShown());
    QVERIFY(!s.p.state.PbBEnVeille);
    QCOMPARE(s.warnings(), 1);
}

QTEST_MAIN(TestStandbyView)
#include "tst_standbyview.moc"
