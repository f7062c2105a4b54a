#include "BuildStamp.h"

#include "base/AppVersion.h"
#include "platform/InstanceLock.h"
#include "platform/LinuxHostInfo.h"
#include "platform/LinuxProcessControl.h"
#include "platform/PathSpace.h"
#include "platform/QtEventPump.h"
#include "platform/QtUdpSocket.h"
#include "platform/SocketTelnetConnection.h"
#include "platform/SystemClock.h"
#include "platform/SystemdPower.h"
#include "platform/TerminationSignals.h"
#include "platform/XdgDesktop.h"
#include "shell/LaunchOptions.h"
#include "shell/Program.h"
#include "shell/Shutdown.h"
#include "shell/Startup.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstring>

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
constexpr int ExitAbandoned = 4; // the start-up was given up (base choice, data files)

// Runs without windows: the whole start-up, then the relay until SIGTERM or SIGINT,
// then the unload. Only this process ends.
int runHeadless(QCoreApplication& app, const LaunchOptions& options, const VersionInfo& version) {
    SystemClock clock;
    QtEventPump events;
    LinuxHostInfo host;
    LinuxProcessControl processes;
    XdgDesktop desktop;
    SystemdPower power;

    ProgramLaunch launch;
    launch.root = PathSpace::resolveRoot(options.root);
    launch.shortcut.executable = QCoreApplication::applicationFilePath();
    launch.shortcut.explicitRoot = options.root.isEmpty() ? QString() : launch.root;
    launch.version = version;
    Program program(
        launch, ProgramPlatform{clock, events, host, processes, desktop, power,
                                [] { return std::make_unique<SocketTelnetConnection>(); },
                                [] { return std::make_unique<QtUdpSocket>(); }, nullptr, nullptr});
    // The disk never holds up the event loop: datagrams are read while a batch of
    // trace lines is written.
    program.trace.writeInBackground();

    bool stopRequested = false;
    int stopSignal = 0;
    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &app,
                     [&app, &program, &stopRequested, &stopSignal](int signalNumber) {
                         stopRequested = true;
                         stopSignal = signalNumber;
                         // A stop asked for by the system is a confirmed quit: passes and
                         // waits on the units end at once.
                         program.state.PbBQuitterEnCours = true;
                         app.exit(0);
                     });

    FileInstanceLock instances(program.paths.toNative(program.state.PbSDossierApplication +
                                                      QStringLiteral("KZ3_Trelvo.lock")));
    Startup startup(program, instances);
    startup.setStopRequested([&stopRequested] { return stopRequested; });
    const Startup::Outcome outcome = startup.run(options.stationSwitches.join(QLatin1Char(' ')));
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
    QTextStream(stdout) << program.frmMain.Caption.text() << " (headless), root "
                        << program.paths.root() << Qt::endl;
    if (!stopRequested) {
        app.exec();
    }
    const char* signalName = stopSignal != 0 ? sigabbrev_np(stopSignal) : nullptr;
    program.trace.line(QStringLiteral("Application closed by the system (SIG") +
                       QString::fromLatin1(signalName ? signalName : "?") + QStringLiteral(")"));
    Shutdown(program).Form_Unload();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("KZ3_Trelvo"));
    StderrErrors earlyErrors;
    const AppVersion version(buildVersion(), earlyErrors);
    const QString versionText = version.VersionApplication();
    QCoreApplication::setApplicationVersion(versionText);

    const LaunchOptions options = LaunchOptions::parse(app.arguments().mid(1));
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
    // Until the windows exist, every start runs the headless program.
    return runHeadless(app, options, buildVersion());
}
