#include "shell/Startup.h"

#include "base/Blanks.h"
#include "base/Clock.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TextFormat.h"
#include "platform/EventPump.h"
#include "platform/InstanceLock.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

QString caller(const char* procedure) {
    return QStringLiteral("Frm_Main:") + QLatin1String(procedure);
}

} // namespace

Startup::Startup(Program& program, InstanceLock& instances)
    : m_program(program), m_instances(instances) {}

Startup::Outcome Startup::run(const QString& commandLine) {
    Form_Initialize();
    return Form_Load(commandLine);
}

void Startup::Form_Initialize() {
    ErrorTrap trap(m_program.errors, caller("Form_Initialize"));
    trap.at(10);
    m_program.state.PbDDateDemarrage = m_program.platform.clock.localDateTime();
    // The suite's shared components ship with this program: nothing to check.
    trap.at(20);
    m_program.state.PbSDossierApplication = CheckRep(m_program.state.PbSDossierApplication);
}

Startup::Outcome Startup::Form_Load(const QString& commandLine) {
    ProgramState& state = m_program.state;
    ErrorTrap trap(m_program.errors, caller("Form_Load"));
    Outcome outcome = Outcome::Running;
    trap.at(10);
    state.PbBInModeLoadingFrmMain = true;
    trap.at(20);
    if (!TesterPrevInstance(false, 5000)) {
        outcome = Outcome::Refused;
    } else {
        trap.at(30);
        const qint64 start = m_program.uptime.TickCountMilliSec();
        trap.at(40);
        state.PbSLigneCommande = commandLine;
        if (!isBlank(commandLine)) {
            AnalyseChaineCommand(commandLine);
        } else {
            state.PbINoInstance = 0;
        }
        trap.at(45);
        m_program.look.InitGeneralLook(GeneralLook::FromRegistry);
        trap.at(50);
        if (!InitGeneral()) {
            outcome = m_dataFilesAborted ? Outcome::Aborted : Outcome::Abandoned;
        } else {
            trap.at(60);
            progressStep(QStringLiteral("Trelvo: Init: Create Object"));
            progressStep(QStringLiteral("Trelvo: Init: Display"));
            QString suffix;
            m_program.placement.PositionFeuille(m_program.frmMain.Form, suffix);
            progressStep(QStringLiteral("Trelvo: Init: Tableur"));
            progressStep(QStringLiteral("Trelvo: Init: Fin"));
            m_program.placement.unloadProgressWindow(m_program.frmMsg);
            state.PbBAfficheMsgInit = false;
            trap.at(70);
            m_program.frmMain.Form.setVisible(true);
            m_program.platform.events.processPendingEvents();
            state.PbBFrmMainAffichee = true;
            const qint64 elapsed = m_program.uptime.TickCountMilliSec() - start;
            m_program.trace.TraceLogEncadre(-1, -1,
                                            QStringLiteral("----- Init: Duration: ") +
                                                QString::number(elapsed) + QStringLiteral(" ms"),
                                            QStringLiteral("="), false);
            trap.at(80);
            if (commandLine.contains(QStringLiteral("/Veille=True"), Qt::CaseInsensitive)) {
                m_program.frmMain.VeilleDemandee = true;
                m_program.frmMain.TimerVeille.start();
            }
            trap.at(85);
            if (m_mainWindow) {
                m_mainWindow->ResizeCurrentOngletMain();
            }
            trap.at(88);
            if (!m_program.users.startupCheck()) {
                state.PbBQuitterEnCours = true;
                m_program.trace.TraceLogEncadre(
                    -1, -1, QStringLiteral("Application closed: no authorised user"),
                    QStringLiteral("*"), false);
                outcome = Outcome::NoUser;
            }
        }
    }
    trap.at(90);
    state.PbBInModeLoadingFrmMain = false;
    state.PbBFrmMainChargee = true;
    // An incident flagged while the window was loading alerts now: with the load
    // over, it also makes the "Incidents" tab available.
    if (outcome == Outcome::Running) {
        m_program.incidentAlert.replayAtLoadEnd();
    }
    return outcome;
}

