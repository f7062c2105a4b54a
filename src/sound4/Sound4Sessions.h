#pragma once

#include "base/AppError.h"
#include "sound4/AwaitedAnswers.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>

class Clock;
class ErrorReporter;
class EventPump;
class FrmSetup;
class Sound4Link;
class TraceSink;
class UptimeCounter;
struct ProgramState;

// The telnet session of each Sound4 unit: connect, log in and out, follow the
// connection's reports, re-connect a dropped unit, and the one write on a unit's
// connection. The waits let events run and never spin.
class Sound4Sessions final : public QObject {
    Q_OBJECT

public:
    // A wait for a connection or a login acknowledgement.
    static constexpr qint64 WaitMs = 500;
    static constexpr qint64 ReconnectDelayMs = 30000;

    Sound4Sessions(ProgramState& state, FrmSetup& setup, Sound4Link& link, TraceSink& trace,
                   ErrorReporter& errors, UptimeCounter& uptime, EventPump& events,
                   const Clock& clock);

    // Writes the text unchanged on the unit's connection. 10057 or 10053 when the
    // connection is not open, 9 for a unit outside 0 to 3. A written line awaits the
    // answer of its kind; "ticket" (when given) receives the name of that answer.
    AppError Sound4Send(int unit, const QByteArray& text,
                        Sound4Request request = Sound4Request::Console, quint64* ticket = nullptr);

    // Logs the unit in (connecting first) when its button reads "Login", else out.
    void CommandSound4Login_Click(qint16 unit);
    // Opens (True) or closes the unit's connection and waits for the outcome.
    void CommandSound4Connecter_Click(qint16 unit, bool connect);

    // The connection's reports.
    void TelnetSound4_State(qint16 unit);
    void TelnetSound4_Error(qint16 unit, qint32 code, const QString& description);
    // Every 30 s: re-connects the units whose connection dropped 30 s ago or more.
    void Timer30s_Timer();

    // Whether a login of the unit is under way (connecting, or waiting for its
    // acknowledgement): nothing else may be written on its session meanwhile.
    bool loggingIn(int unit) const { return unit >= 0 && unit < 4 && m_loggingIn[size_t(unit)]; }

Q_SIGNALS:
    // A login of the unit starts, and has ended (acknowledged or not).
    void loginStarted(int unit);
    void loginEnded(int unit);
    // An error the unit's connection reported, as logged ("Sound4 N° 1: Err: ...").
    void unitError(int unit, const QString& text);

private:
    bool validUnit(qint16 unit, const char* procedure);
    void addTelnetRow(const QString& row);
    void clearHelpFlags(int unit);
    void logIn(qint16 unit);
    void logInSteps(qint16 unit);
    void logOut(qint16 unit);
    void connectUnit(qint16 unit);
    void disconnectUnit(qint16 unit);

    ProgramState& m_state;
    FrmSetup& m_setup;
    Sound4Link& m_link;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    UptimeCounter& m_uptime;
    EventPump& m_events;
    const Clock& m_clock;
    std::array<bool, 4> m_loggingIn{};
};
