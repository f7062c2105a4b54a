#include "shell/AboutBox.h"

#include "base/Blanks.h"
#include "base/Clock.h"
#include "base/ErrorTrap.h"
#include "platform/Desktop.h"
#include "shell/Program.h"

#include <QStandardPaths>

#include <algorithm>

namespace {

QString caller(const char* procedure) {
    return QStringLiteral("FrmAbout:") + QLatin1String(procedure);
}

constexpr qint32 ShowNormal = 1;

} // namespace

AboutBox::AboutBox(Program& program)
    : m_program(program),
      m_finder([](const QString& name) { return QStandardPaths::findExecutable(name); }) {}

void AboutBox::Show() {
    ErrorTrap trap(m_program.errors, caller("Show"));
    trap.at(10);
    if (!m_loaded) {
        Form_Load();
    }
    trap.at(20);
    FormField& form = m_program.frmAbout.Form;
    form.setVisible(true);
    form.setFocus();
}

void AboutBox::Form_Load() {
    FrmAbout& frm = m_program.frmAbout;
    ErrorTrap trap(m_program.errors, caller("Form_Load"));
    trap.at(10);
    frm.lblVersion.setText(QStringLiteral("Version ") + m_program.appVersion.VersionApplication());
    trap.at(20);
    frm.lblDescription.setText(
        QStringLiteral("Relais des messages du player d'antenne vers les processeurs Sound4."));
    frm.lblCopyright.setText(
        QStringLiteral("Copyright © Mirevox ") +
        QString::number(m_program.platform.clock.localDateTime().date().year()));
    frm.lblDisclaimer.setText(QStringLiteral(
        "Avertissement : ce logiciel est protégé par le droit d'auteur et les traités "
        "internationaux. Toute reproduction ou diffusion non autorisée, même partielle, "
        "expose à des poursuites civiles et pénales."));
    trap.at(30);
    // Over the main window, as an owned box opens.
    const GeometryField& owner = m_program.frmMain.Form.Geometry;
    GeometryField& box = frm.Form.Geometry;
    box.move(std::max(0, owner.left() + (owner.width() - box.width()) / 2),
             std::max(0, owner.top() + (owner.height() - box.height()) / 2));
    trap.at(40);
    m_program.placement.addForm(frm.Form);
    m_loaded = true;
}

void AboutBox::cmdOK_Click() {
    ErrorTrap trap(m_program.errors, caller("cmdOK_Click"));
    trap.at(10);
    Form_Unload();
}

void AboutBox::Form_Unload() {
    ErrorTrap trap(m_program.errors, caller("Form_Unload"));
    trap.at(10);
    m_program.frmAbout.Form.setVisible(false);
    m_program.placement.removeForm(m_program.frmAbout.Form);
    m_loaded = false;
}

void AboutBox::cmdSysInfo_Click() {
    ErrorTrap trap(m_program.errors, caller("cmdSysInfo_Click"));
    trap.at(10);
    StartSysInfo();
}

QString AboutBox::registryTool() {
    const QString procedure = caller("StartSysInfo");
    ErrorTrap trap(m_program.errors, procedure);
    trap.at(10);
    QString path;
    m_program.registry.Reg_GetValue(RegistryStore::HKEY_LOCAL_MACHINE, ToolKey, ToolValue, path);
    if (!isBlank(path) && m_program.files.File_Exist(path, procedure, false)) {
        return path;
    }
    trap.at(20);
    QString folder;
    m_program.registry.Reg_GetValue(RegistryStore::HKEY_LOCAL_MACHINE, ToolFolderKey,
                                    ToolFolderValue, folder);
    if (isBlank(folder)) {
        return QString();
    }
    path = folder + ToolFile;
    return m_program.files.File_Exist(path, procedure, false) ? path : QString();
}

void AboutBox::StartSysInfo() {
    ErrorTrap trap(m_program.errors, caller("StartSysInfo"));
    trap.at(10);
    const QString tool = registryTool();
    if (!tool.isEmpty()) {
        trap.at(20);
        m_program.launcher.ExecuterProgrammeExterne(nullptr, QStringLiteral("Open"), tool,
                                                    QString(), QString(), ShowNormal);
        return;
    }
    trap.at(30);
    for (const QString& name : DesktopTools) {
        const QString native = m_finder ? m_finder(name) : QString();
        if (!native.isEmpty() && m_program.platform.desktop.startProgram(native, {}, QString()) ==
                                     Desktop::Launch::Started) {
            return;
        }
    }
    trap.at(40);
    m_program.dialogs.ask(m_program.frmAbout.Caption.text(), NoSystemInformation,
                          DialogsHost::Buttons::Ok, DialogsHost::Icon::None,
                          DialogsHost::Answer::Ok);
}
