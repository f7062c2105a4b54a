#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "shell/MainWindow.h"
#include "shell/ui/MainWindowView.h"

#include <QAction>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

namespace {

constexpr int IncidentsTab = 2;

// The main window's widgets over a program on fakes, shown offscreen.
struct ViewFixture {
    ScriptedDialogs dialogs;
    ProgramFixture f{nullptr, &dialogs};
    Program& p = f.program;
    MainWindow procedures{p};
    MainWindowView view{p, procedures, 15.0};
    QSignalSpy unloads{&procedures, &MainWindow::unloadRequested};

    ViewFixture() {
        p.state.PbBFrmSetupChargee = true;
        p.state.PbBFrmMainChargee = true;
        p.incidentAlert.setNormalCaption(QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - X"));
        p.frmMain.Form.setVisible(true);
    }
    QAction* entry(const QString& name) { return view.findChild<QAction*>(name); }
    void incident(const QString& text) { p.trace.TraceLog(-1, -1, text, true, 0, true); }
};

} // namespace

class TestMainWindowView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menuEntries_data();
    void menuEntries();
    void ctrlOTogglesTheSettingsWindow();
    void incidentAlertsUntilTheTabIsSeen();
    void purgeAsksFirst_data();
    void purgeAsksFirst();
    void closeBoxAsks_data();
    void closeBoxAsks();
};

void TestMainWindowView::menuEntries_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shortcut");
    QTest::newRow("current user") << "Mnu01CurrentUser"
                                  << "Utilisateur en cours"
                                  << "";
    QTest::newRow("user") << "Mnu01User"
                          << "Changer d'utilisateur..."
                          << "";
    QTest::newRow("standby") << "Mnu01Veille"
                             << "Mise en veille"
                             << "";
    QTest::newRow("options") << "Mnu01Options"
                             << "Options..."
                             << "Ctrl+O";
    QTest::newRow("log") << "Mnu01Log"
                         << "Log technique..."
                         << "Ctrl+F2";
    QTest::newRow("quit") << "MnuQuitter"
                          << "Quitter"
                          << "Ctrl+Q";
    QTest::newRow("local history") << "MnuWhatNews_0"
                                   << "Historique des révisions (en local)..."
                                   << "";
    QTest::newRow("online history") << "MnuWhatNews_1"
                                    << "Historique des révisions (sur le net)..."
                                    << "";
    QTest::newRow("about") << "Mnu99APropos"
                           << "A propos..."
                           << "";
}

void TestMainWindowView::menuEntries() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, shortcut);
    ViewFixture s;
    QAction* action = s.entry(name);
    QVERIFY2(action, qPrintable(name));
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->shortcut().toString(), shortcut);
    const QList<QAction*> menus = s.view.menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus.at(0)->text(), QStringLiteral("Fichier"));
    QCOMPARE(menus.at(1)->text(), QStringLiteral("?"));
}

void TestMainWindowView::ctrlOTogglesTheSettingsWindow() {
    ViewFixture s;
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    FormField& setup = s.p.frmSetup.Form;
    QVERIFY(!setup.visible());
    QTest::keyClick(&s.view, Qt::Key_O, Qt::ControlModifier);
    QVERIFY(setup.visible());
    QTest::keyClick(&s.view, Qt::Key_O, Qt::ControlModifier);
    QVERIFY(!setup.visible());
}

void TestMainWindowView::incidentAlertsUntilTheTabIsSeen() {
    ViewFixture s;
    QTabWidget* tabs = s.view.findChild<QTabWidget*>(QStringLiteral("SftTabsMain"));
    QVERIFY(tabs);
    QVERIFY(!tabs->isTabVisible(IncidentsTab)); // nothing to see yet
    s.incident(QStringLiteral("Err: Unable to connect to Sound4 #2"));
    QCOMPARE(s.view.windowTitle(), QStringLiteral("Err: Ondelia: Trelvo - 2024.0131.0905 - X"));
    QVERIFY(tabs->isTabVisible(IncidentsTab));
    QCOMPARE(tabs->currentIndex(), 0); // offered, not forced on the operator
    QVERIFY(s.p.frmMain.TimerFlash.isActive());

    tabs->tabBar()->setCurrentIndex(IncidentsTab); // the operator looks
    QCOMPARE(s.view.windowTitle(), QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - X"));
    QVERIFY(!s.p.frmMain.TimerFlash.isActive());
    auto* list = s.view.findChild<QListView*>(QStringLiteral("ListeIncidents_0"));
    QVERIFY(list);
    QCOMPARE(list->model()->rowCount(), 1);
    QVERIFY(list->model()->index(0, 0).data().toString().endsWith(
        QStringLiteral("Unable to connect to Sound4 #2")));
}

void TestMainWindowView::purgeAsksFirst_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("no keeps everything") << false;
    QTest::newRow("yes returns to the start") << true;
}

void TestMainWindowView::purgeAsksFirst() {
    QFETCH(bool, yes);
    ViewFixture s;
    auto* tabs = s.view.findChild<QTabWidget*>(QStringLiteral("SftTabsMain"));
    s.incident(QStringLiteral("Err: first"));
    s.incident(QStringLiteral("Err: second"));
    tabs->setCurrentIndex(IncidentsTab);
    s.incident(QStringLiteral("Err: third, while looking"));
    s.dialogs.answers << (yes ? DialogsHost::Answer::Yes : DialogsHost::Answer::No);
    auto* purge = s.view.findChild<QPushButton*>(QStringLiteral("CommandIncidentsPurge_0"));
    QVERIFY(purge);
    QCOMPARE(purge->text(), QStringLiteral("Purger"));
    QTest::mouseClick(purge, Qt::LeftButton);
    QCOMPARE(s.dialogs.questions.size(), 1);
    QCOMPARE(s.dialogs.questions.first().text,
             QStringLiteral("Voulez-vous purger la liste des incidents ?"));
    auto* list = s.view.findChild<QListView*>(QStringLiteral("ListeIncidents_0"));
    QCOMPARE(list->model()->rowCount(), yes ? 0 : 3);
    QCOMPARE(tabs->isTabVisible(IncidentsTab), !yes);
    QCOMPARE(tabs->currentIndex(), yes ? 0 : IncidentsTab);
    QCOMPARE(s.view.windowTitle().startsWith(QStringLiteral("Err: ")), !yes);
}

void TestMainWindowView::closeBoxAsks_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("no: the window stays") << false;
    QTest::newRow("yes: the program unloads") << true;
}

void TestMainWindowView::closeBoxAsks() {
    QFETCH(bool, yes);
    ViewFixture s;
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    s.dialogs.answers << (yes ? DialogsHost::Answer::Yes : DialogsHost::Answer::No);
    s.view.close();
    QCOMPARE(s.dialogs.questions.size(), 1);
    QCOMPARE(s.dialogs.questions.first().text,
             QStringLiteral("Voulez-vous quitter le programme ?"));
    QCOMPARE(s.unloads.size(), yes ? 1 : 0);
    QVERIFY(s.view.isVisible()); // the unload, not the close box, takes it down
    QCOMPARE(s.p.state.PbBQuitterEnCours, yes);
}

QTEST_MAIN(TestMainWindowView)
#include "tst_mainwindowview.moc"
