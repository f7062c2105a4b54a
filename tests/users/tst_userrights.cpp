#include "FakeInstanceLock.h"
#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "shell/MainWindow.h"
#include "shell/Startup.h"
#include "users/UserRights.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

using Icon = DialogsHost::Icon;

const QString Caption = QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - Radio Nord");
const QString ToolPath = QStringLiteral("C:\\Mirevox\\Ondelia\\KZ3_Tools_User.exe");
const QString SystemIni = QStringLiteral("C:\\Mirevox\\Ondelia\\Config\\KZ3_Systeme.ini");

// A rights string of 68 digits, all 0 but the given characters (1-based).
QString rights(std::initializer_list<std::pair<int, char>> set = {}, int length = 68) {
    QString text(length, QLatin1Char('0'));
    for (const auto& [position, digit] : set) {
        text[position - 1] = QLatin1Char(digit);
    }
    return text;
}
const QString Allowed = rights({{33, '1'}});
const QString Refused = rights();

// What the user tool leaves in the registry.
struct User {
    QString id;
    QString name;
    QString rightsText;
    QString button = QStringLiteral("Valider");
};

} // namespace

Q_DECLARE_METATYPE(User)

namespace {

struct UsersFixture {
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<ProgramFixture> f;
    Program* p = nullptr;

    explicit UsersFixture(bool headless = false) {
        if (!headless) {
            dialogs = std::make_unique<ScriptedDialogs>();
        }
        f = std::make_unique<ProgramFixture>(nullptr, dialogs.get());
        p = &f->program;
        p->frmMain.Caption.setText(Caption);
        p->frmMain.Form.setVisible(true);
    }
    UserRights& users() { return p->users; }
    QString root() const { return f->root.path(); }
    QList<ScriptedDialogs::Question>& questions() { return dialogs->questions; }

