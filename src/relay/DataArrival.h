#pragma once

#include "relay/UnitHold.h"
#include "sound4/AwaitedAnswers.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <deque>

class ErrorReporter;
class EventPump;
class FrmSetup;
class PlayerQueues;
class Sound4Link;
class Sound4Receiver;
class Sound4Sessions;
class TraceSink;
class UptimeCounter;
struct ProgramState;

// The player relay's dispatcher: a pass drains the ten queues of received player
// messages, in listener order, and hands each message to UDPDataArrival, which sends
// the command it carries to the addressed Sound4 unit. The first pass after a quiet
// moment runs as soon as events do, the ones that follow every 100 ms.
//
// A unit that is down holds back no other unit. A message whose send finds the
// session dropped goes into that unit's hold and the unit is logged in once;
// while it stays down, its later messages join the hold (in order) and the other
// units' messages go on. It is tried again at the 30 s reconnection, not in a
// loop, and once its session is back its held messages leave first, in order.
// Each message written stays "in flight" until the unit's final answer to it (at
// most the unit's window of them; the rest wait in the hold), and goes back to the
// head of the hold, in order, when the session is lost first (the unit may then see
// it twice). What the hold keeps is said in UnitHold.
class DataArrival final : public QObject {
    Q_OBJECT

public:
    // A message the unit has not answered this long after it was written counts as
    // delivered (a unit that reads and never answers must not stall its messages).
    static constexpr qint64 AnswerTimeoutMs = 10000;
    // A message the unit dropped the session on this many times is given up: a unit
    // that always drops on it must not hold back the messages behind it for ever.
    static constexpr int MaxResends = 3;
    // How many player messages may be written and unanswered per unit; the rest
    // wait in its hold. The window opens by one with each answer, up to MaxWindow,
    // so a unit that keeps up takes a burst in large writes, and closes back to
    // Window when the session is lost, so a unit that drops its session after a few
    // lines still gets its messages through a few at a time.
    static constexpr std::size_t Window = 32;
    static constexpr std::size_t MaxWindow = 256;

    DataArrival(ProgramState& state, FrmSetup& setup, PlayerQueues& queues, Sound4Link& link,
                Sound4Sessions& sessions, Sound4Receiver& receiver, TraceSink& trace,
                ErrorReporter& errors, EventPump& events, UptimeCounter& uptime);
    ~DataArrival() override;

    void TimerDataArrival_Timer();
    void UDPDataArrival(qint16 listener, const QString& message);

    // Every 30 s (after the sessions' own reconnection): one login for each unit
    // that is down and holds messages.
    void Timer30s_Timer();

    bool passRunning() const { return m_passRunning; }
    // The messages waiting for a unit that is down.
    const UnitHold& hold(int unit) const { return unitAt(unit).hold; }
    bool unitDown(int unit) const { return unitAt(unit).down; }

private:
    void drainQueues();
    bool anyQueued() const;
    // Drains one listener's queue; false when the program is closing.
    bool drainQueue(int i);
    void send(qint16 listener, const QString& message, const QString& cmd, int unit);
    QString timerState() const;
    // The unanswered messages of a unit go back to the head of its hold; when the
    // session dropped, the oldest counts a drop (it may be the one the unit drops on).
    void requeueInFlight(int unit, bool countDrop = true);
    void answered(int unit, const Sound4Answer& answer);
    // The unit rejected a player command for want of a login: the command and those
    // written after it go back to the hold, and the session is opened again.
    void loginLost(int unit);
    void expireUnanswered(int unit);
    // Marks the unit down and logs it in once (logging it out first when shown in).
    void unitLost(int unit);
    void logInAgain(int unit);
    // Whether the unit's session can take its held messages now.
    bool ready(int unit) const;
    // Whether a pass has a login to make or held messages to send now.
    bool holdsWork() const;
    // Sends the held messages of every unit that is back, then of none other.
    void flushHolds();
    // Sends held messages as soon as the event loop is free (after an answer freed
    // room in a unit's window), unless a pass runs and will do it.
    void scheduleFlush();
    bool canFlush(int unit) const;
    // Holds a message; "down" says why, for the trace line (a full window is silent).
    void holdMessage(int unit, const HeldMessage& message, bool down);
    void reportDropped(int unit);

    // A message written to a unit and not yet answered.
    struct InFlight {
        HeldMessage message;
        quint64 ticket = 0; // the answer it awaits
        qint64 sentAt = 0;  // uptime when it was written
    };
    // Everything the relay knows of one unit, in one place.
    struct RelayUnit {
        UnitHold hold;                 // messages waiting for it
        std::deque<InFlight> inFlight; // written, not yet answered (oldest first)
        bool down = false;             // its messages go to its hold
        bool loginWanted = false;      // a drop asks the next pass for one login
        bool tried = false;            // a login was attempted at least once
        qint64 lastLogin = 0;          // uptime of the last login attempt
        // Player messages it answered since its last login: a session that did work
        // and then dropped is logged in again at once; one that did none waits for
        // the 30 s reconnection, so a unit that resets every session costs one
        // attempt per 30 s, not one per tick.
        int answered = 0;
        std::size_t window = Window;
    };
    RelayUnit& unitAt(int unit) { return m_units[size_t(unit)]; }
    const RelayUnit& unitAt(int unit) const { return m_units[size_t(unit)]; }

    std::array<RelayUnit, 4> m_units;
    QHash<QString, int> m_resends; // message -> times it went back after a drop
    // Runs while messages are in flight: a unit that never answers is noticed.
    QTimer m_answerCheck;
    int m_flushing = -1; // the unit whose held messages are being sent
    bool m_flushScheduled = false;

    ProgramState& m_state;
    FrmSetup& m_setup;
    PlayerQueues& m_queues;
    Sound4Link& m_link;
    Sound4Sessions& m_sessions;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    EventPump& m_events;
    UptimeCounter& m_uptime;
    bool m_passRunning = false;
};
