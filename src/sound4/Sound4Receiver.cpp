#include "sound4/Sound4Receiver.h"

#include "base/Blanks.h"
#include "base/Clock.h"
#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "base/TimeStamp.h"
#include "base/TraceSink.h"
#include "model/FrmSetup.h"
#include "model/ProgramState.h"
#include "platform/EventPump.h"
#include "sound4/Sound4Link.h"

#include <QTimer>

namespace {

QByteArray trimBlankBytes(const QByteArray& bytes) {
    qsizetype first = 0;
    qsizetype last = bytes.size();
    while (first < last && bytes.at(first) == ' ') {
        ++first;
    }
    while (last > first && bytes.at(last - 1) == ' ') {
        --last;
    }
    return bytes.mid(first, last - first);
}

bool isBlankBytes(const QByteArray& bytes) {
    return trimBlankBytes(bytes).isEmpty();
}

} // namespace

Sound4Receiver::Sound4Receiver(ProgramState& state, FrmSetup& setup, Sound4Link& link,
                               TraceSink& trace, ErrorReporter& errors, EventPump& events,
                               const Clock& clock)
    : m_state(state), m_setup(setup), m_link(link), m_trace(trace), m_errors(errors),
      m_events(events), m_clock(clock) {
    for (int unit = 0; unit < Sound4Link::NbSound4; ++unit) {
        TelnetConnection* connection = m_link.connection(unit);
        if (!connection) {
            continue;
        }
        const qint16 u = qint16(unit);
        connect(connection, &TelnetConnection::dataReceived, this,
                [this, u] { TelnetSound4_Receive(u); });
        connect(connection, &TelnetConnection::stateChanged, this, [this, unit, connection] {
            if (connection->state() == TelnetConnection::Closed) {
                m_tail[unit].clear(); // a line cut by the drop never completes
                m_link.unit(unit).awaited.clear();
                m_cutting[size_t(unit)] = false;
                m_cutLine[size_t(unit)].clear();
                flushRepeats(unit);
                m_loginLostSeen[size_t(unit)] = false;
            }
        });
    }
}

void Sound4Receiver::TelnetSound4_Receive(qint16 unit) {
    if (m_state.PbBQuitterEnCours) {
        return;
    }
    if (!m_link.connection(unit)) {
        ErrorTrap trap(m_errors, QStringLiteral("Frm_MainBis:TelnetSound4_Receive"));
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    if (!m_state.PbBSound4Connected[unit]) {
        return; // left unread
    }
    if (m_busy[unit]) {
        m_more[unit] = true; // the running event reads it, in order
        return;
    }
    if (overBudget(unit)) {
        return;
    }
    m_busy[unit] = true;
    TelnetConnection& connection = *m_link.connection(unit);
    do {
        m_more[unit] = false;
        // One chunk per event: the connection announces the rest from the event
        // loop, so a unit that floods never holds up the others.
        QByteArray block = connection.receive();
        if (m_cutting[unit]) {
            QByteArray& kept = m_cutLine[size_t(unit)];
            const qsizetype end = block.indexOf('\r');
            kept += end < 0 ? block : block.left(end);
            if (kept.size() > MaxTail) {
                // Its start and its last CutEndKept bytes so far.
                kept.remove(MaxTail - CutEndKept, kept.size() - MaxTail);
            }
            if (end < 0) {
                continue; // still the over-long line
            }
            block.remove(0, end + 1);
            m_cutting[unit] = false;
            // Read as one line, its start and its end: an answer that ends it is
            // not lost with its middle, and the unit's window does not wait for
            // the answer's timeout.
            handleLine(unit, std::exchange(kept, QByteArray()));
        }
        QByteArray& tail = m_tail[unit];
        tail += block;
        if (isBlankBytes(tail)) {
            if (tail.size() > MaxTail) {
                tail.clear();
            }
            continue;
        }
        const QList<QByteArray> pieces = tail.split('\r');
        const qsizetype held = tail.size();
        tail = pieces.last();
        // What counts against the unit's share is the lines it makes the program
        // handle; bytes that only wait for a line end, or are dropped, cost next to
        // nothing and are read at full speed.
        m_windowBytes[size_t(unit)] += held - tail.size();
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
            handleLine(unit, pieces.at(i));
        }
        if (tail.size() > MaxTail) {
            // Kept no further: its first part is read as a line, the rest dropped
            // up to its end.
            m_trace.line(QStringLiteral("Warning: TELNET: Sound4 #") + QString::number(unit) +
                         QStringLiteral(": a line longer than ") + QString::number(MaxTail) +
                         QStringLiteral(" bytes: the rest of it is dropped"));
            // Kept: its start, then its last bytes as they come, up to its end.
            m_cutLine[size_t(unit)] = tail.left(MaxTail - CutEndKept) + tail.right(CutEndKept);
            tail.clear();
            m_cutting[unit] = true;
        }
    } while (m_more[unit] && !m_state.PbBQuitterEnCours && !overBudget(unit));
    m_busy[unit] = false;
}