    static void write(RegistryStore& store, const User& user) {
        const auto set = [&store](const char* name, const QString& text) {
            QCOMPARE(store.setValue(RegistryStore::HKEY_LOCAL_MACHINE, UserRights::RegistryKey,
                                    QLatin1String(name),
                                    RegistryValue::fromText(RegistryStore::REG_SZ, text)),
                     0);
        };
        set("KZ_User", user.id);
        set("KZ_User_Name", user.name);
        set("KZ_User_Droits", user.rightsText);
        set("KZ_User_Button", user.button);
    }
    // The registry as it stands now.
    void registryHolds(const User& user) { write(p->registryStore, user); }
    // What the tool leaves at its n-th run (from 1); a run without a user staged
    // leaves the registry as it was.
    void toolLeaves(int run, const User& user) {
        RegistryStore staged(root() + QStringLiteral("/user-%1.reg").arg(run));
        write(staged, user);
    }
    // A shell script stands in for the suite's user tool: it records its arguments,
    // then puts the registry staged for this run in place.
    void installTool() {
        const QString native = p->paths.toNative(ToolPath);
        QDir().mkpath(QFileInfo(native).path());
        QFile script(native);
        QVERIFY(script.open(QIODevice::WriteOnly));
        const QString r = root();
        script.write(QStringLiteral("#!/bin/sh\n"
                                    "echo \"$*\" >> '%1/tool-runs.txt'\n"
                                    "n=$(wc -l < '%1/tool-runs.txt')\n"
                                    "if [ -f \"%1/user-$n.reg\" ]; then\n"
                                    "  cp \"%1/user-$n.reg\" '%2'\n"
                                    "fi\n")
                         .arg(r, RegistryStore::filePath(p->paths))
                         .toUtf8());
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
    }
    QStringList toolRuns() const {
        QFile runs(root() + QStringLiteral("/tool-runs.txt"));
        if (!runs.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(runs.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    void usersMandatory(const QString& actif) {
        QVERIFY(p->ini.EcritureIni(SystemIni, QStringLiteral("DroitsUsers"),
                                   QStringLiteral("Actif"), actif));
    }
    // The base's data files are found: the start-up asks nothing about them.
    void dataFilesPresent() {
        const QString native = p->paths.toNative(QStringLiteral("C:\\KZ_Data\\FRAD000.bt6"));
        QDir().mkpath(QFileInfo(native).path());
        QFile data(native);
        QVERIFY(data.open(QIODevice::WriteOnly));
        data.write("FRAD");
    }
    QString log() const {
        return (p->frmMainBis.ListeLogTemp.rows() + p->frmSetup.ListeLog.rows()).join('\n');
    }
};

} // namespace

class TestUserRights : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The registry's user sets the menu: the name, and "Options..." by right 44.
    void gestionDroitsUser_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("rightsText");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("showAfterClose");
        QTest::addColumn<bool>("optionsBefore");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("optionsAfter");
        QTest::addColumn<bool>("message");
        const QString ok = QStringLiteral("Valider");
        const QString closed = QStringLiteral("Fermer");
        QTest::newRow("nobody") << "" << Allowed << ok << true << false << false << false << false;
        QTest::newRow("nobody, options on")
            << "" << Refused << ok << true << true << false << true << false;
        QTest::newRow("blanks") << "   " << Refused << ok << true << true << false << true << false;
        QTest::newRow("right 44") << "jdupont" << Allowed << ok << false << false << false << true
                                  << false;
        QTest::newRow("without right 44")
            << "jdupont" << Refused << ok << false << true << true << false << true;
        QTest::newRow("shorter than 33") << "jdupont" << rights({}, 32).replace('0', '1') << ok
                                         << false << true << true << false << true;
        QTest::newRow("not a digit")
            << "jdupont" << rights({{33, 'x'}}) << ok << false << true << true << false << true;
        QTest::newRow("closed with Fermer")
            << "jdupont" << Refused << closed << false << true << true << false << false;
        QTest::newRow("closed, told at start")
            << "jdupont" << Refused << closed << true << true << true << false << true;
        QTest::newRow("closed, allowed")
            << "jdupont" << Allowed << closed << true << false << false << true << false;
    }
    void gestionDroitsUser() {
        QFETCH(QString, id);
        QFETCH(QString, rightsText);
        QFETCH(QString, button);
        QFETCH(bool, showAfterClose);
        QFETCH(bool, optionsBefore);
        QFETCH(bool, refused);
        QFETCH(bool, optionsAfter);
        QFETCH(bool, message);
        UsersFixture s;
        Frm_Main& frm = s.p->frmMain;
        frm.Mnu01Options.setEnabled(optionsBefore);
        frm.Mnu01CurrentUser.setVisible(true);
        s.registryHolds({id, QStringLiteral("Jean Dupont"), rightsText, button});
        bool wasRefused = !refused;
        s.users().GestionDroitsUser(wasRefused, showAfterClose);
        QCOMPARE(wasRefused, refused);
        QCOMPARE(frm.Mnu01Options.enabled(), optionsAfter);
        const bool identified = !id.trimmed().isEmpty();
        QCOMPARE(s.p->state.UtilisateurConnu, identified);
        QCOMPARE(frm.Mnu01CurrentUser.visible(), identified);
        QCOMPARE(frm.Mnu01CurrentUser.caption(),
                 identified ? QStringLiteral("Utilisateur en cours: Jean Dupont")
                            : QStringLiteral("Utilisateur en cours"));
        QCOMPARE(s.questions().size(), message ? 1 : 0);
        if (message) {
            QCOMPARE(s.questions().at(0).text,
                     QStringLiteral("Utilisateur (Jean Dupont) non autorisé"));
            QCOMPARE(s.questions().at(0).title, Caption);
            QCOMPARE(s.questions().at(0).icon, Icon::Critical);
        }
    }

    // Character k of the rights string is right k + 11; nobody read keeps them.
    void rightsByPosition() {
        UsersFixture s;
        s.registryHolds({QStringLiteral("a"), QStringLiteral("A"),
                         rights({{1, '7'}, {33, '1'}, {68, '9'}}) + QStringLiteral("55")});
        bool refused = false;
        s.users().GestionDroitsUser(refused, false);
        const auto& droits = s.p->state.Droits;
        QCOMPARE(droits[12], qint16(7));
        QCOMPARE(droits[44], qint16(1));
        QCOMPARE(droits[79], qint16(9));
        QCOMPARE(droits[13], qint16(0));
        s.registryHolds({QString(), QString(), QString()});
        s.users().GestionDroitsUser(refused, false);
        QVERIFY(s.users().hasRight(44));
        QVERIFY(s.p->state.ChaineDroits.isEmpty());
    }

