#pragma once

#include "base/AppVersion.h"
#include "base/UptimeCounter.h"
#include "config/IniAccess.h"
#include "config/RegistryAccess.h"
#include "config/SiteConfiguration.h"
#include "config/WindowPlacement.h"
#include "data/CatalogueFichiers.h"
#include "data/ErreursBTrieve.h"
#include "data/FichiersPervasive.h"
#include "data/TablesFichiersBTR.h"
#include "incidents/AlertMailer.h"
#include "incidents/IncidentAlert.h"
#include "incidents/Sound4OutageAlert.h"
#include "log/DailyTraceLog.h"
#include "log/ErrorReport.h"
#include "log/LogFileViewer.h"
#include "look/GeneralLook.h"
#include "model/FrmAbout.h"
#include "model/FrmMsg.h"
#include "model/FrmSetup.h"
#include "model/FrmSysTray.h"
#include "model/Frm_Main.h"
#include "model/Frm_MainBis.h"
#include "model/ProgramState.h"
#include "platform/FileBtrieveEngine.h"
#include "platform/PathSpace.h"
#include "platform/RegistryStore.h"
#include "relay/DataArrival.h"
#include "relay/PlayerQueues.h"
#include "relay/UdpEmission.h"
#include "relay/UdpReception.h"
#include "settings/Settings.h"
#include "settings/SetupWindow.h"
#include "shell/AboutBox.h"
#include "shell/HeadlessDialogs.h"
#include "shell/Standby.h"
#include "sound4/Sound4Console.h"
#include "sound4/Sound4Link.h"
#include "sound4/Sound4Receiver.h"
#include "sound4/Sound4Sessions.h"
#include "system/FileOperations.h"
#include "system/FolderChecks.h"
#include "system/ShellLauncher.h"
#include "system/StartupShortcut.h"
#include "system/SystemInfo.h"
#include "system/Waits.h"
#include "users/UserRights.h"

class Clock;
class Desktop;
class EventPump;
class HostInfo;
class Power;
class ProcessControl;
class Screen;

// The outside world the program runs on: real adapters in main, fakes in tests.
struct ProgramPlatform {
    Clock& clock;
    EventPump& events;
    HostInfo& host;
    ProcessControl& processes;
    Desktop& desktop;
    Power& power;
    Screen& screen;                     // where the windows are placed
    TelnetConnectionFactory makeTelnet; // one connection per Sound4 unit
    UdpSocketFactory makeUdp;           // ten listeners and ten emitters
    DialogsHost* dialogs = nullptr;     // the windows' dialogs; none: headless answers
    AlertMail* mail = nullptr;          // alert mails; none: the SMTP relay of the settings
    BtrieveEngine* btrieve = nullptr;   // the data-file engine; none: the one on the path space
};

// How this copy was started.
struct ProgramLaunch {
    QString root;                     // native root folder of the Windows path space
    StartupShortcut::Launch shortcut; // executable and explicit root, for the start-up entry
    VersionInfo version;
};

// The banner of each day's log file, from the program's own helpers.
class ProgramBannerFacts final : public TraceBannerFacts {
public:
    ProgramBannerFacts(const ProgramState& state, const AppVersion& version, SystemInfo& system,
                       RegistryAccess& registry)
        : m_state(state), m_version(version), m_system(system), m_registry(registry) {}

    QString version() override;
    QString executable() override;
    QString productName() override;
    QString computerName() override;
    QString themeActiveValue() override;
    QString operatingSystem() override;

private:
    const ProgramState& m_state;
    const AppVersion& m_version;
    SystemInfo& m_system;
    RegistryAccess& m_registry;
};

// The whole program, wired once: main builds one on the real platform, each test a
// fresh one on fakes. Members are built in the order they are declared.
class Program {
public:
    Program(const ProgramLaunch& launch, ProgramPlatform platform);

    ProgramPlatform platform;
    ProgramState state;
    UptimeCounter uptime;
    PathSpace paths;

    Frm_Main frmMain;
    Frm_MainBis frmMainBis;
    FrmSetup frmSetup;
    FrmMsg frmMsg;
    FrmSysTray frmSysTray;
    FrmAbout frmAbout;

    DailyTraceLog trace;
    ErrorReport errors;
    RegistryStore registryStore;
    RegistryAccess registry;
    AppVersion appVersion;
    SystemInfo systemInfo;
    ProgramBannerFacts bannerFacts;
    FileOperations files;
    FolderChecks folders;
    IniAccess ini;
    StartupShortcut startupShortcut;
    ShellLauncher launcher;
    Waits waits;
    LogFileViewer logViewer;
    HeadlessDialogs headlessDialogs;
    DialogsHost& dialogs;
    IncidentAlert incidentAlert;
    Sound4Link sound4Link;
    Sound4Sessions sessions;
    Sound4Receiver receiver;
    Sound4Console console;
    AlertMailer mailer;
    AlertMail& mail;
    Sound4OutageAlert outageAlert; // follows the units' sessions
    PlayerQueues playerQueues;
    UdpReception reception;
    UdpEmission emission;
    DataArrival dataArrival;
    SiteConfiguration site;
    WindowPlacement placement;
    Settings settings;
    SetupWindow setupWindow;
    GeneralLook look;
    UserRights users;
    FileBtrieveEngine fileEngine;
    BtrieveEngine& btrieve;
    CatalogueFichiers catalogue;
    TablesFichiersBTR tablesBTR;
    ErreursBTrieve erreursBTR;
    FichiersPervasive dataFiles;
    AboutBox about{*this};
    Standby standby{*this}; // after the incident alert: it follows its signal

private:
    // The outage alert hears of every session state and connection error.
    void followSessions();
    // The disconnected-component error: start again after a forced reboot.
    void restartMachine();
};
