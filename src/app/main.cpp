#include "BuildStamp.h"

#include "base/AppVersion.h"
#include "log/StderrTraceMirror.h"
#include "look/ui/WindowLook.h"
#include "platform/InstanceLock.h"
#include "platform/LinuxHostInfo.h"
#include "platform/LinuxProcessControl.h"
#include "platform/LinuxUdpSocket.h"
#include "platform/OffThreadLineWriter.h"
#include "platform/PathSpace.h"
#include "platform/QtEventPump.h"
#include "platform/Screen.h"
#include "platform/SocketTelnetConnection.h"
#include "platform/SystemClock.h"
#include "platform/SystemdPower.h"
#include "platform/SystemdServiceManager.h"
#include "platform/TerminationSignals.h"
#include "platform/XdgDesktop.h"
#include "settings/ui/SetupWindowView.h"
#include "shell/ConfigurationCheck.h"
#include "shell/LaunchOptions.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"
#include "shell/ServiceNotifier.h"
#include "shell/Shutdown.h"
#include "shell/Startup.h"
#include "shell/TestMailCommand.h"
#include "shell/ui/AboutWindowView.h"
#include "shell/ui/MainWindowView.h"
#include "shell/ui/ProgressWindowView.h"
#include "shell/ui/QtScreen.h"
#include "shell/ui/QtTrayIcon.h"
#include "shell/ui/WidgetDialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QSessionManager>
#include <QTextStream>
#include <QTranslator>

#include <cstring>
#include <memory>

namespace {

VersionInfo buildVersion() {
    VersionInfo info;
    info.major = TRELVO_VERSION_MAJOR;
    info.minor = TRELVO_VERSION_MINOR;
    info.revision = TRELVO_VERSION_REVISION;
    info.productName = QStringLiteral("Trelvo");
    return info;
}

// Errors met before the trace log exists (the version text) go to standard error.
class StderrErrors final : public ErrorReporter {
public:
    void report(const QString& caller, qint32 line, const AppError& error) override {
        QTextStream(stderr) << "Err: " << error.number << " (" << error.description
                            << ") Err: " << caller << ':' << line << Qt::endl;
    }
};

// Exit codes besides 0 (a normal stop).
constexpr int ExitRefused = 3;   // another copy runs on the same program folder
constexpr int ExitAbandoned = 4; // the start-up was given up (base choice, data files, Abort)
constexpr int ExitNoUser = 5;    // users are mandatory and no authorised user was chosen

// What the windowed program adds to the headless one: the dialogs, built before the
// program that uses them, and the windows, built on it before it starts.
struct Windows {
    WidgetDialogs dialogs;
    QtScreen screen;
    std::unique_ptr<WindowLook> look;
    std::unique_ptr<ProgressWindowView> progress;
    std::unique_ptr<MainWindowView> main;
    std::unique_ptr<SetupWindowView> setup;
    std::unique_ptr<AboutWindowView> about;
    std::unique_ptr<QtTrayIcon> tray;
    Program* shown = nullptr;

    void build(Program& program, MainWindow& procedures) {
        // First, so that it records the platform's own style and palette untouched.
        look = std::make_unique<WindowLook>(program.look.state);
        const double twips = screen.twipsPerPixel();
        progress = std::make_unique<ProgressWindowView>(program.frmMsg, twips);
        main = std::make_unique<MainWindowView>(program, procedures, twips);
        setup = std::make_unique<SetupWindowView>(program, main.get());
        about =
            std::make_unique<AboutWindowView>(program.frmAbout, program.about, twips, main.get());
        tray = std::make_unique<QtTrayIcon>(program.frmSysTray);
        program.standby.setTrayIcon(tray.get());
        shown = &program;
        QWidget* owner = main.get();
        dialogs.attach(
            program.paths, [owner] { return owner->isVisible() ? owner : nullptr; },
            [&program](bool before) { program.placement.AfficherMessageBoxOuInputBox(before); });
        program.logViewer.setChooser(&dialogs);
    }
    // Before the program they show goes.
    void destroy() {
        if (shown) {
            shown->standby.setTrayIcon(nullptr);
        }
        tray.reset();
        about.reset();
        setup.reset();
        main.reset();
        progress.reset();
        look.reset();
    }
};

// The trace lines on standard error, when asked for or under systemd's journal.
struct StderrTrace {
    std::unique_ptr<OffThreadLineWriter> writer;
    std::unique_ptr<StderrTraceMirror> mirror;

