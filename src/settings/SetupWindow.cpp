#include "settings/SetupWindow.h"

#include "base/AppVersion.h"
#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "config/IniAccess.h"
#include "config/SiteConfiguration.h"
#include "config/WindowPlacement.h"
#include "log/DailyTraceLog.h"
#include "model/FrmMsg.h"
#include "model/FrmSetup.h"
#include "model/Frm_Main.h"
#include "model/ProgramState.h"
#include "platform/EventPump.h"
#include "platform/PathSpace.h"
#include "settings/Settings.h"
#include "system/FolderChecks.h"
#include "system/SystemInfo.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace {

QString caller(const char* procedure) {
    return QStringLiteral("FrmSetup:") + QLatin1String(procedure);
}

} // namespace

SetupWindow::SetupWindow(Parts parts) : m(parts) {}

void SetupWindow::restrictToOwner(const QString& nativePath) {
    QFile file(nativePath);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly)) {
            return; // the first write reports the folder's problem
        }
        file.close();
    }
    // A read-only file stays read-only.
    const QFileDevice::Permissions owner =
        file.permissions() & (QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.setPermissions(owner | QFileDevice::ReadOwner);
}

void SetupWindow::progressStep(const QString& text) {
    if (m.state.PbBAfficheMsgInit) {
        m.progress.LabelMsgInit.setText(text);
        m.events.processPendingEvents();
    }
}

void SetupWindow::Form_Load() {
    QString suffix;
    m.placement.PositionFeuille(m.setup.Form, suffix);
    ErrorTrap trap(m.errors, caller("Form_Load"));
    trap.at(10);
    m.setup.Caption.setText(QStringLiteral("Options: Ondelia: Trelvo - ") +
                            m.version.VersionApplication());
    trap.at(20);
    progressStep(QStringLiteral("Trelvo: Setup: Init: General"));
    InitGeneral();
    trap.at(30);
    progressStep(QStringLiteral("Trelvo: Setup: Init: Settings"));
    m.settings.InitSettings();
    trap.at(40);
    progressStep(QStringLiteral("Trelvo: Setup: Init: Settings KZ3"));
    trap.at(50);
    progressStep(QStringLiteral("Trelvo: Setup: Init: SettingsLook"));
    m.settings.InitSettingsPeripheriques();
    trap.at(60);
    progressStep(QStringLiteral("Trelvo: Setup: Loaded"));
    trap.at(70);
    m.state.PbBFrmSetupChargee = true;
    trap.at(80);
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        if (m.setup.CheckUDPInActif[i].value() == 1) {
            m.setup.TexteUDPIPSource[i].setEnabled(false);
            m.setup.TexteUDPPortSource[i].setEnabled(false);
        }
    }
    trap.at(90);
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        if (m.setup.CheckUDPOutActif[i].value() == 1) {
            m.setup.TexteUDPIPCible[i].setEnabled(false);
            m.setup.TexteUDPPortCible[i].setEnabled(false);
            m.setup.TexteUDPPortBCible[i].setEnabled(false);
        }
    }
    trap.at(100);
    m.settings.reconnectSavedUnits();
}

void SetupWindow::InitGeneral() {
    ErrorTrap trap(m.errors, caller("InitGeneral"));
    trap.at(10);
    m.trace.line(QStringLiteral("FrmSetup: Init General: Start"));
    trap.at(20);
    m.setup.TexteComputerNameAdresse[0].setText(m.system.ComputerName());
    m.setup.TexteComputerNameAdresse[1].setText(m.system.GetHostName());
    trap.at(30);
    if (isBlank(m.state.PbSDossierSettings)) {
        m.site.NomDossierSettings();
    }
    trap.at(35);
    // The settings file is this instance's; the listeners and emitters are shared
    // by every instance of the settings folder.
    m.settings.setFiles(m.site.NomFichierSettings(QString(), QStringLiteral(".Ini")),
                        m.state.PbSDossierSettings + QStringLiteral("KZ3_Trelvo.Ini"));
    restrictToOwner(m.paths.toNative(m.settings.settingsFile()));
    trap.at(40);
    const QString config = m.site.DetermineDossierConfig(1);
    const qint16 bases = m.site.DetermineDossierConfig_Bases_Nombre(config);
    m.trace.line(QStringLiteral("KZ3_Config.ini: ") + config + QStringLiteral(" |Nb Base: ") +
                 QString::number(bases));
    trap.at(50);
    m.state.PbSDossierConfigFichier[0] = m.site.DetermineDossierConfig_Fichier(config, 1);
    trap.at(60);
    if (bases <= 1) {
        for (QString& folder : m.state.PbSDossierConfigFichier) {
            if (isBlank(folder)) {
                folder = m.state.PbSDossierConfigFichier[0];
            }
        }
    }
    trap.at(70);
    m.settings.InitNbBase();
    trap.at(80);
    QString local = m.state.PbSDossierApplication + QStringLiteral("Settings\\_Local\\");
    if (!m.folders.FolderFound(local, false)) {
        m.folders.VerificationEtCreationRepertoire(local, true);
    }
    trap.at(90);
    for (qint16 i = 0; i < m.state.PbINbBase; ++i) {
        InitGeneralDossiers(i);
    }
    trap.at(100);
    m.setup.ComboSound4NoCart.clear();
    for (int i = 1; i <= FrmSetup::NbSound4; ++i) {
        m.setup.ComboSound4NoCart.addItem(QString::number(i));
    }
    m.setup.ComboSound4NoCart.setSelection(0);
    trap.at(110);
    m.trace.line(QStringLiteral("FrmSetup: Init General: End"));
}

