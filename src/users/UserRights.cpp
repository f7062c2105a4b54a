#include "users/UserRights.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "config/IniAccess.h"
#include "config/RegistryAccess.h"
#include "config/SiteConfiguration.h"
#include "model/Frm_Main.h"
#include "model/ProgramState.h"
#include "platform/DialogsHost.h"
#include "platform/EventPump.h"
#include "platform/PathSpace.h"
#include "platform/ProcessControl.h"
#include "system/FileOperations.h"
#include "system/Waits.h"

#include <QScopeGuard>

namespace {

QString libName(const char* procedure) {
    return QStringLiteral("Lib_Utilisateurs:") + QLatin1String(procedure);
}

// While the tool runs, the wait looks this often whether the program is closing.
constexpr qint32 ToolCheckMs = 1000;

// Error 75 (path or file access): the tool's file is there but cannot be run.
constexpr qint32 ToolNotStarted = 75;

} // namespace

UserRights::UserRights(Parts parts) : m(parts) {}

QString UserRights::toolPath() const {
    return m.state.PbSDossierApplication + ToolName;
}

bool UserRights::userIdentified() const {
    return !isBlank(m.state.UtilisateurCourant);
}

bool UserRights::hasRight(int right) const {
    return right >= 0 && right < UserState::NbDroits && m.state.Droits[size_t(right)] != 0;
}

bool UserRights::closedWithFermer() const {
    return m.state.BoutonUtilisateur == ClosedButton;
}

bool UserRights::closing() const {
    return m.state.PbBQuitterEnCours || m.state.PbBFermetureApplication;
}

QString UserRights::readValue(const QString& name) {
    QString value;
    m.registry.Reg_GetValue(RegistryStore::HKEY_LOCAL_MACHINE, RegistryKey, name, value);
    return value;
}

void UserRights::GestionDroitsUser(bool& refused, bool showAfterClose) {
    ProgramState& state = m.state;
    ErrorTrap trap(m.errors, libName("GestionDroitsUser"));
    trap.at(10);
    refused = false;
    state.UtilisateurCourant.clear();
    state.NomUtilisateurCourant.clear();
    state.ChaineDroits.clear();
    state.UtilisateurConnu = false;
    trap.at(20);
    state.BoutonUtilisateur = readValue(QStringLiteral("KZ_User_Button"));
    state.UtilisateurCourant = readValue(QStringLiteral("KZ_User"));
    trap.at(30);
    if (!userIdentified()) {
        // The rights and "Options..." stay as the last user left them.
        m.frmMain.Mnu01CurrentUser.setVisible(false);
        return;
    }
    trap.at(40);
    state.NomUtilisateurCourant = readValue(QStringLiteral("KZ_User_Name"));
    state.ChaineDroits = readValue(QStringLiteral("KZ_User_Droits"));
    state.UtilisateurConnu = true;
    trap.at(50);
    m.frmMain.Mnu01CurrentUser.setCaption(QStringLiteral("Utilisateur en cours: ") +
                                          state.NomUtilisateurCourant);
    m.frmMain.Mnu01CurrentUser.setVisible(true);
    trap.at(60);
    // Character k of the rights string is right k + 11, a digit; anything else, or
    // a string too short, gives 0.
    for (int right = UserState::FirstRight; right < UserState::NbDroits; ++right) {
        const qsizetype at = right - UserState::FirstRight;
        const QChar c = at < state.ChaineDroits.size() ? state.ChaineDroits.at(at) : QChar();
        state.Droits[size_t(right)] =
            c >= QLatin1Char('0') && c <= QLatin1Char('9') ? qint16(c.unicode() - u'0') : 0;
    }
    trap.at(70);
    if (hasRight(OptionsRight)) {
        m.frmMain.Mnu01Options.setEnabled(true);
        return;
    }
    trap.at(80);
    if (!closedWithFermer() || showAfterClose) {
        m.dialogs.ask(m.frmMain.Caption.text(),
                      QStringLiteral("Utilisateur (") + state.NomUtilisateurCourant +
                          QStringLiteral(") non autorisé"),
                      DialogsHost::Buttons::Ok, DialogsHost::Icon::Critical,
                      DialogsHost::Answer::Ok);
    }
    trap.at(90);
    m.frmMain.Mnu01Options.setEnabled(false);
    refused = true;
}