void Startup::progressStep(const QString& text) {
    if (!m_program.state.PbBAfficheMsgInit) {
        return;
    }
    m_program.frmMsg.LabelMsgInit.setText(text);
    m_program.platform.events.processPendingEvents();
    m_program.trace.line(QStringLiteral("----- ") + text + QStringLiteral(" -----"));
}

bool Startup::InitGeneral() {
    ProgramState& state = m_program.state;
    ErrorTrap trap(m_program.errors, caller("InitGeneral"));
    trap.at(10);
    m_program.trace.line(QStringLiteral("FrmMain: Init General: Start"));
    trap.at(20);
    const QString caption =
        QStringLiteral("Ondelia: Trelvo - ") + m_program.appVersion.VersionApplication();
    m_program.incidentAlert.setNormalCaption(caption);
    trap.at(30);
    m_program.placement.loadProgressWindow(m_program.frmMsg);
    m_program.frmMsg.Form.setVisible(true);
    state.PbBAfficheMsgInit = true;
    m_program.platform.events.processPendingEvents();
    m_program.frmMsg.LabelMsgInit.setText(QStringLiteral("Trelvo: Init: General"));
    trap.at(40);
    state.PbSFormatDate = QStringLiteral("dd/MM/yyyy");
    state.PbSFormatHeure = QStringLiteral("HH:MM:SS");
    trap.at(50);
    InitGeneralSysteme();
    trap.at(60);
    progressStep(QStringLiteral("Init: InitGeneralPath"));
    qint16 allBases = -1;
    m_program.site.InitGeneralPath(allBases);
    trap.at(70);
    progressStep(QStringLiteral("Init: InitGeneralSite"));
    if (!m_program.site.InitGeneralSite()) {
        return false;
    }
    trap.at(80);
    progressStep(QStringLiteral("Trelvo: Init: General"));
    trap.at(90);
    m_program.setupWindow.Form_Load();
    trap.at(95);
    // The data files of the working base, for each of its stations.
    if (!m_program.dataFiles.PervasiveOuvertureFichiers(
            0, 1, state.PbTParametresSite.Base[0].NbStation)) {
        m_dataFilesAborted = true;
        return false;
    }
    trap.at(100);
    progressStep(QStringLiteral("Trelvo: Init: Bases"));
    trap.at(105);
    // Until the first incident.
    m_program.incidentAlert.setIncidentsTabAvailable(false);
    trap.at(110);
    m_program.site.NomFichierSettings(QString(), QStringLiteral(".Ini"));
    trap.at(120);
    m_program.trace.line(QStringLiteral("FrmMain: Init General: End"));
    trap.at(130);
    state.PbSIdRadio = stationIdentifier();
    state.PbINoRadio = stationNumber();
    m_program.incidentAlert.setNormalCaption(caption + QStringLiteral(" - ") + state.PbSIdRadio);
    m_program.trace.TraceLogEncadre(-1, -1, QStringLiteral("Id Radio: ") + state.PbSIdRadio,
                                    QStringLiteral("="), false);
    return true;
}

void Startup::InitGeneralSysteme() {
    ErrorTrap trap(m_program.errors, caller("InitGeneralSysteme"));
    trap.at(10);
    m_program.systemInfo.GetOSDisplayString();
    trap.at(20);
    m_program.state.PbSFormatDate = QStringLiteral("dd/MM/yyyy");
    m_program.state.PbSFormatHeure = QStringLiteral("HH:MM:SS");
    trap.at(30);
    if (isBlank(m_program.state.PbSDossierSettings)) {
        m_program.site.NomDossierSettings();
    }
}

QString Startup::stationIdentifier() {
    return m_program.ini.LectureIni(m_program.state.PbSFichierConfig, QStringLiteral("Site"),
                                    QStringLiteral("Lib"), QString());
}

qint16 Startup::stationNumber() {
    const QString text =
        m_program.ini.LectureIni(m_program.state.PbSFichierConfig, QStringLiteral("Site"),
                                 QStringLiteral("NoRadio"), QString());
    const std::optional<double> value = Val(text);
    const std::optional<qint16> number = value ? ToInt16(*value) : std::nullopt;
    return number ? *number : 0;
}

