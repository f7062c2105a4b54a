#include "shell/MainWindow.h"

#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "shell/Program.h"

#include <algorithm>
#include <limits>

namespace {

QString caller(const char* procedure) {
    return QStringLiteral("Frm_Main:") + QLatin1String(procedure);
}

// A size kept at 0 or more.
qint32 atLeastZero(qint64 value) {
    qint32 size = qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(),
                                            std::numeric_limits<qint32>::max()));
    CheckValiditeValeurMin(size, 0, 0);
    return size;
}

constexpr qint32 ShowNormal = 1;

} // namespace

MainWindow::MainWindow(Program& program) : m_program(program) {
    Frm_Main& frm = m_program.frmMain;
    connect(&frm.SftTabsMain, &TabStripField::switched, this, [this] { SftTabsMain_Switched(); });
    connect(&frm.TimerFlash, &QTimer::timeout, this, [this] { TimerFlash_Timer(); });
}

void MainWindow::Form_Resize() {
    Frm_Main& frm = m_program.frmMain;
    ErrorTrap trap(m_program.errors, caller("Form_Resize"));
    trap.at(10);
    if (frm.Form.windowState() == FormField::WindowState::Minimized) {
        return;
    }
    trap.at(20);
    GeometryField& tabs = frm.SftTabsMain.Geometry;
    tabs.resize(atLeastZero(qint64(frm.Form.Geometry.width()) - tabs.left() - 120), tabs.height());
    trap.at(30);
    ResizeCurrentOngletMain();
}

void MainWindow::ResizeCurrentOngletMain() {
    Frm_Main& frm = m_program.frmMain;
    ErrorTrap trap(m_program.errors, caller("ResizeCurrentOngletMain"));
    trap.at(10);
    if (!m_program.state.PbBFrmSetupChargee) {
        return;
    }
    trap.at(20);
    TabStripField& strip = frm.SftTabsMain;
    if (strip.current() < 0) {
        strip.setCurrent(0);
    }
    trap.at(30);
    if (strip.currentText() != IncidentAlert::IncidentsTab) {
        return; // "Upload" and "Download" fill their tab by themselves
    }
    trap.at(40);
    const GeometryField& tabs = strip.Geometry;
    GeometryField& list = frm.IncidentsGeometry;
    list.resize(atLeastZero(qint64(tabs.width()) - 195),
                atLeastZero(qint64(tabs.height()) - 960 - 120));
    trap.at(50);
    GeometryField& purge = frm.PurgeGeometry;
    purge.move(atLeastZero(qint64(tabs.width()) - purge.width() - 210),
               atLeastZero(qint64(list.top()) + list.height() + 80));
}

void MainWindow::SftTabsMain_Switched() {
    ErrorTrap trap(m_program.errors, caller("SftTabsMain_Switched"));
    trap.at(10);
    ResizeCurrentOngletMain();
    trap.at(20);
    if (m_program.frmMain.SftTabsMain.currentText() == IncidentAlert::IncidentsTab) {
        m_program.incidentAlert.acknowledge();
    }
}

void MainWindow::TimerFlash_Timer() {
    ErrorTrap trap(m_program.errors, caller("TimerFlash_Timer"));
    trap.at(10);
    if (m_program.state.PbBQuitterEnCours) {
        return;
    }
    m_flash = !m_flash;
    m_program.frmMain.Form.setFlash(m_flash);
}

void MainWindow::Mnu01Options_Click() {
    ErrorTrap trap(m_program.errors, caller("Mnu01Options_Click"));
    trap.at(10);
    // A disabled entry cannot be chosen, from any menu: the user lacks the right.
    if (m_program.state.PbBQuitterEnCours || !m_program.frmMain.Mnu01Options.enabled()) {
        return;
    }
    // The settings window stays loaded, hidden, for the whole run: only its
    // visibility changes.
    FormField& setup = m_program.frmSetup.Form;
    setup.setVisible(!setup.visible());
}

