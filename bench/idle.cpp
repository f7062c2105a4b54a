// What the headless program costs while nothing happens: its CPU time over a
// period, as a share of one core.
//
//   bench_idle [seconds]   both scenarios, 60 s each by default:
//     - four units logged in, ten listeners bound, no traffic;
//     - one unit refusing connections while 100 messages wait for it.
#include "HeadlessRig.h"
#include "RefusingPort.h"

#include <QCoreApplication>

namespace {

void measure(const QString& title, qint64 pid, int seconds) {
    const double before = rig::cpuSeconds(pid);
    const qint64 start = rig::nowUs();
    QThread::sleep(static_cast<unsigned long>(seconds));
    const double cpu = rig::cpuSeconds(pid) - before;
    const double wall = double(rig::nowUs() - start) / 1e6;
    rig::print(QStringLiteral("%1: CPU %2 s in %3 s = %4 % of one core; RSS %5 MB")
                   .arg(title)
                   .arg(cpu, 0, 'f', 2)
                   .arg(wall, 0, 'f', 1)
                   .arg(100.0 * cpu / wall, 0, 'f', 3)
                   .arg(rig::memoryMb(pid, "VmRSS:"), 0, 'f', 1));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 60;
    {
        rig::Simulator sim(4);
        QTemporaryDir root;
        rig::writeSettings(root.path(), sim.ports(), 10);
        rig::Program program(root.path());
        if (!program.running()) {
            rig::print(QStringLiteral("the program did not start"));
            return 1;
        }
        QThread::sleep(2); // logins done
        measure(QStringLiteral("idle, four units logged in, ten listeners"), program.pid(),
                seconds);
        program.stop();
    }
    {
        const RefusingPort refused; // held, never listening: connections are refused
        QTemporaryDir root;
        rig::writeSettings(root.path(), {refused.port()}, 1);
        rig::Program program(root.path());
        if (!program.running() || program.listenerPorts().isEmpty()) {
            rig::print(QStringLiteral("the program did not start"));
            return 1;
        }
        rig::Sender sender(program.listenerPorts().first());
        for (int i = 0; i < 100; ++i) {
            sender.send("<SD4:preset.name=WAIT" + QByteArray::number(i) + "><NoSound4:0>");
        }
        QThread::sleep(2);
        measure(QStringLiteral("one unit refusing connections, 100 messages waiting"),
                program.pid(), seconds);
        program.stop();
    }
    return 0;
}
