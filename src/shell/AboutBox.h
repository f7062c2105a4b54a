#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Program;

// The about box's procedures: its texts at load, "OK" and "&Infos système...".
// The box is shown not modal, over the main window, from the main menu and from
// the notification area's menu.
class AboutBox {
public:
    static inline const QString NoSystemInformation =
        QStringLiteral("Les informations système ne sont pas disponibles actuellement");
    // Where the station's system-information tool is named.
    static inline const QString ToolKey =
        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    static inline const QString ToolValue = QStringLiteral("PATH");
    static inline const QString ToolFolderKey =
        QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    static inline const QString ToolFolderValue = QStringLiteral("MSINFO");
    static inline const QString ToolFile = QStringLiteral("\\MSINFO32.EXE");
    // The desktop's own system-information programs, in order of preference, for a
    // station whose registry names no tool.
    static inline const QStringList DesktopTools = {
        QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"), QStringLiteral("lshw-gtk"),
        QStringLiteral("gnome-system-monitor")};

    // A program's native path on the PATH, "" when it is not installed.
    using ProgramFinder = std::function<QString(const QString& name)>;

    explicit AboutBox(Program& program);

    // Loads the box unless it is loaded, then shows it with the focus.
    void Show();
    // Its texts: the version, the notices with the current year; it is placed over
    // the main window and joins the loaded windows.
    void Form_Load();
    // "OK": unloads the box.
    void cmdOK_Click();
    void Form_Unload();
    // "&Infos système...".
    void cmdSysInfo_Click();
    // Starts the registry's system-information tool when it names a file that
    // exists, else the desktop's, else says that there is none.
    void StartSysInfo();
    // The path of the registry's tool, "" when it names nothing that exists.
    QString registryTool();

    bool loaded() const { return m_loaded; }
    void setProgramFinder(ProgramFinder finder) { m_finder = std::move(finder); }

private:
    Program& m_program;
    ProgramFinder m_finder;
    bool m_loaded = false;
};
