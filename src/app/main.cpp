#include "BuildStamp.h"

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
#include "util/AppVersion.h"

#include <QCoreApplication>
#include <QTextStream>

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

// Runs without windows until SIGTERM or SIGINT. The full start-up (site, settings,
// listeners, sessions) joins here as it is built.
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
    ProgramState& state = program.state;
    state.PbDDateDemarrage = clock.localDateTime();
    state.PbBFrmSetupChargee = true;

    const QString versionText = program.appVersion.VersionApplication();
    program.trace.line(QStringLiteral("Ondelia: Trelvo - ") + versionText +
                       QStringLiteral(" (headless)"));
    QTextStream(stdout) << "Ondelia: Trelvo - " << versionText << " headless, root "
                        << program.paths.root() << Qt::endl;

    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &app,
                     [&app](int) { app.exit(0); });
    const int code = app.exec();

    program.trace.line(QStringLiteral("Ondelia: Trelvo - End"));
    program.trace.TraceLogForce(program.frmSetup.ListeLog);
    state.PbBFermetureApplication = true;
    state.PbBFrmSetupChargee = false;
    return code;
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
