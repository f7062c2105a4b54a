// CPU cost of waiting: a unit whose host refuses connections is logged in again and
// again for a while; prints the CPU time used as a share of one core.
#include "RefusingPort.h"
#include "platform/LinuxHostInfo.h"
#include "platform/LinuxProcessControl.h"
#include "platform/LinuxUdpSocket.h"
#include "platform/QtEventPump.h"
#include "platform/Screen.h"
#include "platform/SocketTelnetConnection.h"
#include "platform/SystemClock.h"
#include "platform/SystemdPower.h"
#include "platform/XdgDesktop.h"
#include "shell/Program.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

namespace {
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10;

    const RefusingPort refusing; // held, never listening: connections are refused
    const quint16 port = refusing.port();

    QTemporaryDir root;
    SystemClock clock;
    QtEventPump events;
    LinuxHostInfo host;
    LinuxProcessControl processes;
    XdgDesktop desktop;
    SystemdPower power;
    FixedScreen screen;
    ProgramLaunch launch;
    launch.root = root.path();
    Program program(launch,
                    ProgramPlatform{clock, events, host, processes, desktop, power, screen,
                                    [] { return std::make_unique<SocketTelnetConnection>(); },
                                    [] { return std::make_unique<LinuxUdpSocket>(); }, nullptr,
                                    nullptr});
    program.paths.addMount(PathSpace::startupFolder(), root.path() + QStringLiteral("/autostart"));
    program.state.PbBFrmSetupChargee = true;
    program.frmSetup.TexteSound4IP[0].setText(QStringLiteral("127.0.0.1"));
    program.frmSetup.TexteSound4Port[0].setText(QString::number(port));
    program.frmSetup.TexteSound4User[0].setText(QStringLiteral("admin"));

    QElapsedTimer wall;
    wall.start();
    const double cpuStart = cpuSeconds();
    int attempts = 0;
    while (wall.elapsed() < seconds * 1000LL) {
        program.sessions.CommandSound4Login_Click(0);
        ++attempts;
    }
    const double cpu = cpuSeconds() - cpuStart;
    const double share = 100.0 * cpu / (double(wall.elapsed()) / 1000.0);
    QTextStream(stdout) << "refused unit: " << attempts << " login attempts in "
                        << double(wall.elapsed()) / 1000.0 << " s, CPU " << cpu << " s = " << share
                        << "% of one core\n";
    return 0;
}
