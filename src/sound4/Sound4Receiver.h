#pragma once

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
struct ProgramState;

// Reads what the Sound4 units write: cuts it into lines and routes each one — the
// login acknowledgement, the answer to a pending player or console command, the
// other traffic into the telnet list, and the help listings into the console's lists.
//
// A line cut across two arrivals is kept until its end arrives (an incomplete tail
// per unit, dropped when the connection closes).
class Sound4Receiver final : public QObject {
    Q_OBJECT

public:
    // A tail longer than this without a CR is handled as a line of its own.
    static constexpr qsizetype MaxTail = 65536;
    // Such a line is read, at its end, as its first MaxTail - CutEndKept bytes and
    // its last CutEndKept bytes: what ends it (a unit's answer) is not lost.
    static constexpr qsizetype CutEndKept = 4096;
    // Bytes of complete lines read from one unit in each 100 ms: a unit that floods is read at
    // that pace (the rest waits in the system, which slows the unit down), so it
    // cannot take the machine's time from the others.
    static constexpr qsizetype ReadBudget = 64 * 1024;
    static constexpr qint64 BudgetWindowMs = 100;
    // The lines of one answer beyond this many are neither logged nor listed.
    static constexpr int MaxResultLines = 100;

    Sound4Receiver(ProgramState& state, FrmSetup& setup, Sound4Link& link, TraceSink& trace,
                   ErrorReporter& errors, EventPump& events, const Clock& clock);

    void TelnetSound4_Receive(qint16 unit);

Q_SIGNALS:
    // A unit finished answering one request written on its session (its final
    // answer line, in the order of the requests); "line" is that line.
    void answered(int unit, const Sound4Answer& answer, const QString& line);

private:
    void handleLine(int unit, const QByteArray& piece);
    // The unit answered that it needs a login, or refused one: it is not logged in.
    void loginLost(int unit, const QString& words);
    // Whether the unit has had its share of this window; if so, it is read again
    // when the next window opens.
    bool overBudget(int unit);
    void traceResult(int unit, const QByteArray& line);
    void flushRepeats(int unit);
    void readSectionLine(int unit, const QString& w);
    void readCommandLine(int unit, const QString& w);
    void readDetailLine(const QString& w);

    ProgramState& m_state;
    FrmSetup& m_setup;
    Sound4Link& m_link;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    EventPump& m_events;
    const Clock& m_clock;
    std::array<QByteArray, 4> m_tail;
    std::array<bool, 4> m_busy{};
    std::array<bool, 4> m_more{};
    std::array<bool, 4> m_loginLostSeen{}; // this session's lost login is reported
    std::array<bool, 4> m_cutting{};       // dropping the rest of an over-long line
    std::array<QByteArray, 4> m_cutLine{}; // what is kept of an over-long line
    std::array<int, 4> m_resultLines{};    // lines of the answer being read
    std::array<QByteArray, 4> m_lastResult{};
    std::array<int, 4> m_resultRepeats{}; // times the last result line came again
    std::array<quint64, 4> m_windowStart{};
    std::array<qsizetype, 4> m_windowBytes{};
    std::array<bool, 4> m_readLater{};
};
