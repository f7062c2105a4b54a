#pragma once

#include <QHash>
#include <QObject>
#include <QString>

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
struct ProgramState;

// The player relay's dispatcher: every 100 ms the tick drains the ten queues of
// received player messages, in listener order, and hands each message to
// UDPDataArrival, which sends the command it carries to the addressed Sound4 unit.
// A message whose send finds the session dropped goes back to its queue and is
// sent again once the unit is logged in again: nothing is lost. Nor is a message
// written just before the unit dropped the session: each one stays "in flight"
// until the unit has answered it, and goes back to the head of its queue, in
// order, when the session is lost first (the unit may then see it twice).
class DataArrival final : public QObject {
    Q_OBJECT

public:
    // Beyond this many unanswered messages of a unit, the oldest counts as delivered
    // (a unit that does not answer must not make the program hold messages for ever).
    static constexpr std::size_t MaxInFlight = 1000;
    // A message the unit dropped the session on this many times is given up: a unit
    // that always drops on it must not hold back the messages behind it for ever.
    static constexpr int MaxResends = 3;

    DataArrival(ProgramState& state, FrmSetup& setup, PlayerQueues& queues, Sound4Link& link,
                Sound4Sessions& sessions, Sound4Receiver& receiver, TraceSink& trace,
                ErrorReporter& errors, EventPump& events);

    void TimerDataArrival_Timer();
    void UDPDataArrival(qint16 listener, const QString& message);

    bool passRunning() const { return m_passRunning; }

private:
    void drainQueues();
    void send(qint16 listener, const QString& message, const QString& cmd, int unit);
    QString timerState() const;
    // The unanswered messages of a unit go back to the heads of their queues.
    void requeueInFlight(int unit);

    struct InFlight {
        qint16 listener;
        QString message;
    };
    std::array<std::deque<InFlight>, 4> m_inFlight;
    QHash<QString, int> m_resends; // message -> times it went back after a drop

    ProgramState& m_state;
    FrmSetup& m_setup;
    PlayerQueues& m_queues;
    Sound4Link& m_link;
    Sound4Sessions& m_sessions;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    EventPump& m_events;
    bool m_passRunning = false;
};
