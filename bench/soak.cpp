// A long run through the relay: a million messages (by default) to four simulated
// units, with the trace log on and its default batch; prints the resident memory
// every 100 000 delivered messages and checks that the log files were written.
//
//   bench_soak [messages] [rate per second]     default 1000000 at 10000/s
#include "HeadlessRig.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 total = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 1000000;
    const double rate = argc > 2 ? QString::fromLocal8Bit(argv[2]).toDouble() : 10000;
    constexpr int Units = 4;
    constexpr qint64 Step = 100000;

    rig::Simulator sim(Units);
    QTemporaryDir root;
    rig::writeSettings(root.path(), sim.ports(), 1);
    rig::Program program(root.path());
    if (!program.running() || program.listenerPorts().isEmpty()) {
        rig::print(QStringLiteral("the program did not start"));
        return 1;
    }
    const quint16 port = program.listenerPorts().first();
    QThread::sleep(2);
    qint64 offset = 0;
    (void)sim.lines(&offset);

    rig::Sender sender(port);
    qint64 delivered = 0;
    double firstRss = 0;
    double lastRss = 0;
    const qint64 start = rig::nowUs();
    for (qint64 sent = 0; sent < total;) {
        const qint64 chunkEnd = std::min(total, sent + Step);
        for (; sent < chunkEnd; ++sent) {
            rig::sleepUntilUs(start + qint64(double(sent) * 1e6 / rate));
            sender.send("<SD4:preset.name=S" + QByteArray::number(sent) +
                        "><NoSound4:" + QByteArray::number(sent % Units) + ">");
        }
        // Let the relay catch up (at most 10 s without progress), then look.
        qint64 quietSince = rig::nowUs();
        while (delivered < sent && rig::nowUs() - quietSince < 10000000) {
            QThread::msleep(50);
            for (const auto& line : sim.lines(&offset)) {
                if (line.second.startsWith("preset.name=S")) {
                    ++delivered;
                    quietSince = rig::nowUs();
                }
            }
        }
        const double rss = rig::memoryMb(program.pid(), "VmRSS:");
        firstRss = firstRss == 0 ? rss : firstRss;
        lastRss = rss;
        rig::print(QStringLiteral("%1 sent, %2 delivered: RSS %3 MB, peak %4 MB")
                       .arg(sent)
                       .arg(delivered)
                       .arg(rss, 0, 'f', 1)
                       .arg(rig::memoryMb(program.pid(), "VmHWM:"), 0, 'f', 1));
    }
    const int stopped = program.stop();

    qint64 logBytes = 0;
    int logFiles = 0;
    QByteArray lastLog;
    const QDir logs(root.path() + QStringLiteral("/c/AudioLog/Histo_KZ3_Trelvo"));
    for (const QFileInfo& file : logs.entryInfoList({QStringLiteral("*.Log")}, QDir::Files)) {
        logBytes += file.size();
        ++logFiles;
        QFile f(file.filePath());
        if (f.open(QIODevice::ReadOnly)) {
            f.seek(std::max<qint64>(0, file.size() - 65536));
            lastLog += f.readAll();
        }
    }
    const QByteArray lastCommand = "preset.name=S" + QByteArray::number(total - 1);
    rig::print(QStringLiteral("lost %1 of %2; RSS growth from the first 100 000 to the end: %3 % "
                              "(%4 -> %5 MB); stop exit code %6")
                   .arg(total - delivered)
                   .arg(total)
                   .arg(firstRss > 0 ? 100.0 * (lastRss - firstRss) / firstRss : 0, 0, 'f', 1)
                   .arg(firstRss, 0, 'f', 1)
                   .arg(lastRss, 0, 'f', 1)
                   .arg(stopped));
    rig::print(
        QStringLiteral("trace log: %1 file(s), %2 MB, last message logged: %3")
            .arg(logFiles)
            .arg(double(logBytes) / 1048576.0, 0, 'f', 1)
            .arg(lastLog.contains(lastCommand) ? QStringLiteral("yes") : QStringLiteral("NO")));
    return delivered == total && lastLog.contains(lastCommand) ? 0 : 1;
}
