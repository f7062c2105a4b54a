// Writes 100 000 trace lines through the real trace log, with the default batch of
// 200 lines, into a temporary root, and prints the time taken and the file size.
#include "base/UptimeCounter.h"
#include "log/DailyTraceLog.h"
#include "log/ErrorReport.h"
#include "model/Fields.h"
#include "model/ProgramState.h"
#include "platform/PathSpace.h"
#include "platform/QtEventPump.h"
#include "platform/SystemClock.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace {
class BenchFacts final : public TraceBannerFacts {
public:
    QString version() override { return QStringLiteral("bench"); }
    QString executable() override { return QStringLiteral("C:\\Mirevox\\Ondelia\\KZ3_Trelvo.exe"); }
    QString productName() override { return QStringLiteral("Trelvo"); }
    QString computerName() override { return QStringLiteral("BENCH"); }
    QString themeActiveValue() override { return QString(); }
    QString operatingSystem() override { return QStringLiteral("Linux"); }
};
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int lines = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;

    QTemporaryDir root;
    ProgramState state;
    state.PbBFrmSetupChargee = true;
    SystemClock clock;
    QtEventPump events;
    UptimeCounter uptime(clock);
    PathSpace paths(root.path());
    ListField temp, log, incidents;
    TextField batch(QStringLiteral("200"));
    CheckField indicator;
    BenchFacts facts;
    DailyTraceLog trace(state, clock, uptime, paths,
                        TraceLogLists{temp, log, batch, incidents, indicator}, facts);
    ErrorReport errors(state, trace, clock, events);
    trace.setErrorReporter(&errors);

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < lines; ++i) {
        trace.line(
            QStringLiteral(
                "UDP: SocketWrenchUDPIn_OnRead: Data Received: <RDS:PS><Msg:MORNING> |Index: ") +
            QString::number(i));
    }
    trace.TraceLogForce(log);
    const qint64 ms = timer.elapsed();

    qint64 bytes = 0;
    QDirIterator it(root.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        bytes += QFileInfo(it.next()).size();
    }
    QTextStream(stdout) << "trace log: " << lines << " lines, batch 200: " << ms << " ms ("
                        << (ms > 0 ? lines * 1000 / ms : lines) << " lines/s), " << bytes
                        << " bytes written\n";
    return 0;
}
