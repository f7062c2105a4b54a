#include "incidents/IncidentAlert.h"

#include "base/AppError.h"
#include "base/ErrorTrap.h"
#include "model/Frm_Main.h"
#include "model/ProgramState.h"
#include "platform/DialogsHost.h"

namespace {

QString caller(const char* procedure) {
    return QStringLiteral("Frm_Main:") + QLatin1String(procedure);
}

} // namespace

IncidentAlert::IncidentAlert(ProgramState& state, Frm_Main& frmMain, DialogsHost& dialogs,
                             ErrorReporter& errors)
    : m_state(state), m_frmMain(frmMain), m_dialogs(dialogs), m_errors(errors) {
    m_signal = QObject::connect(&m_frmMain.CheckIncidents[0], &CheckField::clicked,
                                [this](int) { CheckIncidents_Click(0); });
    // A signal given before this handler existed would stay at 1 and hide every
    // later one: it alerts now.
    if (m_frmMain.CheckIncidents[0].value() == 1) {
        CheckIncidents_Click(0);
    }
}

IncidentAlert::~IncidentAlert() {
    QObject::disconnect(m_signal);
}

QString IncidentAlert::normalCaption() const {
    return m_frmMain.NormalCaption;
}

QString IncidentAlert::alertCaption() const {
    return AlertPrefix + m_frmMain.NormalCaption;
}

void IncidentAlert::setNormalCaption(const QString& caption) {
    m_frmMain.NormalCaption = caption;
    showCaption(m_alertShown);
}

void IncidentAlert::showCaption(bool alert) {
    m_alertShown = alert;
    m_frmMain.Caption.setText(alert ? alertCaption() : normalCaption());
}

void IncidentAlert::setIncidentsTabAvailable(bool available) {
    TabStripField& tabs = m_frmMain.SftTabsMain;
    for (int tab = 0; tab < tabs.count(); ++tab) {
        if (tabs.text(tab) == IncidentsTab) {
            tabs.setAvailable(tab, available);
            return;
        }
    }
}

void IncidentAlert::CheckIncidents_Click(qint16 index) {
    ErrorTrap trap(m_errors, caller("CheckIncidents_Click"));
    trap.at(10);
    if (index < 0 || size_t(index) >= m_frmMain.CheckIncidents.size()) {
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    CheckField& signal = m_frmMain.CheckIncidents[size_t(index)];
    if (signal.value() != 1) {
        return; // the handler's own reset to 0
    }
    trap.at(20);
    showCaption(true);
    trap.at(30);
    if (!m_frmMain.TimerFlash.isActive()) {
        m_frmMain.TimerFlash.start(); // a burst of incidents does not hold the ticks off
    }
    trap.at(40);
    if (m_state.PbBFrmMainChargee) {
        setIncidentsTabAvailable(true);
    } else {
        m_frmMain.CheckIncidentsFeuilleNonChargee.setValue(1);
    }
    trap.at(50);
    signal.setValue(0);
}

void IncidentAlert::CommandIncidentsPurge_Click(qint16 index) {
    ErrorTrap trap(m_errors, caller("CommandIncidentsPurge_Click"));
    trap.at(10);
    const DialogsHost::Answer answer =
        m_dialogs.ask(m_frmMain.Caption.text(), PurgeQuestion, DialogsHost::Buttons::YesNo,
                      DialogsHost::Icon::Question, DialogsHost::Answer::No);
    trap.at(20);
    if (answer == DialogsHost::Answer::Yes) {
        ClearIncidents(index);
    }
}

void IncidentAlert::ClearIncidents(qint16 index) {
    ErrorTrap trap(m_errors, caller("ClearIncidents"));
    trap.at(10);
    if (index < 0 || size_t(index) >= m_frmMain.ListeIncidents.size()) {
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    m_frmMain.ListeIncidents[size_t(index)].clear();
    trap.at(20);
    m_frmMain.TimerFlash.stop();
    trap.at(30);
    showCaption(false);
    trap.at(40);
    TabStripField& tabs = m_frmMain.SftTabsMain;
    for (int tab = 0; tab < tabs.count(); ++tab) {
        if (tabs.text(tab) == IncidentsTab) {
            tabs.setAvailable(tab, false);
            tabs.setCurrent(0);
            return;
        }
    }
}

void IncidentAlert::replayAtLoadEnd() {
    ErrorTrap trap(m_errors, caller("Form_Load"));
    trap.at(120);
    if (m_frmMain.CheckIncidentsFeuilleNonChargee.value() == 1) {
        m_frmMain.CheckIncidentsFeuilleNonChargee.setValue(0);
        m_frmMain.CheckIncidents[0].setValue(1);
    }
}

void IncidentAlert::acknowledge() {
    ErrorTrap trap(m_errors, caller("SftTabsMain_Switched"));
    trap.at(20);
    m_frmMain.TimerFlash.stop();
    showCaption(false);
}
