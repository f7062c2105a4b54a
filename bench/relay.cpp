// The relay under load: datagrams sent at a given rate (or as one burst) to the
// headless program's listener 0, addressed in turn to four simulated units; prints
// what arrived, in which order, how late, and what it cost. The same load relayed
// by socat (UDP to TCP, no processing) gives the floor.
//
//   bench_relay                       both scenarios: 2000/s for 10 s, a burst of 10 000
//   bench_relay --rate R --seconds S  one paced scenario
//   bench_relay --burst N             one burst
//   ... --rounds K                    each scenario K times, the relays in turn, and
//                                     the median of the CPU figures
// With BENCH_KEEP_ROOT set, the program's root (its settings and trace log) is kept
// and its path printed, to read where the time went.
#include "HeadlessRig.h"
#include "ListeningPort.h"

#include <QCoreApplication>

#include <cmath>
#include <functional>

namespace {

struct Figures {
    qint64 sent = 0;
    qint64 delivered = 0;
    qint64 duplicates = 0;
    qint64 orderViolations = 0;
    double p50Ms = 0;
    double p99Ms = 0;
    double maxMs = 0;
    double cpuPerMessageUs = 0;
    double peakRssMb = 0;
};

struct Load {
    qint64 count = 0;
    double rate = 0; // datagrams per second; 0: as fast as the sender can
};

// Message i for unit i % units, and how to read its number back from a line. Raw
// commands: a newer "rds.ps=" replaces an older one still waiting for its unit, which
// is right on air but would count here as a loss.
QByteArray commandOf(qint64 i) {
    return "preset.name=M" + QByteArray::number(i).rightJustified(8, '0');
}

std::optional<qint64> numberOf(const QByteArray& line) {
    static const QByteArray prefix = "preset.name=M";
    if (!line.startsWith(prefix)) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 n = line.mid(prefix.size()).toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

// Sends the load, then reads the simulator's record until everything arrived or
// nothing more came for 3 s.
Figures run(rig::Simulator& sim, qint64 pid, quint16 port, const Load& load, int units,
            const std::function<QByteArray(qint64)>& datagramOf) {
    Figures f;
    std::vector<qint64> sentAt(size_t(load.count), 0);
    std::vector<qint64> arrivedAt(size_t(load.count), 0);
    std::vector<qint64> lastOfUnit(size_t(units), -1);
    qint64 offset = 0;
    (void)sim.lines(&offset); // logins and anything before the load
    const double cpuBefore = rig::cpuSeconds(pid);

    rig::Sender sender(port);
    const qint64 start = rig::nowUs();
    for (qint64 i = 0; i < load.count; ++i) {
        if (load.rate > 0) {
            rig::sleepUntilUs(start + qint64(double(i) * 1e6 / load.rate));
        }
        sentAt[size_t(i)] = rig::nowUs();
        sender.send(datagramOf(i));
    }
    f.sent = load.count;

    qint64 quietSince = rig::nowUs();
    while (f.delivered < f.sent && rig::nowUs() - quietSince < 3000000) {
        QThread::msleep(20);
        for (const auto& [at, line] : sim.lines(&offset)) {
            const std::optional<qint64> n = numberOf(line);
            if (!n || *n < 0 || *n >= load.count) {
                continue;
            }
            quietSince = rig::nowUs();
            if (arrivedAt[size_t(*n)] != 0) {
                ++f.duplicates;
                continue;
            }
            arrivedAt[size_t(*n)] = at;
            ++f.delivered;
            qint64& last = lastOfUnit[size_t(*n % units)];
            if (*n < last) {
                ++f.orderViolations;
            }
            last = std::max(last, *n);
        }
    }
    const double cpuAfter = rig::cpuSeconds(pid);
    f.cpuPerMessageUs = (cpuAfter - cpuBefore) * 1e6 / double(std::max<qint64>(1, f.delivered));
    f.peakRssMb = rig::memoryMb(pid, "VmHWM:");

    std::vector<double> latencies;
    for (size_t i = 0; i < sentAt.size(); ++i) {
        if (arrivedAt[i] != 0) {
            latencies.push_back(double(arrivedAt[i] - sentAt[i]) / 1000.0);
        }
    }
    std::sort(latencies.begin(), latencies.end());
    f.p50Ms = rig::percentile(latencies, 50);
    f.p99Ms = rig::percentile(latencies, 99);
    f.maxMs = latencies.empty() ? 0 : latencies.back();
    return f;
}

bool waitForLogins(rig::Simulator& sim, int units) {
    for (int i = 0; i < 200; ++i) {
        qint64 offset = 0;
        int logins = 0;
        for (const auto& line : sim.lines(&offset)) {
            logins += line.second.startsWith("login ") ? 1 : 0;
        }
        if (logins >= units) {
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

std::optional<Figures> throughProgram(const Load& load) {
    constexpr int Units = 4;
    rig::Simulator sim(Units);
    QTemporaryDir root;
    root.setAutoRemove(!qEnvironmentVariableIsSet("BENCH_KEEP_ROOT"));
    if (!root.autoRemove()) {
        rig::print(QStringLiteral("  root kept: ") + root.path());
    }
    rig::writeSettings(root.path(), sim.ports(), 1);
    rig::Program program(root.path());
    if (!program.running() || program.listenerPorts().isEmpty() || !waitForLogins(sim, Units)) {
        rig::print(QStringLiteral("  the program did not start or log its units in"));
        return std::nullopt;
    }
    const quint16 port = program.listenerPorts().first();
    const Figures f = run(sim, program.pid(), port, load, Units, [](qint64 i) {
        return "<SD4:" + commandOf(i) + "><NoSound4:" + QByteArray::number(i % Units) + ">";
    });
    if (program.stop() != 0) {
        rig::print(QStringLiteral("  the program did not stop cleanly"));
    }
    return f;
}

std::optional<Figures> throughSocat(const Load& load) {
    rig::Simulator sim(1);
    // socat binds a port of the system's choosing; its socket tells which.
    rig::Child socat(QStringLiteral("socat"),
                     {QStringLiteral("-u"),
                      QStringLiteral("UDP-RECV:0,bind=127.0.0.1,rcvbuf=8388608"),
                      QStringLiteral("TCP:127.0.0.1:%1").arg(sim.ports().value(0))});
    const quint16 port = socat.pid() > 0 ? listeningPort(socat.pid(), ListeningTable::Udp) : 0;
    if (port == 0) {
        rig::print(QStringLiteral("  socat did not start (apt install socat)"));
        return std::nullopt;
    }
    return run(sim, socat.pid(), port, load, 1, [](qint64 i) { return commandOf(i) + "\r\n"; });
}

std::optional<Figures> throughToolkit(const Load& load) {
    rig::Simulator sim(1);
    rig::Child relay(QStringLiteral(TOOLKIT_RELAY_PATH), {QString::number(sim.ports().value(0))});
    const std::optional<QRegularExpressionMatch> listening =
        relay.waitForOutput(QRegularExpression(QStringLiteral("listening on [^:]+:(\\d+)")));
    if (!listening) {
        rig::print(QStringLiteral("  the toolkit relay did not start"));
        return std::nullopt;
    }
    QThread::msleep(200); // its login
    return run(sim, relay.pid(), quint16(listening->captured(1).toUShort()), load, 1,
               [](qint64 i) { return "<SD4:" + commandOf(i) + "><NoSound4:0>"; });
}

QString describe(const char* who, const Figures& f) {
    return QStringLiteral("  %1 sent %2, delivered %3 (lost %4, duplicates %5, order violations "
                          "%6); latency p50 %7 ms, p99 %8 ms, max %9 ms; CPU per message %10 µs; "
                          "peak RSS %11 MB")
        .arg(QLatin1String(who))
        .arg(f.sent)
        .arg(f.delivered)
        .arg(f.sent - f.delivered)
        .arg(f.duplicates)
        .arg(f.orderViolations)
        .arg(f.p50Ms, 0, 'f', 1)
        .arg(f.p99Ms, 0, 'f', 1)
        .arg(f.maxMs, 0, 'f', 1)
        .arg(f.cpuPerMessageUs, 0, 'f', 1)
        .arg(f.peakRssMb, 0, 'f', 1);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The three relays in turn, round after round, so that what else the machine does
// weighs on all three alike; with more than one round, the median of each figure.
void scenario(const QString& title, const Load& load, int rounds) {
    rig::print(title);
    std::vector<double> ourCpu, socatCpu, toolkitCpu, toolkitRatio, socatRatio;
    for (int round = 1; round <= rounds; ++round) {
        if (rounds > 1) {
            rig::print(QStringLiteral(" round %1 of %2").arg(round).arg(rounds));
        }
        const std::optional<Figures> ours = throughProgram(load);
        const std::optional<Figures> floor = throughSocat(load);
        const std::optional<Figures> toolkit = throughToolkit(load);
        if (ours) {
            rig::print(describe("Trelvo:", *ours));
            ourCpu.push_back(ours->cpuPerMessageUs);
        }
        if (floor) {
            rig::print(describe("socat: ", *floor));
            socatCpu.push_back(floor->cpuPerMessageUs);
        }
        if (toolkit) {
            rig::print(describe("toolkit:", *toolkit));
            toolkitCpu.push_back(toolkit->cpuPerMessageUs);
        }
        if (ours && toolkit && toolkit->cpuPerMessageUs > 0) {
            toolkitRatio.push_back(ours->cpuPerMessageUs / toolkit->cpuPerMessageUs);
            rig::print(QStringLiteral("  ratio to the toolkit relay: CPU per message %1")
                           .arg(toolkitRatio.back(), 0, 'f', 2));
        }
        if (ours && floor && floor->p50Ms > 0 && floor->cpuPerMessageUs > 0) {
            socatRatio.push_back(ours->cpuPerMessageUs / floor->cpuPerMessageUs);
            rig::print(QStringLiteral("  ratios to socat: p50 latency %1, CPU per message %2")
                           .arg(ours->p50Ms / floor->p50Ms, 0, 'f', 1)
                           .arg(socatRatio.back(), 0, 'f', 1));
        }
    }
    if (rounds > 1) {
        rig::print(QStringLiteral(" median of %1 rounds: CPU per message Trelvo %2 µs, toolkit "
                                  "%3 µs, socat %4 µs; ratio to the toolkit relay %5, to socat %6")
                       .arg(rounds)
                       .arg(median(ourCpu), 0, 'f', 1)
                       .arg(median(toolkitCpu), 0, 'f', 1)
                       .arg(median(socatCpu), 0, 'f', 1)
                       .arg(median(toolkitRatio), 0, 'f', 2)
                       .arg(median(socatRatio), 0, 'f', 1));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const auto value = [&args](const char* name, double fallback) {
        const qsizetype i = args.indexOf(QLatin1String(name));
        return i >= 0 && i + 1 < args.size() ? args.at(i + 1).toDouble() : fallback;
    };
    const int rounds = qMax(1, int(value("--rounds", 1)));
    if (args.contains(QStringLiteral("--burst"))) {
        const qint64 n = qint64(value("--burst", 10000));
        scenario(QStringLiteral("burst of %1 datagrams").arg(n), Load{n, 0}, rounds);
    } else if (args.contains(QStringLiteral("--rate"))) {
        const double rate = value("--rate", 2000);
        const double seconds = value("--seconds", 10);
        scenario(QStringLiteral("%1 datagrams/s for %2 s").arg(rate).arg(seconds),
                 Load{qint64(rate * seconds), rate}, rounds);
    } else {
        scenario(QStringLiteral("2000 datagrams/s for 10 s"), Load{20000, 2000}, rounds);
        scenario(QStringLiteral("burst of 10000 datagrams"), Load{10000, 0}, rounds);
    }
    return 0;
}
