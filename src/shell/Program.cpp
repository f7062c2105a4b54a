#include "shell/Program.h"

#include "platform/CurlSmtpClient.h"
#include "system/MachineShutdown.h"

#include <QDir>

QString ProgramBannerFacts::version() {
    return m_version.VersionApplication();
}

QString ProgramBannerFacts::executable() {
    return m_state.PbSDossierApplication + QStringLiteral("KZ3_Trelvo.exe");
}

QString ProgramBannerFacts::productName() {
    return m_version.info().productName;
}

QString ProgramBannerFacts::computerName() {
    return m_system.ComputerName();
}

QString ProgramBannerFacts::themeActiveValue() {
    QString value;
    m_registry.Reg_GetValue(
        RegistryStore::HKEY_CURRENT_USER,
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"),
        QStringLiteral("ThemeActive"), value);
    return value;
}

QString ProgramBannerFacts::operatingSystem() {
    return m_system.GetOSDisplayString();
}

// The banner facts are handed to the trace log before the helpers they read are
// built; the log reads them only when it writes, long after construction.
Program::Program(const ProgramLaunch& launch, ProgramPlatform platform_)
    : platform(platform_), uptime(platform.clock), paths(launch.root),
      trace(state, platform.clock, uptime, paths,
            TraceLogLists{frmMainBis.ListeLogTemp, frmSetup.ListeLog, frmSetup.TexteLogNbMaxlignes,
                          frmMain.ListeIncidents[0], frmMain.CheckIncidents[0]},
            bannerFacts),
      errors(state, trace, platform.clock, platform.events),
      registryStore(RegistryStore::filePath(paths)), registry(registryStore, errors),
      appVersion(launch.version, errors), systemInfo(state, uptime, platform.host),
      bannerFacts(state, appVersion, systemInfo, registry), files(paths, trace, errors, uptime),
      folders(paths, trace, errors, [this] { return registry.RegistryShares(); }),
      ini(paths, errors, folders, files),
      startupShortcut(state, paths, trace, errors, files, launch.shortcut),
      launcher(paths, platform.desktop, trace, errors),
      waits(state, uptime, platform.events, platform.processes),
      logViewer(trace, frmSetup.ListeLog, paths, platform.desktop, nullptr), headlessDialogs(trace),
      dialogs(platform.dialogs ? *platform.dialogs : headlessDialogs),
      incidentAlert(state, frmMain, dialogs, errors),
      sound4Link(platform.makeTelnet, state, frmSetup),
      sessions(state, frmSetup, sound4Link, trace, errors, uptime, platform.events, platform.clock),
      receiver(state, frmSetup, sound4Link, trace, errors, platform.events, platform.clock),
      console(state, frmSetup, frmMain, sessions, waits, dialogs, trace, errors),
      mailer(AlertMailer::Parts{state, frmSetup, frmMain, ini,
                                [this] { return settings.settingsFile(); }, systemInfo, uptime,
                                appVersion, dialogs, trace, errors, platform.events, platform.clock,
                                [] { return std::make_unique<CurlSmtpClient>(); }}),
      mail(platform.mail ? *platform.mail : mailer),
      outageAlert(Sound4OutageAlert::Parts{state, frmSetup, ini,
                                           [this] { return settings.settingsFile(); }, mail, trace,
                                           uptime, platform.clock}),
      reception(state, frmSetup, frmMain, playerQueues, platform.makeUdp, trace, errors,
                platform.events, dialogs, mail, platform.clock),
      emission(state, frmSetup, frmMain, platform.makeUdp, trace, errors, platform.events, uptime,
               platform.clock),
      dataArrival(state, frmSetup, playerQueues, sound4Link, sessions, receiver, trace, errors,
                  platform.events, uptime),
      site(state, ini, files, folders, systemInfo, registry, appVersion, dialogs, frmMain, trace,
           errors, platform.events),
      placement(site, ini, platform.screen, platform.events, errors),
      settings(state, frmSetup, ini, errors, trace, platform.events, sessions, dialogs),
      setupWindow(SetupWindow::Parts{state, frmSetup, frmMsg, frmMain, settings, site, ini, folders,
                                     systemInfo, appVersion, paths, dialogs, trace, errors,
                                     platform.events, placement}),
      look(state, registry, errors),
      users(UserRights::Parts{state, frmMain, registry, ini, site, files, waits, platform.processes,
                              paths, dialogs, errors, platform.events}),
      fileEngine(paths), btrieve(platform.btrieve ? *platform.btrieve : fileEngine),
      erreursBTR(ErreursBTrieve::Parts{state, frmMain, tablesBTR, catalogue, dialogs, trace,
                                       platform.clock, uptime}),
      dataFiles(FichiersPervasive::Parts{state, catalogue, tablesBTR, btrieve, files, erreursBTR,
                                         trace, errors}) {
    // Drive C: always exists on a station; folder chains are created below it.
    QDir().mkpath(paths.root() + QStringLiteral("/c"));
    trace.setErrorReporter(&errors);
    trace.setFileDeleter([this](const QString& path, const QString& caller) {
        return files.File_Delete(path, caller, 0, 0);
    });
    errors.setMachineRestart([this] { restartMachine(); });
    // The windows in the order they load.
    placement.addForm(frmMain.Form);
    placement.addForm(frmMsg.Form);
    placement.addForm(frmSetup.Form);
    followSessions();
}

void Program::followSessions() {
    sound4Link.setStateObserver(
        [this](int unit, Sound4Link::State before, Sound4Link::State after) {
            using State = Sound4Link::State;
            if (after == State::LoggedIn) {
                outageAlert.unitLoggedIn(unit);
            } else if (after == State::Disconnected) {
                if (before == State::LoggingOut) {
                    outageAlert.unitLoggedOut(unit);
                } else {
                    outageAlert.unitLost(unit);
                }
            }
        });
    QObject::connect(&sessions, &Sound4Sessions::unitError, &outageAlert,
                     &Sound4OutageAlert::unitError);
}

void Program::restartMachine() {
    qint32 delay = 10000;
    startupShortcut.CreateShortCutStartUp(true, delay,
                                          QStringLiteral("Lib_Public:GestionDesErreurs"));
    ShutdownWindows(platform.power, 2);
}
