#include "system/Waits.h"

#include "base/UptimeCounter.h"
#include "model/ProgramPhases.h"
#include "platform/EventPump.h"
#include "platform/ProcessControl.h"

#include <QSocketNotifier>

#include <memory>

namespace {

// Without an exit notifier the wait wakes this often to look at the process again.
constexpr qint64 ProcessPollMs = 50;
// With one, a wait without limit still looks again now and then.
constexpr qint64 ProcessRecheckMs = 1000;

} // namespace

Waits::Waits(const ProgramPhases& state, UptimeCounter& uptime, EventPump& events,
             ProcessControl& processes)
    : m_state(state), m_uptime(uptime), m_events(events), m_processes(processes) {}

void Waits::WaitOnDuration(qint32 ms) {
    const qint64 start = m_uptime.TickCountMilliSec();
    for (;;) {
        if (m_state.PbBFermetureApplication || m_state.PbBQuitterEnCours) {
            return;
        }
        const qint64 elapsed = qAbs(m_uptime.TickCountMilliSec() - start);
        if (elapsed > ms) {
            return;
        }
        // The wait is over once strictly more than ms have passed.
        m_events.waitForEvents(static_cast<qint64>(ms) - elapsed + 1);
    }
}

qint32 Waits::AttenteFinProcessusExterne(qint32 pid, qint32 limitMs) {
    const std::unique_ptr<ProcessHandle> process = m_processes.open(pid);
    if (!process) {
        return 0;
    }
    qint32 code = process->exitCode();
    const qint64 start = m_uptime.TickCountMilliSec();
    if (code != ProcessHandle::StillActive) {
        return code;
    }
    if (limitMs < 0) {
        // Everything stops until the process has ended.
        process->waitForExit();
        return process->exitCode();
    }

    // The notifier wakes the event loop as soon as the process ends.
    std::unique_ptr<QSocketNotifier> onExit;
    if (process->exitNotifier() >= 0) {
        onExit = std::make_unique<QSocketNotifier>(process->exitNotifier(), QSocketNotifier::Read);
    }
    const qint64 slice = onExit ? ProcessRecheckMs : ProcessPollMs;
    while (code == ProcessHandle::StillActive) {
        code = process->exitCode();
        if (code != ProcessHandle::StillActive) {
            break;
        }
        qint64 wait = slice;
        if (limitMs > 0) {
            const qint64 elapsed = qAbs(m_uptime.TickCountMilliSec() - start);
            if (elapsed > limitMs) {
                break;
            }
            wait = qMin(wait, static_cast<qint64>(limitMs) - elapsed + 1);
        }
        m_events.waitForEvents(wait);
    }
    return code;
}
