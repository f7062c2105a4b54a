#pragma once

#include <QObject>
#include <QString>

class ErrorReporter;
class EventPump;
class FrmSetup;
class Frm_MainBis;
class Sound4Sessions;
class TraceSink;
struct ProgramState;

// The player relay's dispatcher: every 100 ms the tick drains the ten queues of
// received player messages, in listener order, and hands each message to
// UDPDataArrival, which sends the command it carries to the addressed Sound4 unit.
// A message whose send finds the session dropped goes back to its queue and is
// sent again once the unit is logged in again: nothing is lost.
class DataArrival final : public QObject {
    Q_OBJECT

public:
    DataArrival(ProgramState& state, FrmSetup& setup, Frm_MainBis& hidden, Sound4Sessions& sessions,
                TraceSink& trace, ErrorReporter& errors, EventPump& events);

    void TimerDataArrival_Timer();
    void UDPDataArrival(qint16 listener, const QString& message);

    bool passRunning() const { return m_passRunning; }

private:
    void drainQueues();
    void send(qint16 listener, const QString& message, const QString& cmd, int unit);
    QString timerState() const;

    ProgramState& m_state;
    FrmSetup& m_setup;
    Frm_MainBis& m_hidden;
    Sound4Sessions& m_sessions;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    EventPump& m_events;
    bool m_passRunning = false;
};