void SetupWindow::InitGeneralDossiers(qint16 baseIndex) {
    ErrorTrap trap(m.errors, caller("InitGeneralDossiers"));
    trap.at(10);
    if (baseIndex < 0 || baseIndex >= ProgramState::NbBases) {
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    const QString computer = m.system.ComputerName();
    trap.at(20);
    QString local = CheckRep(m.state.PbTParametresSite.Base[baseIndex].Dossier_Local +
                             QStringLiteral("Serveur_Ini\\Trelvo\\") +
                             N2S(baseIndex, 2, 0, QStringLiteral("0")));
    if (m.state.PbINoInstance != 0) {
        local = CheckRep(local.chopped(1) + QStringLiteral("_Instance_") +
                         QString::number(m.state.PbINoInstance));
    }
    trap.at(30);
    m.folders.VerificationEtCreationRepertoire(local, true);
    m.trace.line(QStringLiteral("Local_INI_Folder: ") + local);
    trap.at(40);
    const QString mxSys = m.state.PbSDossierConfigFichier[baseIndex] + QStringLiteral("MX_SYS.ini");
    const bool unc =
        m.ini.LectureIni(mxSys, QStringLiteral("UNC_Actif"), QStringLiteral("REPPARTAGE"),
                         QStringLiteral("0FF")) == QStringLiteral("ON");
    const QString section = unc ? QStringLiteral("Repertoires_UNC") : QStringLiteral("Repertoires");
    trap.at(50);
    QString shared = CheckRep(m.ini.LectureIni(mxSys, section, QStringLiteral("REPPARTAGE"),
                                               m.state.PbSDossierApplication));
    trap.at(60);
    if (shared.startsWith(QStringLiteral("\\\\") + computer, Qt::CaseInsensitive)) {
        shared = m.folders.ChangeUNCFolder2LocalFolder(shared, computer);
    }
    trap.at(70);
    m.folders.VerificationEtCreationRepertoire(shared, true);
    m.trace.line(QStringLiteral("Folder_Shared: ") + shared);
}

void SetupWindow::Form_Unload(qint16 cancel) {
    if (cancel != 0) {
        return;
    }
    QString suffix;
    m.placement.PositionFeuilleSauvegarde(m.setup.Form, suffix);
    ErrorTrap trap(m.errors, caller("Form_Unload"));
    trap.at(10);
    m.settings.saveAtUnload(m.dialogs, m.frmMain.Caption.text());
    trap.at(20);
    m.trace.line(QStringLiteral("---------- FrmSetup: Form_Unload: End"));
    trap.at(30);
    m.trace.TraceLogForce(m.setup.ListeLog);
    trap.at(40);
    m.state.PbBFrmSetupChargee = false;
}

void SetupWindow::Form_Activate() {
    ErrorTrap trap(m.errors, caller("Form_Activate"));
    trap.at(10);
    TabStripField& tabs = m.setup.SftTabsOptions;
    if (tabs.available(tabs.current())) {
        return;
    }
    trap.at(20);
    for (int tab = 0; tab < tabs.count(); ++tab) {
        if (tabs.available(tab)) {
            tabs.setCurrent(tab);
            return;
        }
    }
}

void SetupWindow::Form_QueryUnload(qint16& cancel, qint16 unloadMode) {
    ErrorTrap trap(m.errors, caller("Form_QueryUnload"));
    trap.at(10);
    if (unloadMode == FormControlMenu) {
        m.setup.Form.setVisible(false);
        cancel = 1;
    }
}

void SetupWindow::Form_Resize() {
    ErrorTrap trap(m.errors, caller("Form_Resize"));
    trap.at(10);
    if (m.setup.Form.windowState() == FormField::WindowState::Minimized) {
        return;
    }
    trap.at(20);
    const qint64 margin = m.state.PbLLookFamille == 1 ? 525 : 495;
    const auto toInt32 = [](qint64 value) {
        return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(),
                                         std::numeric_limits<qint32>::max()));
    };
    trap.at(30);
    GeometryField& fermer = m.setup.CommandFermerGeometry;
    const qint32 top = toInt32(qint64(m.setup.Form.Geometry.height()) - fermer.height() - margin);
    fermer.move(fermer.left(), top);
    GeometryField& save = m.setup.CommandSaveGeometry;
    save.move(save.left(), top);
    trap.at(40);
    GeometryField& tabs = m.setup.SftTabsOptions.Geometry;
    qint32 height = toInt32(qint64(top) - TabsGap - tabs.top());
    CheckValiditeValeurMin(height, 0, 0);
    tabs.resize(tabs.width(), height);
}

void SetupWindow::CommandFermer_Click() {
    m.setup.Form.setVisible(false);
}

void SetupWindow::CommandSave_Click(FormField& mainWindow) {
    ErrorTrap trap(m.errors, caller("CommandSave_Click"));
    trap.at(10);
    m.placement.SablierOn(mainWindow);
    m.placement.SablierOn(m.setup.Form);
    trap.at(20);
    m.settings.CommandSave_Click();
    trap.at(30);
    m.placement.SablierOff(m.setup.Form);
    m.placement.SablierOff(mainWindow);
}