    explicit StderrTrace(bool asked) {
        const bool journal = StderrTraceMirror::stderrIsJournal();
        if (!asked && !journal) {
            return;
        }
        writer = std::make_unique<OffThreadLineWriter>(
            2, 10000,
            journal ? QByteArrayLiteral("<4>Warning: TraceLog: lines dropped on standard error: ")
                    : QByteArrayLiteral("Warning: TraceLog: lines dropped on standard error: "));
        mirror = std::make_unique<StderrTraceMirror>(*writer,
                                                     journal ? StderrTraceMirror::Format::Journal
                                                             : StderrTraceMirror::Format::Plain);
    }
};

// Runs the program: the whole start-up, then the relay until the user quits (with
// windows) or SIGTERM or SIGINT, then the unload. Only this process ends.
int runProgram(QCoreApplication& app, const LaunchOptions& options, const VersionInfo& version,
               Windows* windows) {
    const StderrTrace stderrTrace(options.logStderr); // outlives the program's log
    SystemdServiceManager serviceManager;
    ServiceNotifier service(serviceManager);
    SystemClock clock;
    QtEventPump events;
    LinuxHostInfo host;
    LinuxProcessControl processes;
    XdgDesktop desktop;
    SystemdPower power;
    FixedScreen fixedScreen;

    ProgramLaunch launch;
    launch.root = PathSpace::resolveRoot(options.root);
    launch.shortcut.executable = QCoreApplication::applicationFilePath();
    launch.shortcut.explicitRoot = options.root.isEmpty() ? QString() : launch.root;
    launch.version = version;
    Program program(launch,
                    ProgramPlatform{clock, events, host, processes, desktop, power,
                                    windows ? static_cast<Screen&>(windows->screen) : fixedScreen,
                                    [] { return std::make_unique<SocketTelnetConnection>(); },
                                    [] { return std::make_unique<LinuxUdpSocket>(); },
                                    windows ? &windows->dialogs : nullptr, nullptr});
    // The disk never holds up the event loop: datagrams are read while a batch of
    // trace lines is written.
    program.trace.writeInBackground();
    program.trace.setMirror(stderrTrace.mirror.get());
    const auto detachMirror = qScopeGuard([&program] { program.trace.setMirror(nullptr); });
    // The main window's procedures run without its widgets too (its alert timer).
    MainWindow procedures(program);
    if (windows) {
        windows->build(program, procedures);
    }
    const auto closeWindows = qScopeGuard([windows] {
        if (windows) {
            windows->destroy();
        }
    });

    bool stopRequested = false;
    int stopSignal = 0;
    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &app,
                     [&app, &program, &stopRequested, &stopSignal, &service](int signalNumber) {
                         service.stopping();
                         stopRequested = true;
                         stopSignal = signalNumber;
                         // A stop asked for by the system is a confirmed quit: passes and
                         // waits on the units end at once.
                         program.state.PbBQuitterEnCours = true;
                         app.exit(0);
                     });
    if (windows) {
        // The desktop's log-out ends the program as a signal does: no question.
        QObject::connect(qApp, &QGuiApplication::commitDataRequest, &app,
                         [&app, &program, &stopRequested](QSessionManager&) {
                             stopRequested = true;
                             program.state.PbBQuitterEnCours = true;
                             app.exit(0);
                         });
    }
    bool quitByUser = false;
    QObject::connect(&procedures, &MainWindow::unloadRequested, &app, [&app, &quitByUser] {
        quitByUser = true;
        app.exit(0);
    });