    // The tool runs with " /Close", the main window hidden until it ends, and the
    // user it leaves is read.
    void selectUserRunsTheTool() {
        UsersFixture s;
        s.installTool();
        s.toolLeaves(1, {QStringLiteral("mmartin"), QStringLiteral("Marie Martin"), Allowed});
        s.p->frmMain.Mnu01Options.setEnabled(false);
        QSignalSpy shown(&s.p->frmMain.Form, &FormField::visibleChanged);
        bool stop = true;
        s.users().SelectUser(stop);
        QVERIFY(!stop);
        QCOMPARE(s.toolRuns(), QStringList{QStringLiteral("/Close")});
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(0).at(0).toBool(), false);
        QCOMPARE(shown.at(1).at(0).toBool(), true);
        QCOMPARE(s.p->state.UtilisateurCourant, QStringLiteral("mmartin"));
        QCOMPARE(s.p->frmMain.Mnu01CurrentUser.caption(),
                 QStringLiteral("Utilisateur en cours: Marie Martin"));
        QVERIFY(s.p->frmMain.Mnu01Options.enabled());
    }

    // Without the tool: the message ends with its full path after two line breaks.
    void missingTool() {
        UsersFixture s;
        bool stop = false;
        s.users().SelectUser(stop);
        QVERIFY(stop);
        QCOMPARE(s.questions().size(), 1);
        QCOMPARE(s.questions().at(0).text,
                 QStringLiteral("Programme non trouvé:\r\n\r\n") + ToolPath);
        QCOMPARE(s.questions().at(0).icon, Icon::Warning);
        QCOMPARE(s.questions().at(0).title, Caption);
        QVERIFY(s.p->frmMain.Form.visible());
    }

    // Headless, the message goes to the trace log with its answer.
    void missingToolHeadless() {
        UsersFixture s(true);
        bool stop = false;
        s.users().SelectUser(stop);
        QVERIFY(stop);
        QVERIFY(s.log().contains(QStringLiteral("Dialog: ") + Caption +
                                 QStringLiteral(": Programme non trouvé:  ") + ToolPath +
                                 QStringLiteral(" |Answer (headless): OK")));
    }

    // Optional users ("Actif" missing or "0"): the tool runs once and the program
    // never stops, whoever it leaves.
    void optionalUsers_data() {
        QTest::addColumn<QString>("actif");
        QTest::addColumn<QString>("id");
        QTest::newRow("missing, nobody") << ""
                                         << "";
        QTest::newRow("0, refused") << "0"
                                    << "jdupont";
    }
    void optionalUsers() {
        QFETCH(QString, actif);
        QFETCH(QString, id);
        UsersFixture s;
        if (!actif.isEmpty()) {
            s.usersMandatory(actif);
        }
        s.installTool();
        s.toolLeaves(1, {id, QStringLiteral("Jean Dupont"), Refused});
        s.p->state.PbBFrmMainChargee = true;
        QVERIFY(!s.users().UserObligatoire());
        QVERIFY(!s.users().Mnu01User_Click());
        QCOMPARE(s.toolRuns().size(), 1);
        QVERIFY(s.users().startupCheck());
    }

    // Mandatory users: the tool runs again until an authorised user, "Fermer", or
    // nobody.
    void mandatoryUsers_data() {
        QTest::addColumn<QList<User>>("runs"); // what each run of the tool leaves
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<int>("toolRuns");
        QTest::addColumn<bool>("mustStop");
        const User refused{QStringLiteral("jdupont"), QStringLiteral("Jean Dupont"), Refused};
        const User allowed{QStringLiteral("mmartin"), QStringLiteral("Marie Martin"), Allowed};
        User closed = refused;
        closed.button = QStringLiteral("Fermer");
        const User nobody{};
        QTest::newRow("authorised at once") << QList<User>{allowed} << true << 1 << false;
        QTest::newRow("refused, then authorised")
            << QList<User>{refused, refused, allowed} << true << 3 << false;
        QTest::newRow("closed with Fermer") << QList<User>{refused, closed} << true << 2 << true;
        QTest::newRow("nobody, started") << QList<User>{nobody} << true << 1 << true;
        QTest::newRow("nobody, starting") << QList<User>{nobody} << false << 1 << false;
    }
    void mandatoryUsers() {
        QFETCH(QList<User>, runs);
        QFETCH(bool, loaded);
        QFETCH(int, toolRuns);
        QFETCH(bool, mustStop);
        UsersFixture s;
        s.usersMandatory(QStringLiteral("1"));
        s.installTool();
        for (int i = 0; i < runs.size(); ++i) {
            s.toolLeaves(i + 1, runs.at(i));
        }
        s.p->state.PbBFrmMainChargee = loaded;
        QCOMPARE(s.users().Mnu01User_Click(), mustStop);
        QCOMPARE(s.toolRuns().size(), toolRuns);
    }

