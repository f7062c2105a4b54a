// The relay under the faults a station meets: unit 0 is a simulator with one fault,
// unit 1 a healthy one; the headless program relays messages to both, alternately,
// at a player's pace. For each scenario: what each unit received (lost, duplicated,
// out of order by first arrival), what the program gave up or dropped, its log and
// its peak memory.
//
//     bench_faults [messages] [rate] [title part]
//                  (default 2000 messages, 400 a second, every scenario)
// With BENCH_KEEP_ROOT set, each scenario's root (settings, trace log) is kept and
// its path printed.
#include "HeadlessRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>

namespace {

struct Scenario {
    const char* title;
    QStringList faults;
    int settleSeconds;          // how long the faulty unit may take to catch up
    bool logOnFullDisk = false; // today's trace log file refuses every write (/dev/full)
};

struct Arrivals {
    int delivered = 0; // distinct messages
    int duplicates = 0;
    int orderViolations = 0; // first arrivals out of order
};

Arrivals arrivalsOf(const rig::Simulator& sim, const QByteArray& prefix) {
    Arrivals a;
    QSet<qint64> seen;
    qint64 last = -1;
    qint64 offset = 0;
    for (const auto& line : sim.lines(&offset)) {
        if (!line.second.startsWith(prefix)) {
            continue;
        }
        const qint64 n = line.second.mid(prefix.size()).toLongLong();
        if (seen.contains(n)) {
            ++a.duplicates;
            continue;
        }
        seen.insert(n);
        ++a.delivered;
        a.orderViolations += n < last ? 1 : 0;
        last = n;
    }
    return a;
}

QByteArray logOf(const QString& root) {
    QByteArray text;
    const QDir dir(root + QStringLiteral("/c/AudioLog/Histo_KZ3_Trelvo"));
    // A file that stands for a full disk is a link to /dev/full, which reads forever.
    for (const QString& name :
         dir.entryList({QStringLiteral("*.Log")}, QDir::Files | QDir::NoSymLinks)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly)) {
            text += f.readAll();
        }
    }
    return text;
}

void run(const Scenario& scenario, int messages, double rate) {
    rig::Simulator faulty(1, scenario.faults);
    rig::Simulator healthy(1);
    QTemporaryDir root;
    root.setAutoRemove(!qEnvironmentVariableIsSet("BENCH_KEEP_ROOT"));
    rig::writeSettings(root.path(), {faulty.ports().value(0), healthy.ports().value(0)}, 1);
    if (scenario.logOnFullDisk) {
        const QString logs = root.path() + QStringLiteral("/c/AudioLog/Histo_KZ3_Trelvo/");
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
        if (!QDir().mkpath(logs) ||
            !QFile::link(QStringLiteral("/dev/full"), logs + today + QStringLiteral(".Log"))) {
            rig::print(QStringLiteral("  the full disk could not be set up"));
            return;
        }
    }
    rig::Program program(root.path());
    rig::print(QString::fromLatin1(scenario.title));
    if (!root.autoRemove()) {
        rig::print(QStringLiteral("  root kept: ") + root.path());
    }
    if (!program.running() || program.listenerPorts().isEmpty()) {
        rig::print(QStringLiteral("  the program did not start"));
        return;
    }
    QThread::msleep(1000); // the logins at start
    rig::Sender sender(program.listenerPorts().first());
    const double cpuBefore = rig::cpuSeconds(program.pid());
    const qint64 start = rig::nowUs();
    const int perUnit = messages / 2;
    for (int i = 0; i < messages; ++i) {
        rig::sleepUntilUs(start + qint64(double(i) * 1e6 / rate));
        const QByteArray n = QByteArray::number(i / 2);
        sender.send(i % 2 == 0 ? "<SD4:preset.name=A" + n + "><NoSound4:0>"
                               : "<SD4:preset.name=B" + n + "><NoSound4:1>");
    }
    QElapsedTimer waiting;
    waiting.start();
    while (waiting.elapsed() < scenario.settleSeconds * 1000 &&
           (arrivalsOf(healthy, "preset.name=B").delivered < perUnit ||
            arrivalsOf(faulty, "preset.name=A").delivered < perUnit)) {
        QThread::msleep(200);
    }
    const double cpu = rig::cpuSeconds(program.pid()) - cpuBefore;
    const double peakMb = rig::memoryMb(program.pid(), "VmHWM:");
    QElapsedTimer stopping;
    stopping.start();
    const int status = program.stop();
    const qint64 stopMs = stopping.elapsed();
    const QByteArray log = logOf(root.path());
    const Arrivals b = arrivalsOf(healthy, "preset.name=B");
    const Arrivals a = arrivalsOf(faulty, "preset.name=A");
    const auto describe = [perUnit](const Arrivals& x) {
        return QStringLiteral("delivered %1 of %2 (lost %3, duplicates %4, order violations %5)")
            .arg(x.delivered)
            .arg(perUnit)
            .arg(perUnit - x.delivered)
            .arg(x.duplicates)
            .arg(x.orderViolations);
    };
    rig::print(QStringLiteral("  unit 1 (healthy): ") + describe(b));
    rig::print(QStringLiteral("  unit 0 (faulty):  ") + describe(a));
    rig::print(QStringLiteral("  given up %1, dropped from a full hold %2, taken as delivered "
                              "unanswered %3; log %4 kB; peak RSS %5 MB; CPU %6 s; stop %7 ms "
                              "after SIGTERM (exit %8)")
                   .arg(log.count("times on this message: given up"))
                   .arg(log.count("messages held: the oldest are dropped"))
                   .arg(log.count("taken as delivered"))
                   .arg(log.size() / 1024)
                   .arg(peakMb, 0, 'f', 1)
                   .arg(cpu, 0, 'f', 2)
                   .arg(stopMs)
                   .arg(status));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const int messages = args.value(0, QStringLiteral("2000")).toInt();
    const double rate = args.value(1, QStringLiteral("400")).toDouble();
    const Scenario scenarios[] = {
        {"drops every 50 lines, answers 20 ms late", {"--drop-after", "50", "--delay", "20"}, 60},
        {"refuses connections for 20 s, then accepts", {"--refuse-for", "20000"}, 75},
        {"resets every connection", {"--reset"}, 10},
        {"login lapses every 10 lines", {"--login-lapses", "10"}, 75},
        {"answers one command in two", {"--answer-every", "2"}, 30},
        {"floods lines", {"--flood"}, 30},
        {"300 MiB without a line end", {"--no-line-ends", "300"}, 30},
        {"no fault, the trace log's disk is full", {}, 30, true},
    };
    const QString only = args.value(2);
    for (const Scenario& scenario : scenarios) {
        if (!QString::fromLatin1(scenario.title).contains(only)) {
            continue;
        }
        run(scenario, messages, rate);
    }
    return 0;
}