    FileInstanceLock instances(program.paths.toNative(program.state.PbSDossierApplication +
                                                      QStringLiteral("KZ3_Trelvo.lock")));
    Startup startup(program, instances);
    startup.setMainWindow(&procedures);
    startup.setStopRequested([&stopRequested] { return stopRequested; });
    const Startup::Outcome outcome = startup.run(options.stationSwitches.join(QLatin1Char(' ')));
    if (outcome == Startup::Outcome::NoUser) {
        Shutdown(program).Form_Unload(); // the settings window is loaded: a full unload
        return ExitNoUser;
    }
    if (outcome == Startup::Outcome::Aborted) {
        // Abort in a data-file error box: the program ends here, with its trace lines.
        program.trace.TraceLogForceNow(program.frmMainBis.ListeLogTemp);
        program.trace.TraceLogForceNow(program.frmSetup.ListeLog);
        return ExitAbandoned;
    }
    if (outcome != Startup::Outcome::Running) {
        // The settings window never loaded: the lines wait in the early buffer.
        program.trace.TraceLogForceNow(program.frmMainBis.ListeLogTemp);
        if (outcome == Startup::Outcome::Refused) {
            QTextStream(stderr) << "KZ3_Trelvo: another copy runs on " << program.paths.root()
                                << "; this one stops.\n";
            return ExitRefused;
        }
        return ExitAbandoned;
    }
    // The open player listeners, with the port each one got: a listener set to port 0
    // takes one of the system's choosing, which its sender reads here.
    for (int i = 0; i < UdpReception::NbListeners; ++i) {
        const UdpSocket& listener = *program.reception.SocketWrenchUDPIn[size_t(i)];
        if (listener.handle() != -1) {
            QTextStream(stdout) << "UDP listener " << i << " on "
                                << program.frmSetup.TexteUDPIPSource[size_t(i)].text() << ':'
                                << listener.localPort() << Qt::endl;
        }
    }
    QTextStream(stdout) << program.frmMain.Caption.text()
                        << (windows ? " (windows)" : " (headless)") << ", root "
                        << program.paths.root() << Qt::endl;
    // Listeners open, saved units logged in: the service is up.
    service.ready();
    if (!stopRequested) {
        app.exec();
    }
    if (!quitByUser) {
        const char* signalName = stopSignal != 0 ? sigabbrev_np(stopSignal) : nullptr;
        program.trace.line(stopSignal == 0
                               ? QStringLiteral("Application closed by the system (log-out)")
                               : QStringLiteral("Application closed by the system (SIG") +
                                     QString::fromLatin1(signalName ? signalName : "?") +
                                     QStringLiteral(")"));
    }
    Shutdown(program).Form_Unload();
    return 0;
}

// --test-mail and --check-config: the program's readers and mailer on the real
// platform, headless, without the start-up; exit 0 or 1.
int runOperation(const LaunchOptions& options, const VersionInfo& version) {
    QTextStream out(stdout);
    const QString root = PathSpace::resolveRoot(options.root);
    if (!QFileInfo(root).isDir()) {
        out << "KZ3_Trelvo: the root " << root << " does not exist" << Qt::endl;
        return 1;
    }
    SystemClock clock;
    QtEventPump events;
    LinuxHostInfo host;
    LinuxProcessControl processes;
    XdgDesktop desktop;
    SystemdPower power;
    FixedScreen screen;
    ProgramLaunch launch;
    launch.root = root;
    launch.shortcut.executable = QCoreApplication::applicationFilePath();
    launch.version = version;
    Program program(launch,
                    ProgramPlatform{clock, events, host, processes, desktop, power, screen,
                                    [] { return std::make_unique<SocketTelnetConnection>(); },
                                    [] { return std::make_unique<LinuxUdpSocket>(); }, nullptr,
                                    nullptr});
    const QString switches = options.stationSwitches.join(QLatin1Char(' '));
    if (options.testMail) {
        TestMailCommand command(program, out);
        return command.run(switches);
    }
    return ConfigurationCheck(program, out).run(switches);
}

// A desktop to open windows on: X11 or Wayland, or a platform named explicitly.
bool displayAvailable() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const LaunchOptions options = LaunchOptions::parse(arguments);
    const bool windowed = !options.headless && displayAvailable();
    std::unique_ptr<QCoreApplication> app;
    if (windowed && !options.help && !options.version && !options.testMail &&
        !options.checkConfig && options.error.isEmpty()) {
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("KZ3_Trelvo"));
    StderrErrors earlyErrors;
    const AppVersion version(buildVersion(), earlyErrors);
    const QString versionText = version.VersionApplication();
    QCoreApplication::setApplicationVersion(versionText);

    if (!options.error.isEmpty()) {
        QTextStream(stderr) << "KZ3_Trelvo: " << options.error << "\n\n" << LaunchOptions::usage();
        return 2;
    }
    if (options.help) {
        QTextStream(stdout) << LaunchOptions::usage();
        return 0;
    }
    if (options.version) {
        QTextStream(stdout) << versionText << "\n";
        return 0;
    }
    if (options.testMail || options.checkConfig) {
        return runOperation(options, buildVersion());
    }
    if (!windowed) {
        if (!options.headless) {
            QTextStream(stderr) << "KZ3_Trelvo: no display (DISPLAY and WAYLAND_DISPLAY are not "
                                   "set): running without windows\n";
        }
        return runProgram(*app, options, buildVersion(), nullptr);
    }
    // The standard buttons and the file dialogs speak French, as the program does.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qtTexts);
    }
    QApplication::setQuitOnLastWindowClosed(false); // the program ends by its own unload
    // The desktop ties the windows to the installed entry (trelvo.desktop) and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("trelvo"));
    const QIcon icon = QIcon::fromTheme(QStringLiteral("trelvo"));
    if (!icon.isNull()) {
        QApplication::setWindowIcon(icon);
    }
    Windows windows;
    return runProgram(*app, options, buildVersion(), &windows);
}