std::optional<QString> Startup::switchValue(const QString& commandLine, const QString& name,
                                            bool allowPoints) {
    const qsizetype at = commandLine.indexOf(name, 0, Qt::CaseInsensitive);
    if (at < 0) {
        return std::nullopt;
    }
    qsizetype i = at + name.size();
    while (i < commandLine.size() && commandLine.at(i) == QLatin1Char(' ')) {
        ++i;
    }
    const qsizetype first = i;
    while (i < commandLine.size() &&
           ((commandLine.at(i) >= QLatin1Char('0') && commandLine.at(i) <= QLatin1Char('9')) ||
            (allowPoints && commandLine.at(i) == QLatin1Char('.')))) {
        ++i;
    }
    return commandLine.mid(first, i - first);
}

qint64 Startup::digitsValue(const QString& digits, qint64 max) {
    qint64 value = 0;
    for (const QChar c : digits) {
        value = value * 10 + (c.unicode() - u'0');
        if (value >= max) {
            return max; // and no overflow on a long run of digits
        }
    }
    return value;
}

void Startup::AnalyseChaineCommand(const QString& commandLine) {
    ProgramState& state = m_program.state;
    TraceSink& trace = m_program.trace;
    ErrorTrap trap(m_program.errors, caller("AnalyseChaineCommand"));
    trap.at(10);
    trace.TraceLogEncadre(-1, -1,
                          QStringLiteral("Command Line: '") + commandLine + QStringLiteral("'"),
                          QStringLiteral("="), false);
    trap.at(20);
    state.PbINoInstance = 0;
    std::optional<QString> instance = switchValue(commandLine, QStringLiteral("/Instance="));
    m_program.platform.events.processPendingEvents();
    if (!instance) {
        instance = switchValue(commandLine, QStringLiteral("/I="));
    }
    if (instance) {
        state.PbINoInstance = qint16(std::clamp<qint64>(digitsValue(*instance, 32767), 1, 10));
    }
    trace.line(QStringLiteral("Instance: ") + QString::number(state.PbINoInstance));
    trap.at(30);
    if (const std::optional<QString> wait = switchValue(commandLine, QStringLiteral("/Wait="))) {
        const qint32 ms = qint32(digitsValue(*wait, std::numeric_limits<qint32>::max()));
        trace.line(QStringLiteral("WaitDuration: ") + QString::number(ms));
        pauseFor(ms);
    }
    trap.at(40);
    if (const std::optional<QString> ip = switchValue(commandLine, QStringLiteral("/IP="), true)) {
        state.PbSIPCible = *ip;
        trace.line(QStringLiteral("Target IP Address: ") + state.PbSIPCible);
    }
}

void Startup::pauseFor(qint32 ms) {
    const qint64 start = m_program.uptime.TickCountMilliSec();
    for (;;) {
        const qint64 elapsed = std::abs(m_program.uptime.TickCountMilliSec() - start);
        if (elapsed >= ms || (m_stopRequested && m_stopRequested())) {
            return;
        }
        m_program.platform.events.waitForEvents(ms - elapsed);
    }
}

bool Startup::TesterPrevInstance(bool stopOther, qint32 waitMs) {
    ErrorTrap trap(m_program.errors, caller("TesterPrevInstance"));
    trap.at(10);
    bool running = m_instances.otherCopyRunning();
    if (running && waitMs >= 1) {
        trap.at(20);
        m_program.waits.WaitOnDuration(waitMs);
        running = m_instances.otherCopyRunning();
    }
    trap.at(30);
    if (running && !stopOther) {
        m_program.dialogs.ask(
            m_program.frmMain.Caption.text(),
            QStringLiteral("Application encore chargée en mémoire.\r\n\r\nVeuillez la quitter "
                           "avant de relancer une autre instance de cette application."),
            DialogsHost::Buttons::Ok, DialogsHost::Icon::Critical, DialogsHost::Answer::Ok);
        return false;
    }
    return true;
}
