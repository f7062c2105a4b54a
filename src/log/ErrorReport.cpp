#include "log/ErrorReport.h"

#include "base/Blanks.h"
#include "base/Clock.h"
#include "base/TraceSink.h"
#include "model/ProgramState.h"
#include "platform/EventPump.h"

#include <limits>

namespace {

// Base of the numbers that components use for their own codes (0x80040000 signed).
constexpr qint64 ComponentErrorBase = -2147221504LL;

// An error raised by a component with its own code is reported under that code.
qint32 reducedNumber(qint32 number, bool* reduced) {
    qint64 t = static_cast<qint64>(number) - ComponentErrorBase;
    if (t > std::numeric_limits<qint32>::max() || t < std::numeric_limits<qint32>::min()) {
        t = 0;
    }
    *reduced = t > 0 && t < 65535;
    return *reduced ? static_cast<qint32>(t) : number;
}

} // namespace

ErrorReport::ErrorReport(ProgramState& state, TraceSink& trace, const Clock& clock,
                         EventPump& events)
    : m_state(state), m_trace(trace), m_clock(clock), m_events(events) {}

void ErrorReport::report(const QString& callerName, qint32 line, const AppError& error) {
    m_state.PbLErreurNumero = error.number;
    m_state.PbSErreurSource = error.source;
    m_state.PbSErreurDescription = error.description;
    m_state.PbLErreurLigne = line;
    GestionDesErreurs(callerName);
}

QString ErrorReport::message(qint32 number, const QString& description, const QString& source,
                             const QString& callerName, qint32 line) {
    bool reduced = false;
    const qint32 n = reducedNumber(number, &reduced);
    QString d = description;
    if (d.size() > 100) {
        d.replace(QStringLiteral(". "), QStringLiteral("\n "));
    }
    QString text =
        QStringLiteral("Err: ") + QString::number(n) + QStringLiteral(" (") + d + QLatin1Char(')');
    if (!isBlank(callerName)) {
        text += QStringLiteral("\n\nErr: ") + callerName + QLatin1Char(':') + QString::number(line);
    }
    if (reduced && !isBlank(source)) {
        text += QStringLiteral("\n(Source: ") + source + QLatin1Char(')');
    }
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

void ErrorReport::GestionDesErreurs(const QString& callerName) {
    if (m_state.PbBFermetureApplication) {
        return; // no report while the program closes
    }
    if (m_busy) {
        return; // a report raised while another is written is dropped
    }
    m_busy = true;

    bool reduced = false;
    const qint32 n = reducedNumber(m_state.PbLErreurNumero, &reduced);
    if (n != 0) {
        m_trace.TraceLogEncadre(-1, -1,
                                message(m_state.PbLErreurNumero, m_state.PbSErreurDescription,
                                        m_state.PbSErreurSource, callerName,
                                        m_state.PbLErreurLigne),
                                QStringLiteral("="), true);
        if (n == DisconnectedComponentError) {
            m_trace.TraceLogEncadre(
                -1, -1, QStringLiteral("Reboot the Computer because of Automation Error"),
                QStringLiteral(" = "), true);
            if (m_machineRestart) {
                m_machineRestart();
            }
        }
    }

    m_lastNumber = n;
    m_lastDateTime = m_clock.localDateTime();
    m_lastCaller = callerName;
    m_events.processPendingEvents();
    m_busy = false;
}
