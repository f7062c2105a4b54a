#pragma once

#include "base/ErrorReporter.h"

#include <QDateTime>
#include <QString>

#include <functional>

class Clock;
class EventPump;
class TraceSink;
struct ProgramState;

// The program's one error report: a trapped error becomes a framed incident line
// in the trace log, and the procedure that trapped it goes on. The automation error
// that means a disconnected component restarts the machine with the program.
class ErrorReport final : public ErrorReporter {
public:
    // Number of the automation error raised when a component has disconnected.
    static constexpr qint32 DisconnectedComponentError = -2147417848;

    ErrorReport(ProgramState& state, TraceSink& trace, const Clock& clock, EventPump& events);

    // Called for the disconnected-component error, after its trace lines: puts the
    // program into the start-up folder and reboots the machine.
    void setMachineRestart(std::function<void()> restart) { m_machineRestart = std::move(restart); }

    // Fills the error snapshot, then runs GestionDesErreurs.
    void report(const QString& callerName, qint32 line, const AppError& error) override;

    // Reports the error held in the snapshot under the caller name.
    void GestionDesErreurs(const QString& callerName);

    // The last report that passed the closing and busy guards.
    qint32 lastNumber() const { return m_lastNumber; }
    const QDateTime& lastDateTime() const { return m_lastDateTime; }
    const QString& lastCaller() const { return m_lastCaller; }

    // The framed line's text for a snapshot, without logging it.
    static QString message(qint32 number, const QString& description, const QString& source,
                           const QString& callerName, qint32 line);

private:
    ProgramState& m_state;
    TraceSink& m_trace;
    const Clock& m_clock;
    EventPump& m_events;
    std::function<void()> m_machineRestart;
    bool m_busy = false;
    qint32 m_lastNumber = 0;
    QDateTime m_lastDateTime;
    QString m_lastCaller;
};
