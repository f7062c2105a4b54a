#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "shell/MainWindow.h"
#include "shell/ui/MainWindowView.h"

#include <QAction>
#include <QtTest>

namespace {

struct MenuFixture {
    ScriptedDialogs dialogs;
    ProgramFixture f{nullptr, &dialogs};
    Program& p = f.program;
    MainWindow procedures{p};
    MainWindowView view{p, procedures, 15.0};

    MenuFixture() {
        p.state.PbBFrmMainChargee = true;
        p.frmMain.Form.setVisible(true);
    }
    QAction* entry(const char* name) { return view.findChild<QAction*>(QLatin1String(name)); }
    void registryHolds(const QString& id, const QString& name, const QString& rights) {
        for (const auto& [value, text] : {std::pair{"KZ_User", id}, std::pair{"KZ_User_Name", name},
                                          std::pair{"KZ_User_Droits", rights}}) {
            QCOMPARE(p.registry.Reg_SetValue(RegistryStore::HKEY_LOCAL_MACHINE,
                                             QStringLiteral("Software\\Mirevox\\Ondelia\\User"),
                                             QLatin1String(value), text, RegistryStore::REG_SZ),
                     0);
        }
    }
};

} // namespace

class TestUserMenu : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The current user's entry shows once a user is read; "Options..." follows
    // right 44, and its shortcut with it.
    void entriesFollowTheUser() {
        MenuFixture s;
        QVERIFY(QTest::qWaitForWindowExposed(&s.view));
        QAction* user = s.entry("Mnu01CurrentUser");
        QAction* options = s.entry("Mnu01Options");
        QVERIFY(user && options);
        QVERIFY(!user->isVisible());
        QVERIFY(options->isEnabled());

        s.registryHolds(QStringLiteral("jdupont"), QStringLiteral("Jean Dupont"), QString(68, '0'));
        bool refused = false;
        s.p.users.GestionDroitsUser(refused, false);
        QVERIFY(refused);
        QVERIFY(user->isVisible());
        QCOMPARE(user->text(), QStringLiteral("Utilisateur en cours: Jean Dupont"));
        QVERIFY(!options->isEnabled());
        QTest::keyClick(&s.view, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(!s.p.frmSetup.Form.visible());

        QString allowed(68, '0');
        allowed[32] = '1';
        s.registryHolds(QStringLiteral("mmartin"), QStringLiteral("Marie Martin"), allowed);
        s.p.users.GestionDroitsUser(refused, false);
        QVERIFY(options->isEnabled());
        QTest::keyClick(&s.view, Qt::Key_O, Qt::ControlModifier);
        QVERIFY(s.p.frmSetup.Form.visible());
    }
};

QTEST_MAIN(TestUserMenu)
#include "tst_usermenu.moc"
