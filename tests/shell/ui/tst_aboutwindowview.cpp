#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "shell/MainWindow.h"
#include "shell/ui/AboutWindowView.h"
#include "shell/ui/MainWindowView.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

struct ViewFixture {
    ScriptedDialogs dialogs;
    ProgramFixture f{nullptr, &dialogs};
    Program& p = f.program;
    MainWindow procedures{p};
    MainWindowView main{p, procedures, 15.0};
    AboutWindowView about{p.frmAbout, p.about, 15.0, &main};

    ViewFixture() {
        f.clock.setLocal(QDateTime(QDate(2031, 6, 15), QTime(10, 0)));
        p.about.setProgramFinder([](const QString&) { return QString(); });
        p.frmMain.Form.setVisible(true);
    }
    // "A propos..." of the main window's menu.
    void open() {
        main.findChild<QAction*>(QStringLiteral("Mnu99APropos"))->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
    }
    template <typename Widget> Widget* find(const QString& name) {
        return about.findChild<Widget*>(name);
    }
};

} // namespace

class TestAboutWindowView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void texts_data();
    void texts();
    void notModalOverTheMainWindow();
    void closing_data();
    void closing();
    void noSystemInformation();
};

void TestAboutWindowView::texts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("title") << "lblTitle"
                           << "Ondelia Trelvo";
    QTest::newRow("version") << "lblVersion"
                             << "Version 2024.0131.0905";
    QTest::newRow("notice with the year") << "lblCopyright"
                                          << "Copyright © Mirevox 2031";
    QTest::newRow("ok") << "cmdOK"
                        << "OK";
    QTest::newRow("system information") << "cmdSysInfo"
                                        << "&Infos système...";
}

void TestAboutWindowView::texts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    ViewFixture s;
    s.open();
    QCOMPARE(s.about.windowTitle(), QStringLiteral("À propos de Ondelia Trelvo"));
    QLabel* label = s.find<QLabel>(name);
    QPushButton* button = s.find<QPushButton>(name);
    QVERIFY2(label || button, qPrintable(name));
    QCOMPARE(label ? label->text() : button->text(), text);
    QVERIFY(!s.find<QLabel>(QStringLiteral("lblDisclaimer"))->text().isEmpty());
}

void TestAboutWindowView::notModalOverTheMainWindow() {
    ViewFixture s;
    s.open();
    QVERIFY(!s.about.isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(s.about.parentWidget(), &s.main);
    QCOMPARE(s.about.minimumSize(), QSize(450, 260)); // a box of fixed size
    QCOMPARE(s.about.maximumSize(), QSize(450, 260));
    QVERIFY(s.main.isVisible());
}

void TestAboutWindowView::closing_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("OK") << "ok";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close";
}

void TestAboutWindowView::closing() {
    QFETCH(QString, how);
    ViewFixture s;
    s.open();
    if (how == QLatin1String("ok")) {
        QTest::mouseClick(s.find<QPushButton>(QStringLiteral("cmdOK")), Qt::LeftButton);
    } else if (how == QLatin1String("escape")) {
        QTest::keyClick(&s.about, Qt::Key_Escape);
    } else {
        s.about.close();
    }
    QVERIFY(!s.about.isVisible());
    QVERIFY(!s.p.frmAbout.Form.visible());
    QVERIFY(!s.p.about.loaded());
    s.open(); // and it opens again
    QVERIFY(s.p.about.loaded());
}

void TestAboutWindowView::noSystemInformation() {
    ViewFixture s;
    s.open();
    QTest::mouseClick(s.find<QPushButton>(QStringLiteral("cmdSysInfo")), Qt::LeftButton);
    QCOMPARE(s.dialogs.questions.size(), 1);
    QCOMPARE(s.dialogs.questions[0].text,
             QStringLiteral("Les informations système ne sont pas disponibles actuellement"));
    QCOMPARE(s.dialogs.questions[0].title, QStringLiteral("À propos de Ondelia Trelvo"));
}

QTEST_MAIN(TestAboutWindowView)
#include "tst_aboutwindowview.moc"