void MainWindow::Mnu01Log_Click() {
    ErrorTrap trap(m_program.errors, caller("Mnu01Log_Click"));
    trap.at(10);
    m_program.logViewer.LectureLog(m_program.state.PbTParametresSite.Base[0].Dossier_Histo,
                                   QString());
}

void MainWindow::MnuWhatNews_Click(qint16 index) {
    const QString procedure = caller("MnuWhatNews_Click");
    ErrorTrap trap(m_program.errors, procedure);
    trap.at(10);
    if (index == 0) {
        const QString file = m_program.state.PbSDossierApplication + RevisionsFile;
        if (!m_program.files.File_Exist(file, procedure, true)) {
            trap.at(20);
            m_program.dialogs.ask(
                m_program.frmMain.Caption.text(),
                QStringLiteral("Le fichier: ") + file +
                    QStringLiteral(" est absent.\r\n\r\nVeuillez le mettre en place à partir de "
                                   "la mise-à-jour disponible sur le Net."),
                DialogsHost::Buttons::Ok, DialogsHost::Icon::Warning, DialogsHost::Answer::Ok);
            return;
        }
        trap.at(30);
        m_program.launcher.ExecuterProgrammeExterne(nullptr, QStringLiteral("Open"), file,
                                                    QString(), QString(), ShowNormal);
    } else if (index == 1) {
        trap.at(40);
        m_program.launcher.ExecuterProgrammeExterne(nullptr, QStringLiteral("Open"),
                                                    onlineRevisionsAddress(), QString(), QString(),
                                                    ShowNormal);
    } else {
        trap.fail(AppError::subscriptOutOfRange());
    }
}

void MainWindow::Mnu99APropos_Click() {
    m_program.about.Show();
    Q_EMIT aboutRequested();
}

void MainWindow::Mnu01Veille_Click() {
    ErrorTrap trap(m_program.errors, caller("Mnu01Veille_Click"));
    trap.at(10);
    if (m_program.state.PbBQuitterEnCours) {
        return;
    }
    m_program.standby.MiseEnVeilleForcee();
}

void MainWindow::Mnu01User_Click() {
    ProgramState& state = m_program.state;
    ErrorTrap trap(m_program.errors, caller("Mnu01User_Click"));
    trap.at(10);
    // While the window loads, the start-up makes its own user check.
    if (state.PbBQuitterEnCours || state.PbBInModeLoadingFrmMain) {
        return;
    }
    if (!m_program.users.Mnu01User_Click()) {
        return;
    }
    trap.at(20);
    m_program.trace.TraceLogEncadre(-1, -1,
                                    QStringLiteral("Application closed: no authorised user"),
                                    QStringLiteral("*"), false);
    state.PbBQuitterEnCours = true;
    Q_EMIT unloadRequested();
}

void MainWindow::MnuQuitter_Click() {
    Quitter();
}

void MainWindow::Quitter() {
    ProgramState& state = m_program.state;
    ErrorTrap trap(m_program.errors, caller("Quitter"));
    trap.at(10);
    state.PbBQuitterEnCours = false;
    trap.at(20);
    const DialogsHost::Answer answer = m_program.dialogs.ask(
        m_program.frmMain.Caption.text(), QuitQuestion, DialogsHost::Buttons::YesNo,
        DialogsHost::Icon::Question, DialogsHost::Answer::No);
    if (answer != DialogsHost::Answer::Yes) {
        return;
    }
    trap.at(30);
    m_program.trace.TraceLogEncadre(
        -1, -1, QStringLiteral("Application closed by human action (Menu action)"),
        QStringLiteral("*"), false);
    trap.at(40);
    state.PbBQuitterEnCours = true;
    Q_EMIT unloadRequested();
}

void MainWindow::Form_QueryUnload(qint16& cancel, qint16 unloadMode) {
    ErrorTrap trap(m_program.errors, caller("Form_QueryUnload"));
    trap.at(10);
    if (unloadMode != FormControlMenu) {
        return;
    }
    Quitter();
    trap.at(20);
    if (!m_program.state.PbBQuitterEnCours) {
        cancel = 1;
    }
}
