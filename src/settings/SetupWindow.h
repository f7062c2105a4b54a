#pragma once

#include <QString>
#include <QtGlobal>

class AppVersion;
class DialogsHost;
class ErrorReporter;
class EventPump;
class FolderChecks;
class FormField;
class FrmMsg;
class FrmSetup;
class Frm_Main;
class IniAccess;
class PathSpace;
class Settings;
class SiteConfiguration;
class SystemInfo;
class WindowPlacement;
class DailyTraceLog;
struct ProgramState;

// The settings window's life, apart from its looks: its load reads the program's
// settings into the controls (which opens the stored listeners and emitters), logs
// in again the units that were connected at the last stop and prepares the
// per-base folders; its unload saves what the user agrees to save and records
// which units are connected.
class SetupWindow {
public:
    struct Parts {
        ProgramState& state;
        FrmSetup& setup;
        FrmMsg& progress;
        const Frm_Main& frmMain; // its caption titles the questions
        Settings& settings;
        SiteConfiguration& site;
        IniAccess& ini;
        FolderChecks& folders;
        SystemInfo& system;
        const AppVersion& version;
        const PathSpace& paths;
        DialogsHost& dialogs;
        DailyTraceLog& trace;
        ErrorReporter& errors;
        EventPump& events;
        WindowPlacement& placement; // the window's saved position
    };

    explicit SetupWindow(Parts parts);

    void Form_Load();
    void Form_Unload(qint16 cancel = 0);
    void InitGeneral();
    void InitGeneralDossiers(qint16 baseIndex);

    // Unload modes of Form_QueryUnload.
    static constexpr qint16 FormControlMenu = 0; // the user's close box or control menu
    static constexpr qint16 FormCode = 1;        // the program unloads the window
    // Between the tab strip and the buttons, in twips.
    static constexpr qint32 TabsGap = 60;

    // Each time the window becomes active: the options tab strip leaves a tab that
    // is not available for the first one that is.
    void Form_Activate();
    // The close box only hides the window (cancel 1): it stays loaded with its edits.
    // Any other mode lets it unload.
    void Form_QueryUnload(qint16& cancel, qint16 unloadMode);
    // After each size change: the buttons stay at the bottom and the tab strip fills
    // the height above them; a minimised window keeps its layout.
    void Form_Resize();
    // "Fermer": hides the window.
    void CommandFermer_Click();
    // "Enregistrer": saves what was edited, with the busy cursor on the main window
    // and on this one meanwhile.
    void CommandSave_Click(FormField& mainWindow);

    // Creates the settings file when missing and keeps it readable by its owner
    // only: it holds the units' passwords.
    static void restrictToOwner(const QString& nativePath);

private:
    void progressStep(const QString& text);

    Parts m;
};