bool Sound4Receiver::overBudget(int unit) {
    const quint64 now = m_clock.millisecondsSinceBoot();
    const size_t u = size_t(unit);
    if (now - m_windowStart[u] >= quint64(BudgetWindowMs) || now < m_windowStart[u]) {
        m_windowStart[u] = now;
        m_windowBytes[u] = 0;
    }
    if (m_windowBytes[u] < ReadBudget) {
        return false;
    }
    if (!m_readLater[u]) {
        m_readLater[u] = true;
        const int wait = int(qint64(BudgetWindowMs) - qint64(now - m_windowStart[u])) + 1;
        QTimer::singleShot(wait, this, [this, unit] {
            m_readLater[size_t(unit)] = false;
            TelnetSound4_Receive(qint16(unit));
        });
    }
    return true;
}

void Sound4Receiver::handleLine(int unit, const QByteArray& piece) {
    QByteArray line = piece;
    line.replace('\n', ' ');
    line = trimBlankBytes(line);
    if (const std::optional<Sound4Answer> answer = m_link.unit(unit).awaited.settle(line)) {
        if (answer->loginRequired) {
            loginLost(unit, fromWindows1252(line));
        }
        Q_EMIT answered(unit, *answer, fromWindows1252(line));
    }

    // Login acknowledgement.
    if (m_state.PbBSound4LoginPending[unit] &&
        indexOfIgnoringCase(fromWindows1252(line), u"OK : LOGIN") >= 0) {
        m_link.setState(unit, Sound4Link::State::LoggedIn);
    }

    // Answer to a player or console command; "+" announces more lines.
    if (m_state.PbBSound4TestResult[unit] || m_state.PbBSound4PlayerResult[unit]) {
        const int n = ++m_resultLines[size_t(unit)];
        if (n <= MaxResultLines) {
            m_setup.ListeResultat.addItem(UTF8_Decode_System(line));
            traceResult(unit, line);
        } else if (n == MaxResultLines + 1) {
            m_trace.line(QStringLiteral("Warning: TELNET: Sound4 #") + QString::number(unit) +
                         QStringLiteral(": an answer longer than ") +
                         QString::number(MaxResultLines) +
                         QStringLiteral(" lines: the rest is not logged"));
        }
        if (!line.startsWith('+')) {
            m_state.PbBSound4TestResult[unit] = false;
            m_state.PbBSound4PlayerResult[unit] = false;
            m_resultLines[size_t(unit)] = 0;
            flushRepeats(unit);
        }
        return;
    }

    if (isBlankBytes(line)) {
        return;
    }
    const QString prefix = TimingMilliSec(m_clock) + QStringLiteral(" :") + QString::number(unit) +
                           QStringLiteral(": ");
    QString text = fromWindows1252(line);
    // Most lines hold neither marker: looked for first, replaced only when there.
    const auto swap = [](QString& where, const QString& from, const QString& to) {
        if (indexOfIgnoringCase(where, from) >= 0) {
            where.replace(from, to, Qt::CaseInsensitive);
        }
    };
    qsizetype p = 0;
    QString rest = text;
    if (text.contains(QLatin1Char('+')) || text.contains(QLatin1Char('*'))) {
        swap(text, QStringLiteral("LIVEWIRE+"), QStringLiteral("LIVEWIRE*"));
        swap(text, QStringLiteral("+="), QStringLiteral("*="));
        // A separator ("+ ", or " +" before it) after the first character.
        p = text.indexOf(QStringLiteral("+ "), 1) + 1;
        const qsizetype q = text.indexOf(QStringLiteral(" +"), 1) + 1;
        if (q != 0 && q < p) {
            p = q + 1;
        }
        rest = text;
        swap(rest, QStringLiteral("LIVEWIRE*"), QStringLiteral("LIVEWIRE+"));
        swap(rest, QStringLiteral("*="), QStringLiteral("+="));
    }
    m_setup.ListeTelNet.addCapped(prefix + rest);
    // A line with a separator is shown whole but is not a help line.
    if (p == 0) {
        if (m_state.PbBSound4HelpListe[unit]) {
            readSectionLine(unit, rest);
        } else if (m_state.PbBSound4HelpSection[unit]) {
            readCommandLine(unit, rest);
        } else if (m_state.PbBSound4HelpDetail[unit]) {
            readDetailLine(rest);
        }
    }
    m_setup.ListeTelNet.setSelection(m_setup.ListeTelNet.count() - 1);
}

