#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "shell/MainWindow.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int IncidentsTab = 2;

struct WindowFixture {
    ScriptedDialogs dialogs;
    ProgramFixture f{nullptr, &dialogs};
    Program& p = f.program;
    Frm_Main& frm = p.frmMain;
    MainWindow window{p};
    QSignalSpy unloads{&window, &MainWindow::unloadRequested};

    WindowFixture() {
        p.state.PbBFrmSetupChargee = true;
        p.incidentAlert.setNormalCaption(QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - X"));
    }
    QStringList log() const {
        return p.frmMainBis.ListeLogTemp.rows() + p.frmSetup.ListeLog.rows();
    }
    bool logged(const QString& text) const {
        for (const QString& row : log()) {
            if (row.endsWith(text)) {
                return true;
            }
        }
        return false;
    }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resize_data();
    void resize();
    void noLayoutBeforeTheSettingsWindow();
    void flashFlipsEveryTick();
    void optionsTogglesTheSettingsWindow();
    void quit_data();
    void quit();
    void revisionHistory_data();
    void revisionHistory();
};

void TestMainWindow::resize_data() {
    QTest::addColumn<int>("formWidth");
    QTest::addColumn<int>("tabsHeight");
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<int>("tabsWidth");
    QTest::addColumn<int>("listWidth");
    QTest::addColumn<int>("listHeight");
    QTest::addColumn<int>("purgeLeft");
    QTest::addColumn<int>("purgeTop");
    // Tab strip at left 60, list at top 420, button 1200 wide.
    QTest::newRow("wider") << 12000 << 5220 << false << 11820 << 11625 << 4140 << 10410 << 4640;
    QTest::newRow("as drawn") << 9000 << 5220 << false << 8820 << 8625 << 4140 << 7410 << 4640;
    QTest::newRow("narrower than the margins")
        << 100 << 5220 << false << 0 << 0 << 4140 << 0 << 4640;
    QTest::newRow("button at the left edge")
        << 1590 << 5220 << false << 1410 << 1215 << 4140 << 0 << 4640;
    QTest::newRow("low tab strip") << 9000 << 900 << false << 8820 << 8625 << 0 << 7410 << 500;
    // Minimised: the layout of the drawn window stays.
    QTest::newRow("minimised") << 100 << 5220 << true << 8760 << 8565 << 4140 << 7350 << 4640;
}

void TestMainWindow::resize() {
    QFETCH(int, formWidth);
    QFETCH(int, tabsHeight);
    QFETCH(bool, minimised);
    WindowFixture s;
    s.frm.SftTabsMain.setAvailable(IncidentsTab, true);
    s.frm.SftTabsMain.Geometry.resize(s.frm.SftTabsMain.Geometry.width(), tabsHeight);
    s.frm.IncidentsGeometry.resize(8565, 4140);
    s.frm.PurgeGeometry.move(7350, 4640);
    {
        const QSignalBlocker quiet(s.frm.SftTabsMain); // no layout before the resize
        s.frm.SftTabsMain.setCurrent(IncidentsTab);
    }
    s.frm.Form.Geometry.resize(formWidth, 6000);
    if (minimised) {
        s.frm.Form.setWindowState(FormField::WindowState::Minimized);
    }
    s.window.Form_Resize();
    QTEST(s.frm.SftTabsMain.Geometry.width(), "tabsWidth");
    QCOMPARE(s.frm.SftTabsMain.Geometry.height(), tabsHeight);
    QTEST(s.frm.IncidentsGeometry.width(), "listWidth");
    QTEST(s.frm.IncidentsGeometry.height(), "listHeight");
    QTEST(s.frm.PurgeGeometry.left(), "purgeLeft");
    QTEST(s.frm.PurgeGeometry.top(), "purgeTop");
    QCOMPARE(s.frm.PurgeGeometry.width(), 1200);
}

void TestMainWindow::noLayoutBeforeTheSettingsWindow() {
    WindowFixture s;
    s.p.state.PbBFrmSetupChargee = false;
    s.frm.SftTabsMain.setAvailable(IncidentsTab, true);
    s.frm.SftTabsMain.setCurrent(IncidentsTab);
    s.frm.Form.Geometry.resize(3000, 6000);
    s.window.Form_Resize();
    QCOMPARE(s.frm.SftTabsMain.Geometry.width(), 2820);
    QCOMPARE(s.frm.IncidentsGeometry.width(), 8565);
}

void TestMainWindow::flashFlipsEveryTick() {
    WindowFixture s;
    QSignalSpy flashes(&s.frm.Form, &FormField::flashed);
    s.window.TimerFlash_Timer();
    s.window.TimerFlash_Timer();
    s.window.TimerFlash_Timer();
    QCOMPARE(flashes.size(), 3);
    QVERIFY(flashes.at(0).at(0).toBool() && !flashes.at(1).at(0).toBool());
    QVERIFY(s.frm.Form.flash());
    s.p.state.PbBQuitterEnCours = true; // quitting: no more flashes
    s.window.TimerFlash_Timer();
    QCOMPARE(flashes.size(), 3);
}

void TestMainWindow::optionsTogglesTheSettingsWindow() {
    WindowFixture s;
    FormField& setup = s.p.frmSetup.Form;
    QVERIFY(!setup.visible());
    s.window.Mnu01Options_Click();
    QVERIFY(setup.visible());
    s.window.Mnu01Options_Click();
    QVERIFY(!setup.visible());
    s.window.Mnu01Options_Click();
    s.p.state.PbBQuitterEnCours = true;
    s.window.Mnu01Options_Click();
    QVERIFY(setup.visible());
}

// "Quitter" (mode -1 here) and the close box ask; any other close does not.
void TestMainWindow::quit_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("cancel");
    QTest::newRow("menu, no") << -1 << false << 1 << 0;
    QTest::newRow("menu, yes") << -1 << true << 1 << 0;
    QTest::newRow("close box, no") << 0 << false << 1 << 1;
    QTest::newRow("close box, yes") << 0 << true << 1 << 0;
    QTest::newRow("by the program") << 1 << false << 0 << 0;
    QTest::newRow("system shutdown") << 2 << false << 0 << 0;
}

