#pragma once

#include <QtGlobal>

class EventPump;
class ProcessControl;
class UptimeCounter;
struct ProgramPhases;

// The program's waits. Both block in the event loop between their checks, so that
// timers, sockets and windows keep running and a wait costs no processor time.
class Waits {
public:
    Waits(const ProgramPhases& state, UptimeCounter& uptime, EventPump& events,
          ProcessControl& processes);

    // Waits until more than ms milliseconds have passed, or at once when the program
    // is closing (checked before each round: a negative duration ends after the first
    // check).
    void WaitOnDuration(qint32 ms);

    // Waits for the end of a process and returns its exit code (0 when it is unknown
    // or the process cannot be opened). limitMs < 0: blocks without running events
    // until the process ends; 0: runs events, no time limit; > 0: runs events until
    // the process ends or more than limitMs have passed, then 259 (still active).
    qint32 AttenteFinProcessusExterne(qint32 pid, qint32 limitMs);

private:
    const ProgramPhases& m_state;
    UptimeCounter& m_uptime;
    EventPump& m_events;
    ProcessControl& m_processes;
};
