#include "shell/Standby.h"

#include "base/ErrorTrap.h"
#include "platform/TrayIcon.h"
#include "shell/Program.h"

#include <algorithm>
#include <vector>

namespace {

QString trayModule(const char* procedure) {
    return QStringLiteral("Lib_SysTray:") + QLatin1String(procedure);
}

QString mainWindow(const char* procedure) {
    return QStringLiteral("Frm_Main:") + QLatin1String(procedure);
}

QString trayWindow(const char* procedure) {
    return QStringLiteral("FrmSysTray:") + QLatin1String(procedure);
}

} // namespace

Standby::Standby(Program& program) : m_program(program) {
    connect(&m_program.frmMain.TimerVeille, &QTimer::timeout, this,
            [this] { TimerVeille_Timer(); });
    // Connected after the incident alert's own handler: the alert has run when this
    // one sees the signal.
    m_incidents = connect(&m_program.frmMain.CheckIncidents[0], &CheckField::clicked, this,
                          [this](int value) { CheckIncidentsEnVeille(value); });
}

Standby::~Standby() {
    disconnect(m_incidents);
}

void Standby::setTrayIcon(TrayIcon* tray) {
    if (m_tray) {
        disconnect(m_tray, nullptr, this, nullptr);
    }
    m_tray = tray;
    if (m_tray) {
        connect(m_tray, &TrayIcon::showRequested, this, [this] { MnuAfficher_Click(); });
        connect(m_tray, &TrayIcon::aboutRequested, this, [this] { MnuAbout_Click(); });
    }
}

void Standby::MiseEnVeilleForcee() {
    ErrorTrap trap(m_program.errors, mainWindow("MiseEnVeilleForcee"));
    trap.at(10);
    MiseEnVeille(m_program.frmMain.Form, true, ForcedTip);
}

void Standby::TimerVeille_Timer() {
    Frm_Main& frm = m_program.frmMain;
    ErrorTrap trap(m_program.errors, mainWindow("TimerVeille_Timer"));
    trap.at(10);
    if (m_program.state.PbBQuitterEnCours) {
        return; // the timer stays on: the unload stops everything
    }
    trap.at(20);
    if (!frm.Form.visible()) {
        return; // not shown yet: the next tick looks again
    }
    trap.at(30);
    if (frm.VeilleDemandee) {
        MiseEnVeilleForcee();
        frm.VeilleDemandee = false;
    }
    trap.at(40);
    frm.TimerVeille.stop();
}

void Standby::MiseEnVeille(FormField& window, bool hideWindows, const QString& tip) {
    ProgramState& state = m_program.state;
    FrmSysTray& tray = m_program.frmSysTray;
    ErrorTrap trap(m_program.errors, trayModule("MiseEnVeille"));
    trap.at(10);
    if (m_tray && !m_tray->isAvailable()) {
        minimiseInstead();
        return;
    }
    trap.at(20);
    showIcon(tip, false);
    trap.at(30);
    if (hideWindows) {
        // A second standby keeps the windows the first one hid: they come back too.
        if (!state.PbBEnVeille) {
            tray.ListeFrm.clear();
            tray.ListeFrm.addItem(window.name());
        }
        const std::vector<FormField*> forms = m_program.placement.forms();
        for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
            FormField& form = **it;
            if (form.visible()) {
                form.setVisible(false);
                tray.ListeFrm.addItem(form.name());
            }
        }
    }
    trap.at(40);
    state.PbBEnVeille = true;
}

void Standby::minimiseInstead() {
    for (FormField* form : m_program.placement.forms()) {
        if (form->visible()) {
            form->setWindowState(FormField::WindowState::Minimized);
        }
    }
    m_program.trace.line(
        QStringLiteral("Warning: No notification area for the standby icon: windows minimised "
                       "instead |Sub: ") +
        trayModule("MiseEnVeille"));
}

void Standby::showIcon(const QString& tip, bool alert) {
    FrmSysTray& tray = m_program.frmSysTray;
    tray.Tip.setText(tip.left(FrmSysTray::TipMax));
    tray.Alert = alert;
    tray.IconShown = true;
    if (m_tray) {
        m_tray->show(tray.Tip.text(), alert ? TrayIcon::Look::Alert : TrayIcon::Look::Normal);
    }
}

void Standby::removeIcon() {
    FrmSysTray& tray = m_program.frmSysTray;
    tray.IconShown = false;
    tray.Alert = false;
    if (m_tray) {
        m_tray->hide();
    }
}

void Standby::CheckIncidentsEnVeille(int value) {
    if (value != 1 || !m_program.state.PbBEnVeille || !m_program.frmSysTray.IconShown) {
        return;
    }
    ErrorTrap trap(m_program.errors, trayWindow("CheckIncidentsEnVeille"));
    trap.at(10);
    // The windows stay hidden: the icon is the only way back, so it stays and tells.
    showIcon(m_program.incidentAlert.alertCaption(), true);
}

void Standby::AfficherFeuille() {
    ListField& rows = m_program.frmSysTray.ListeFrm;
    FormField& main = m_program.frmMain.Form;
    ErrorTrap trap(m_program.errors, trayWindow("AfficherFeuille"));
    trap.at(10);
    const auto restore = [&rows](FormField& form) {
        const int row = int(rows.rows().indexOf(form.name()));
        if (row >= 0) {
            form.setVisible(true);
            form.setFocus();
            rows.removeItem(row);
        }
    };
    // The main window first, then every window, the last loaded first: the main
    // window, listed twice, ends with the focus.
    trap.at(20);
    const std::vector<FormField*> forms = m_program.placement.forms();
    if (std::find(forms.begin(), forms.end(), &main) != forms.end()) {
        restore(main);
    }
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        restore(**it);
    }
    trap.at(30);
    removeIcon();
    trap.at(40);
    m_program.state.PbBEnVeille = false;
}

void Standby::MnuAfficher_Click() {
    ErrorTrap trap(m_program.errors, trayWindow("MnuAfficher_Click"));
    trap.at(10);
    AfficherFeuille();
}

void Standby::MnuAbout_Click() {
    ErrorTrap trap(m_program.errors, trayWindow("MnuAbout_Click"));
    trap.at(10);
    m_program.about.Show();
}

void Standby::Form_Unload() {
    // Errors ignored: the unload of the program goes on whatever happens here.
    if (!m_program.state.PbBFermetureApplication) {
        if (!m_program.frmSysTray.ListeFrm.isEmpty()) {
            AfficherFeuille();
        }
    } else {
        m_program.state.PbBEnVeille = false;
    }
    removeIcon();
}