    // A refused user and no tool to choose another: the program stops instead of
    // asking for the missing tool again and again.
    void refusedUserWithoutTool() {
        UsersFixture s;
        s.usersMandatory(QStringLiteral("1"));
        s.registryHolds({QStringLiteral("jdupont"), QStringLiteral("Jean Dupont"), Refused});
        bool refused = false;
        s.users().GestionDroitsUser(refused, true);
        QVERIFY(refused);
        s.p->state.PbBFrmMainChargee = true;
        QVERIFY(s.users().Mnu01User_Click());
        QCOMPARE(s.questions().size(), 2); // the refusal, then the missing tool once
        QVERIFY(s.questions().at(1).text.startsWith(QStringLiteral("Programme non trouvé:")));
    }

    // The setting is read once per run.
    void mandatoryIsReadOnce() {
        UsersFixture s;
        s.usersMandatory(QStringLiteral("1"));
        QVERIFY(s.users().UserObligatoire());
        s.usersMandatory(QStringLiteral("0"));
        QVERIFY(s.users().UserObligatoire());
    }

    // At start-up, with users mandatory: a refused user runs the tool; "Fermer"
    // stops the program, which unloads; nobody identified is asked for a user too.
    void startup_data() {
        QTest::addColumn<User>("registered");
        QTest::addColumn<QList<User>>("runs");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("toolRuns");
        QTest::addColumn<int>("messages");
        const User refused{QStringLiteral("jdupont"), QStringLiteral("Jean Dupont"), Refused};
        const User allowed{QStringLiteral("mmartin"), QStringLiteral("Marie Martin"), Allowed};
        User closed = refused;
        closed.button = QStringLiteral("Fermer");
        const int running = int(Startup::Outcome::Running);
        const int noUser = int(Startup::Outcome::NoUser);
        QTest::newRow("authorised") << allowed << QList<User>{} << running << 0 << 0;
        QTest::newRow("refused, then Fermer") << refused << QList<User>{closed} << noUser << 1 << 1;
        QTest::newRow("refused, then authorised")
            << refused << QList<User>{allowed} << running << 1 << 1;
        QTest::newRow("nobody, then nobody") << User{} << QList<User>{User{}} << noUser << 1 << 0;
        QTest::newRow("nobody, then authorised")
            << User{} << QList<User>{allowed} << running << 1 << 0;
    }
    void startup() {
        QFETCH(User, registered);
        QFETCH(QList<User>, runs);
        QFETCH(int, outcome);
        QFETCH(int, toolRuns);
        QFETCH(int, messages);
        UsersFixture s;
        s.usersMandatory(QStringLiteral("1"));
        s.installTool();
        s.registryHolds(registered);
        for (int i = 0; i < runs.size(); ++i) {
            s.toolLeaves(i + 1, runs.at(i));
        }
        s.dataFilesPresent();
        FakeInstanceLock lock;
        Startup startup(*s.p, lock);
        QCOMPARE(int(startup.run(QString())), outcome);
        QCOMPARE(s.toolRuns().size(), toolRuns);
        QCOMPARE(s.questions().size(), messages);
        const bool stopped = outcome == int(Startup::Outcome::NoUser);
        QCOMPARE(s.p->state.PbBQuitterEnCours, stopped);
        QCOMPARE(s.log().contains(QStringLiteral("Application closed: no authorised user")),
                 stopped);
        QVERIFY(s.p->state.PbBFrmMainChargee);
    }

    // From the menu, once started: a stop quits through the unload.
    void menuEntryQuits() {
        UsersFixture s;
        s.usersMandatory(QStringLiteral("1"));
        s.installTool();
        s.toolLeaves(1, User{});
        s.p->state.PbBFrmMainChargee = true;
        MainWindow window(*s.p);
        QSignalSpy unloads(&window, &MainWindow::unloadRequested);
        window.Mnu01User_Click();
        QCOMPARE(unloads.size(), 1);
        QVERIFY(s.p->state.PbBQuitterEnCours);
    }

    // A user without right 44 cannot open the settings window, from any menu.
    void optionsNeedsTheRight() {
        UsersFixture s;
        s.p->state.PbBFrmMainChargee = true;
        MainWindow window(*s.p);
        s.p->frmMain.Mnu01Options.setEnabled(false);
        window.Mnu01Options_Click();
        QVERIFY(!s.p->frmSetup.Form.visible());
        s.p->frmMain.Mnu01Options.setEnabled(true);
        window.Mnu01Options_Click();
        QVERIFY(s.p->frmSetup.Form.visible());
    }
};

QTEST_GUILESS_MAIN(TestUserRights)
#include "tst_userrights.moc"