void TestMainWindow::quit() {
    QFETCH(int, mode);
    QFETCH(bool, yes);
    WindowFixture s;
    s.p.state.PbBQuitterEnCours = mode < 1; // cleared while the question is on screen
    s.dialogs.answers = {yes ? DialogsHost::Answer::Yes : DialogsHost::Answer::No};
    s.p.trace.line(QStringLiteral("incident"), true); // the title is what the window shows
    qint16 cancel = 0;
    if (mode < 0) {
        s.window.MnuQuitter_Click();
    } else {
        s.window.Form_QueryUnload(cancel, qint16(mode));
    }
    QTEST(int(s.dialogs.questions.size()), "questions");
    QTEST(int(cancel), "cancel");
    QCOMPARE(s.unloads.size(), yes ? 1 : 0);
    if (mode < 1) {
        QCOMPARE(s.p.state.PbBQuitterEnCours, yes);
        const ScriptedDialogs::Question& q = s.dialogs.questions.front();
        QCOMPARE(q.title, QStringLiteral("Err: Ondelia: Trelvo - 2024.0131.0905 - X"));
        QCOMPARE(q.text, QStringLiteral("Voulez-vous quitter le programme ?"));
        QCOMPARE(q.buttons, DialogsHost::Buttons::YesNo);
        QCOMPARE(q.icon, DialogsHost::Icon::Question);
        QCOMPARE(q.safeAnswer, DialogsHost::Answer::No);
    }
    const QString line = QStringLiteral("Application closed by human action (Menu action)");
    const QStringList log = s.log();
    // The incident above wrote the lines before it: only the framed line can be left.
    QCOMPARE(log.size(), yes ? 3 : 0);
    if (yes) {
        QVERIFY(log.at(log.size() - 1).endsWith(QString(line.size(), QLatin1Char('*'))));
        QVERIFY(log.at(log.size() - 2).endsWith(line));
        QVERIFY(log.at(log.size() - 3).endsWith(QString(line.size(), QLatin1Char('*'))));
        QCOMPARE(s.frm.ListeIncidents[0].count(), 1); // not an incident
    }
}

void TestMainWindow::revisionHistory_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("content"); // null: no file
    QTest::addColumn<bool>("opened");
    QTest::newRow("local, missing") << 0 << QByteArray() << false;
    QTest::newRow("local, empty") << 0 << QByteArray("") << false;
    QTest::newRow("local") << 0 << QByteArray("<html></html>") << true;
    QTest::newRow("online, no local file") << 1 << QByteArray() << true;
}

void TestMainWindow::revisionHistory() {
    QFETCH(int, index);
    QFETCH(QByteArray, content);
    QFETCH(bool, opened);
    WindowFixture s;
    const QString file = QStringLiteral("C:\\Mirevox\\Ondelia\\KZ3_TRELVO_Revisions.htm");
    const QString native = QFileInfo(s.p.paths.toNative(file)).absoluteFilePath();
    if (!content.isNull()) {
        QVERIFY(QDir().mkpath(QFileInfo(native).path()));
        QFile out(native);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    s.window.MnuWhatNews_Click(qint16(index));
    if (opened) {
        QVERIFY(s.dialogs.questions.isEmpty());
        QCOMPARE(s.f.desktop.calls.size(), 1);
        QCOMPARE(s.f.desktop.calls.front().target,
                 index == 0 ? native : MainWindow::onlineRevisionsAddress());
        return;
    }
    QVERIFY(s.f.desktop.calls.isEmpty());
    QCOMPARE(s.dialogs.questions.size(), 1);
    const ScriptedDialogs::Question& q = s.dialogs.questions.front();
    QCOMPARE(q.title, s.frm.Caption.text());
    QCOMPARE(q.text, QStringLiteral("Le fichier: C:\\Mirevox\\Ondelia\\KZ3_TRELVO_Revisions.htm "
                                    "est absent.\r\n\r\nVeuillez le mettre en place à partir de "
                                    "la mise-à-jour disponible sur le Net."));
    QCOMPARE(q.icon, DialogsHost::Icon::Warning);
    QCOMPARE(q.buttons, DialogsHost::Buttons::Ok);
}

QTEST_GUILESS_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