void UserRights::SelectUser(bool& stopRequested) {
    const QString caller = libName("SelectUser");
    ErrorTrap trap(m.errors, caller);
    trap.at(10);
    stopRequested = false;
    m_toolMissing = false;
    const QString path = toolPath();
    if (!m.files.File_Exist(path, caller, false)) {
        trap.at(20);
        m_toolMissing = true;
        m.dialogs.ask(
            m.frmMain.Caption.text(), QStringLiteral("Programme non trouvé:\r\n\r\n") + path,
            DialogsHost::Buttons::Ok, DialogsHost::Icon::Warning, DialogsHost::Answer::Ok);
        stopRequested = true;
        return;
    }
    trap.at(30);
    const qint32 pid = m.processes.start(m.paths.toNative(path), {QStringLiteral("/Close")}, {});
    if (pid == 0) {
        trap.fail(AppError{ToolNotStarted, QStringLiteral("Path/File access error: ") + path,
                           AppError::projectSource()});
    } else {
        trap.at(40);
        runTool(pid);
    }
    trap.at(50);
    bool ignored = false;
    GestionDroitsUser(ignored, false);
    trap.at(60);
    if (UserObligatoire() && !userIdentified()) {
        stopRequested = true;
    }
}

void UserRights::runTool(qint32 pid) {
    FormField& window = m.frmMain.Form;
    window.setVisible(false);
    // No time limit: the operator takes the time needed. A program asked to stop
    // meanwhile stops waiting; the tool, a program of its own, goes on.
    qint32 code = ProcessHandle::StillActive;
    while (code == ProcessHandle::StillActive && !closing()) {
        code = m.waits.AttenteFinProcessusExterne(pid, ToolCheckMs);
    }
    window.setVisible(true);
}

bool UserRights::UserObligatoire() {
    ErrorTrap trap(m.errors, libName("UserObligatoire"));
    trap.at(10);
    if (!m.state.DroitsUsersActif) {
        const QString value = m.ini.LectureIni(m.site.DetermineFichierSysteme(0, false),
                                               QStringLiteral("DroitsUsers"),
                                               QStringLiteral("Actif"), QStringLiteral("0"));
        m.state.DroitsUsersActif = value != u"0";
    }
    return *m.state.DroitsUsersActif;
}

bool UserRights::Mnu01User_Click() {
    ErrorTrap trap(m.errors, QStringLiteral("Frm_Main:Mnu01User_Click"));
    trap.at(10);
    if (m_selecting) {
        return false; // the tool is already up: that selection decides
    }
    m_selecting = true;
    const auto done = qScopeGuard([this] { m_selecting = false; });
    bool stop = false;
    SelectUser(stop);
    trap.at(20);
    if (!UserObligatoire()) {
        return false;
    }
    for (;;) {
        trap.at(30);
        if (closing()) {
            return false; // already stopping
        }
        if (!userIdentified()) {
            // Once started, the program stops here; while it starts, the start-up
            // stops it.
            return m.state.PbBFrmMainChargee;
        }
        if (closedWithFermer()) {
            return true;
        }
        if (hasRight(OptionsRight)) {
            return false;
        }
        if (m_toolMissing) {
            return true; // a refused user, and no tool to choose another
        }
        trap.at(40);
        m.events.processPendingEvents();
        SelectUser(stop);
    }
}

bool UserRights::startupCheck() {
    ErrorTrap trap(m.errors, QStringLiteral("Frm_Main:Form_Load"));
    trap.at(10);
    if (!UserObligatoire()) {
        return true;
    }
    trap.at(20);
    bool refused = false;
    GestionDroitsUser(refused, true);
    // Users are mandatory: nobody identified is no more allowed to run the program
    // than a refused user.
    refused = refused || !userIdentified();
    while (refused) {
        trap.at(30);
        const bool mustStop = Mnu01User_Click();
        if (closing()) {
            return true; // stopped meanwhile by the system: the stop is already under way
        }
        if (mustStop || !userIdentified() || closedWithFermer()) {
            break;
        }
        if (hasRight(OptionsRight)) {
            refused = false;
            break;
        }
        trap.at(40);
        m.events.processPendingEvents();
    }
    return !refused;
}
