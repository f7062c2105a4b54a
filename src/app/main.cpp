#include "BuildStamp.h"

#include "log/DailyTraceLog.h"
#include "log/ErrorReport.h"
#include "platform/PathSpace.h"
#include "platform/QtEventPump.h"
#include "platform/SystemClock.h"
#include "platform/TerminationSignals.h"
#include "shell/Fields.h"
#include "shell/LaunchOptions.h"
#include "shell/ProgramState.h"
#include "util/AppVersion.h"
#include "util/UptimeCounter.h"

#include <QCoreApplication>
#include <QSysInfo>
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
        QTextStream(stderr) << "Err: " << error.number << " (" << error.description << ") Err: "
                            << caller << ':' << line << Qt::endl;
    }
};

class BuildFacts final : public TraceBannerFacts {
public:
    explicit BuildFacts(QString version) : m_version(std::move(version)) {}
    QString version() override { return m_version; }
    QString executable() override { return PathSpace::programFolder() + QStringLiteral("KZ3_Trelvo.exe"); }
    QString productName() override { return QStringLiteral("Trelvo"); }
    QString computerName() override { return QSysInfo::machineHostName(); }
    QString themeActiveValue() override { return QString(); }
    QString operatingSystem() override { return QSysInfo::prettyProductName(); }

private:
    QString m_version;
};

// Runs without windows until SIGTERM or SIGINT. The full start-up (site, settings,
// listeners, sessions) joins here as it is built.
int runHeadless(QCoreApplication& app, const LaunchOptions& options, const QString& version) {
    ProgramState state;
    SystemClock clock;
    QtEventPump events;
    UptimeCounter uptime(clock);
    PathSpace paths(PathSpace::resolveRoot(options.root));
    ListField listeLogTemp, listeLog, listeIncidents;
    TextField texteLogNbMaxlignes(QStringLiteral("200"));
    CheckField checkIncidents;
    BuildFacts facts(version);
    DailyTraceLog trace(state, clock, uptime, paths,
                        TraceLogLists{listeLogTemp, listeLog, texteLogNbMaxlignes, listeIncidents,
                                      checkIncidents},
                        facts);
    ErrorReport errors(state, trace, clock, events);
    trace.setErrorReporter(&errors);
    state.PbDDateDemarrage = clock.localDateTime();
    state.PbBFrmSetupChargee = true;

    trace.line(QStringLiteral("Ondelia: Trelvo - ") + version + QStringLiteral(" (headless)"));
    QTextStream(stdout) << "Ondelia: Trelvo - " << version << " headless, root " << paths.root()
                        << Qt::endl;

    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &app,
                     [&app](int) { app.exit(0); });
    const int code = app.exec();

    trace.line(QStringLiteral("Ondelia: Trelvo - End"));
    trace.TraceLogForce(listeLog);
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
    return runHeadless(app, options, versionText);
}
