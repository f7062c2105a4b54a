#pragma once

#include <QString>
#include <QtGlobal>

class DialogsHost;
class ErrorReporter;
class EventPump;
class FileOperations;
class Frm_Main;
class IniAccess;
class PathSpace;
class ProcessControl;
class RegistryAccess;
class SiteConfiguration;
class Waits;
struct ProgramState;

// The suite's current user and the user's rights. The suite's user tool lets a
// person identify themself and leaves who is the current user, and what that user
// may do, in the registry; this program reads it, shows the user's name in its main
// menu, allows the settings window by right 44, and, where the site makes users
// mandatory, insists on an authorised user or stops.
class UserRights {
public:
    static inline const QString RegistryKey = QStringLiteral("Software\\Mirevox\\Ondelia\\User");
    static inline const QString ToolName = QStringLiteral("KZ3_Tools_User.exe");
    // The tool's button by which the operator closed it instead of choosing.
    static inline const QString ClosedButton = QStringLiteral("Fermer");
    // The right that allows the settings window ("Options...").
    static constexpr int OptionsRight = 44;

    struct Parts {
        ProgramState& state;
        Frm_Main& frmMain;
        RegistryAccess& registry;
        IniAccess& ini;
        SiteConfiguration& site;
        FileOperations& files;
        Waits& waits;
        ProcessControl& processes;
        const PathSpace& paths;
        DialogsHost& dialogs;
        ErrorReporter& errors;
        EventPump& events;
    };
    explicit UserRights(Parts parts);

    // Reads the current user and rights from the registry and sets the menu: the
    // user's name, and "Options..." by right 44. A user without it is refused, with
    // a message unless the tool was left with "Fermer" (shown all the same when
    // showAfterClose). Nobody identified: the entry is hidden, nothing else changes.
    void GestionDroitsUser(bool& refused, bool showAfterClose);
    // Runs the user tool with " /Close", the main window hidden meanwhile, then reads
    // the user again. stopRequested: the tool is missing, or users are mandatory and
    // nobody is identified.
    void SelectUser(bool& stopRequested);
    // Users are mandatory on this site (read once per run).
    bool UserObligatoire();
    // "Changer d'utilisateur...": runs the tool; with mandatory users, runs it again
    // until an authorised user is chosen. True when the program must stop: the tool
    // left with "Fermer", nobody identified once the program has started, or a
    // refused user and no tool to choose another.
    bool Mnu01User_Click();
    // The user check at start-up, where users are mandatory: a refused user, or
    // nobody identified, runs the user change until an authorised user is chosen.
    // False when the program must stop.
    bool startupCheck();

    bool userIdentified() const;
    bool hasRight(int right) const;
    bool closedWithFermer() const;
    // Where the user tool stands: the program's own folder.
    QString toolPath() const;

private:
    QString readValue(const QString& name);
    // The tool's process, the main window hidden until it ends.
    void runTool(qint32 pid);
    bool closing() const;

    Parts m;
    bool m_toolMissing = false; // the last SelectUser found no tool
    bool m_selecting = false;   // a user selection runs: a second one is not started
};