void Sound4Receiver::traceResult(int unit, const QByteArray& line) {
    // A unit that says the same thing over and over fills the log with one line.
    if (!line.isEmpty() && line == m_lastResult[size_t(unit)]) {
        ++m_resultRepeats[size_t(unit)];
        return;
    }
    flushRepeats(unit);
    m_lastResult[size_t(unit)] = line;
    m_trace.line(QStringLiteral("TELNET: Result: ") + fromWindows1252(line));
}

void Sound4Receiver::flushRepeats(int unit) {
    const int repeats = std::exchange(m_resultRepeats[size_t(unit)], 0);
    if (repeats > 0) {
        m_trace.line(
            QStringLiteral("TELNET: Result: ") + fromWindows1252(m_lastResult[size_t(unit)]) +
            QStringLiteral(" ... repeated ") + QString::number(repeats) + QStringLiteral(" times"));
    }
    m_lastResult[size_t(unit)].clear();
}

void Sound4Receiver::loginLost(int unit, const QString& words) {
    // One incident per session: every command written after the login lapsed is
    // rejected the same way.
    if (m_state.PbBSound4LoggedIn[unit] || !m_loginLostSeen[size_t(unit)]) {
        m_trace.line(QStringLiteral("Err: TELNET: Sound4 #") + QString::number(unit) +
                         QStringLiteral(": ") + words,
                     true);
    }
    m_loginLostSeen[size_t(unit)] = true;
    if (m_link.state(unit) == Sound4Link::State::LoggedIn) {
        m_link.setState(unit, Sound4Link::State::Connected);
    }
    m_state.PbBSound4LoggedIn[unit] = false;
}

void Sound4Receiver::readSectionLine(int unit, const QString& w) {
    const qsizetype p = w.indexOf(QStringLiteral("Section '"), 0, Qt::CaseInsensitive);
    if (p < 0) {
        return;
    }
    const qsizetype q = w.indexOf(QStringLiteral("': "), p + 1, Qt::CaseInsensitive);
    if (q < 0 || q < p + 9) {
        return;
    }
    const QString name = w.mid(p + 9, q - p - 9).trimmed();
    ListField& sections = m_setup.ComboSound4Section[unit];
    if (name == QLatin1String("CH1 to CH8")) {
        for (int ch = 1; ch <= 8; ++ch) {
            sections.addItem(QStringLiteral("CH") + QString::number(ch));
        }
    } else {
        sections.addItem(name);
    }
    if (sections.count() > 0 && sections.selection() < 0) {
        sections.setSelection(0);
    }
}

void Sound4Receiver::readCommandLine(int unit, const QString& w) {
    const qsizetype p = w.indexOf(QStringLiteral(" ("), 0, Qt::CaseInsensitive);
    if (p < 0) {
        return;
    }
    const qsizetype q = w.indexOf(QStringLiteral(") : "), p + 1, Qt::CaseInsensitive);
    if (q < 0) {
        return;
    }
    // 0-based: the name skips the first character and ends before " (".
    const QString name = w.mid(1, p).trimmed();
    const QString operations = w.mid(p, q - p + 1).trimmed();
    const QString description = w.mid(q + 3).trimmed();
    m_setup.ComboSound4SectionDetail[unit].addItem(name);
    m_setup.ComboSound4SectionDetailLib[unit].addItem(description);
    m_setup.ComboSound4SectionDetailOperation[unit].addItem(operations);
    ListField& commands = m_setup.ComboSound4SectionDetail[unit];
    if (commands.count() > 0 && commands.selection() < 0) {
        commands.setSelection(0);
    }
    m_events.processPendingEvents();
}

void Sound4Receiver::readDetailLine(const QString& w) {
    if (!isBlank(w)) {
        m_setup.ListeSectionCommande.addItem(UTF8_Decode_System(toWindows1252(w)));
    }
    m_events.processPendingEvents();
}
