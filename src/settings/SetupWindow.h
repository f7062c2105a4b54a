#pragma once

#include <QString>
#include <QtGlobal>

class AppVersion;
class DialogsHost;
class ErrorReporter;
class EventPump;
class FolderChecks;
class FrmMsg;
class FrmSetup;
class Frm_Main;
class IniAccess;
class PathSpace;
class Settings;
class SiteConfiguration;
class SystemInfo;
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
    };

    explicit SetupWindow(Parts parts);

    void Form_Load();
    void Form_Unload(qint16 cancel = 0);
    void InitGeneral();
    void InitGeneralDossiers(qint16 baseIndex);

    // Creates the settings file when missing and keeps it readable by its owner
    // only: it holds the units' passwords.
    static void restrictToOwner(const QString& nativePath);

private:
    void progressStep(const QString& text);

    Parts m;
};
