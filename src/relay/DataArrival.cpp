#include "relay/DataArrival.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "base/TraceSink.h"
#include "base/UptimeCounter.h"
#include "model/FrmSetup.h"
#include "model/ProgramState.h"
#include "platform/EventPump.h"
#include "relay/PlayerMessage.h"
#include "relay/PlayerQueues.h"
#include "sound4/Sound4Link.h"
#include "sound4/Sound4Receiver.h"
#include "sound4/Sound4Sessions.h"

#include <algorithm>

namespace {

const QString Caller = QStringLiteral("Frm_MainBis:UDPDataArrival");
// A unit that is down is tried again at the 30 s reconnection, never sooner than
// this after the last attempt (a tick of the 30 s timer may come a little early).
constexpr qint64 ReconnectGapMs = 25000;

QString unitTag(int unit) {
    return QStringLiteral("Sound4 #") + QString::number(unit);
}

bool validUnit(int unit) {
    return unit >= 0 && unit < Sound4Link::NbSound4;
}

} // namespace

DataArrival::DataArrival(ProgramState& state, FrmSetup& setup, PlayerQueues& queues,
                         Sound4Link& link, Sound4Sessions& sessions, Sound4Receiver& receiver,
                         TraceSink& trace, ErrorReporter& errors, EventPump& events,
                         UptimeCounter& uptime)
    : m_state(state), m_setup(setup), m_queues(queues), m_link(link), m_sessions(sessions),
      m_trace(trace), m_errors(errors), m_events(events), m_uptime(uptime) {
    connect(&m_queues.TimerDataArrival, &QTimer::timeout, this,
            &DataArrival::TimerDataArrival_Timer);
    m_queues.firstPass = [this] { TimerDataArrival_Timer(); };
    connect(&receiver, &Sound4Receiver::answered, this,
            [this](int unit, const Sound4Answer& answer, const QString&) {
                if (validUnit(unit) && answer.request == Sound4Request::Player) {
                    answered(unit, answer);
                }
            });
    m_answerCheck.setInterval(1000);
    connect(&m_answerCheck, &QTimer::timeout, this, [this] {
        bool waiting = false;
        for (int unit = 0; unit < Sound4Link::NbSound4; ++unit) {
            expireUnanswered(unit);
            waiting = waiting || !unitAt(unit).inFlight.empty();
        }
        if (!waiting) {
            m_answerCheck.stop();
        }
    });
    // After the sessions' own reconnection of the same tick, which runs first.
    connect(&m_link.Timer30s, &QTimer::timeout, this, &DataArrival::Timer30s_Timer);
    connect(&m_sessions, &Sound4Sessions::loginStarted, this, [this](int unit) {
        if (validUnit(unit)) {
            unitAt(unit).lastLogin = m_uptime.TickCountMilliSec();
            unitAt(unit).tried = true;
            unitAt(unit).answered = 0;
        }
    });
    // A unit back from a login outside a pass: its held messages leave at the next tick.
    connect(&m_sessions, &Sound4Sessions::loginEnded, this, [this](int unit) {
        if (validUnit(unit) && unitAt(unit).down && ready(unit)) {
            m_queues.wake();
        }
    });
    for (int unit = 0; unit < Sound4Link::NbSound4; ++unit) {
        TelnetConnection* connection = m_link.connection(unit);
        if (connection) {
            connect(connection, &TelnetConnection::stateChanged, this, [this, unit, connection] {
                if (connection->state() == TelnetConnection::Closed) {
                    requeueInFlight(unit);
                }
            });
        }
    }
}

DataArrival::~DataArrival() {
    m_queues.firstPass = nullptr;
}

void DataArrival::answered(int unit, const Sound4Answer& answer) {
    std::deque<InFlight>& pending = unitAt(unit).inFlight;
    // Answers come in the order of the requests. One for a message that already went
    // back to the hold (its session was given up) names a ticket older than any here.
    while (!pending.empty() && pending.front().ticket < answer.ticket) {
        pending.pop_front(); // the unit went past it without a word of its own
    }
    if (pending.empty() || pending.front().ticket != answer.ticket) {
        return;
    }
    if (answer.loginRequired) {
        loginLost(unit);
        return;
    }
    m_resends.remove(pending.front().message.message);
    pending.pop_front();
    ++unitAt(unit).answered;
    unitAt(unit).window = std::min(unitAt(unit).window + 1, MaxWindow);
    if (!unitAt(unit).hold.isEmpty()) {
        scheduleFlush();
    }
}

void DataArrival::loginLost(int unit) {
    requeueInFlight(unit, false);
    unitAt(unit).down = true;
    if (TelnetConnection* connection = m_link.connection(unit)) {
        connection->close(); // logged in again on a new session, like a dropped one
    }
}

void DataArrival::expireUnanswered(int unit) {
    std::deque<InFlight>& pending = unitAt(unit).inFlight;
    const qint64 now = m_uptime.TickCountMilliSec();
    bool expired = false;
    while (!pending.empty() && now - pending.front().sentAt > AnswerTimeoutMs) {
        m_trace.line(QStringLiteral("Warning: TELNET: ") + unitTag(unit) +
                     QStringLiteral(" did not answer in ") +
                     QString::number(AnswerTimeoutMs / 1000) +
                     QStringLiteral(" s: taken as delivered: ") + pending.front().message.message);
        m_resends.remove(pending.front().message.message);
        pending.pop_front();
        expired = true;
    }
    if (expired && !unitAt(unit).hold.isEmpty()) {
        scheduleFlush();
    }
}

void DataArrival::requeueInFlight(int unit, bool countDrop) {
    unitAt(unit).window = Window; // the session was lost: open again from the start
    std::deque<InFlight> pending;
    pending.swap(unitAt(unit).inFlight);
    if (m_resends.size() > qsizetype(UnitHold::Capacity) * Sound4Link::NbSound4) {
        m_resends.clear(); // only messages never answered nor given up stay: forget them
    }
    std::deque<HeldMessage> again;
    bool oldest = true;
    for (const InFlight& sent : pending) {
        const HeldMessage& m = sent.message;
        // Only the oldest counts the drop: the others were waiting behind it in the
        // stream, and the unit may never have read them.
        const bool counts = countDrop && std::exchange(oldest, false);
        if (counts && ++m_resends[m.message] > MaxResends) {
            m_resends.remove(m.message);
            m_trace.line(QStringLiteral("Warning: TELNET: Sound4 #") + QString::number(unit) +
                         QStringLiteral(" dropped the session ") + QString::number(MaxResends + 1) +
                         QStringLiteral(" times on this message: given up: ") + m.message);
            continue;
        }
        m_trace.line(QStringLiteral("TELNET: Data Re-Added to ListeDataArrival: ") + m.message);
        again.push_back(m);
    }
    if (again.empty()) {
        return;
    }
    UnitHold& held = unitAt(unit).hold;
    const qsizetype droppedBefore = held.dropped();
    held.setCapacity(UnitHold::Capacity); // the session is gone: the unit is down
    held.putBack(again);
    if (droppedBefore == 0 && held.dropped() > 0) {
        m_trace.line(QStringLiteral("Warning: TELNET: ") + unitTag(unit) + QStringLiteral(": ") +
                     QString::number(held.capacity()) +
                     QStringLiteral(" messages held: the oldest are dropped from now on"));
    }
    if (!unitAt(unit).down || unitAt(unit).answered > 0) {
        // Lost with a session that worked: the next pass logs the unit in again, once.
        unitAt(unit).down = true;
        unitAt(unit).loginWanted = true;
        unitAt(unit).answered = 0;
    }
    scheduleFlush(); // as soon as the event loop is free, not at the next tick
}

bool DataArrival::holdsWork() const {
    for (int unit = 0; unit < Sound4Link::NbSound4; ++unit) {
        if (unitAt(unit).loginWanted || canFlush(unit)) {
            return true;
        }
    }
    return false;
}

bool DataArrival::canFlush(int unit) const {
    return !unitAt(unit).hold.isEmpty() && ready(unit) &&
           unitAt(unit).inFlight.size() < unitAt(unit).window;
}

void DataArrival::scheduleFlush() {
    if (m_flushScheduled) {
        return;
    }
    m_flushScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_flushScheduled = false;
        if (m_passRunning || m_state.PbBFermetureApplication || m_state.PbBQuitterEnCours ||
            m_state.PbBInModeLoadingFrmMain) {
            return; // the running (or next) pass sends them
        }
        m_passRunning = true;
        flushHolds();
        m_passRunning = false;
        if (holdsWork()) {
            m_queues.wake();
        }
    });
}

bool DataArrival::ready(int unit) const {
    // Not whether the login was acknowledged: an acknowledgement that comes late (behind
    // a chatty unit's lines) must not stall the unit. A unit that wants a login says so
    // in its answers, and is logged in again then.
    const TelnetConnection* connection = m_link.connection(unit);
    return connection && connection->state() == TelnetConnection::Connected &&
           m_state.PbBSound4Connected[size_t(unit)] && !m_sessions.loggingIn(unit);
}

void DataArrival::holdMessage(int unit, const HeldMessage& message, bool down) {
    UnitHold& held = unitAt(unit).hold;
    const qsizetype droppedBefore = held.dropped();
    held.setCapacity(unitAt(unit).down ? UnitHold::Capacity : UnitHold::BusyCapacity);
    held.append(message);
    if (down) {
        m_trace.line(QStringLiteral("TELNET: ") + unitTag(unit) +
                     QStringLiteral(" is down: message held: ") + message.message);
    }
    if (droppedBefore == 0 && held.dropped() > 0) {
        m_trace.line(QStringLiteral("Warning: TELNET: ") + unitTag(unit) + QStringLiteral(": ") +
                     QString::number(held.capacity()) +
                     QStringLiteral(" messages held: the oldest are dropped from now on"));
    }
}

void DataArrival::reportDropped(int unit) {
    const qsizetype dropped = unitAt(unit).hold.takeDropped();
    if (dropped > 0) {
        m_trace.line(QStringLiteral("Warning: TELNET: ") + unitTag(unit) + QStringLiteral(": ") +
                     QString::number(dropped) +
                     QStringLiteral(" held messages were dropped while it was down"));
    }
}

void DataArrival::logInAgain(int unit) {
    if (m_setup.CommandSound4Login[unit].caption() == QLatin1String("Logout")) {
        m_trace.line(QStringLiteral("Try to Logout Sound4 #") + QString::number(unit));
        if (m_state.PbBSound4LoggedIn[unit]) {
            m_sessions.CommandSound4Login_Click(qint16(unit));
        } else if (TelnetConnection* connection = m_link.connection(unit)) {
            connection->close(); // open but not logged in: a new session logs in
        }
        m_events.processPendingEvents();
    }
    m_trace.line(QStringLiteral("Try to Login Sound4 #") + QString::number(unit));
    m_link.setState(unit, Sound4Link::State::Disconnected); // a new session logs in
    m_sessions.CommandSound4Login_Click(qint16(unit));
}

void DataArrival::flushHolds() {
    for (int unit = 0; unit < Sound4Link::NbSound4; ++unit) {
        UnitHold& held = unitAt(unit).hold;
        if (unitAt(unit).loginWanted) {
            unitAt(unit).loginWanted = false;
            if (!ready(unit) && !m_sessions.loggingIn(unit)) {
                logInAgain(unit);
            }
        }
        while (canFlush(unit)) {
            const HeldMessage next = held.takeFirst();
            m_flushing = unit;
            if (next.command.isEmpty()) {
                UDPDataArrival(next.listener, next.message);
            } else {
                m_state.PbBSound4PlayerResult[unit] = true;
                send(next.listener, next.message, next.command, unit);
            }
            m_flushing = -1;
            if (m_state.PbBFermetureApplication || m_state.PbBQuitterEnCours) {
                return;
            }
            m_events.processPendingEvents();
        }
        if (unitAt(unit).down && held.isEmpty() && ready(unit)) {
            unitAt(unit).down = false;
            reportDropped(unit);
        }
    }
}

void DataArrival::Timer30s_Timer() {
    if (m_state.PbBFermetureApplication || m_state.PbBQuitterEnCours || m_passRunning) {
        return;
    }
    for (int unit = 0; unit < Sound4Link::NbSound4; ++unit) {
        expireUnanswered(unit);
    }
    for (int unit = 0; unit < Sound4Link::NbSound4; ++unit) {
        if (!unitAt(unit).down || unitAt(unit).hold.isEmpty() || ready(unit) ||
            m_sessions.loggingIn(unit) || isBlank(m_setup.TexteSound4IP[unit].text())) {
            continue;
        }
        if (unitAt(unit).tried &&
            m_uptime.TickCountMilliSec() - unitAt(unit).lastLogin < ReconnectGapMs) {
            continue; // the sessions' own reconnection has just tried it
        }
        m_trace.line(QStringLiteral("Try to re-connect Sound4 N° ") + QString::number(unit + 1));
        logInAgain(unit);
        if (ready(unit)) {
            m_queues.wake();
        }
        if (m_state.PbBQuitterEnCours) {
            return;
        }
    }
}

QString DataArrival::timerState() const {
    return m_queues.TimerDataArrival.isActive() ? QStringLiteral("True") : QStringLiteral("False");
}

void DataArrival::TimerDataArrival_Timer() {
    QTimer& timer = m_queues.TimerDataArrival;
    if (m_state.PbBFermetureApplication) {
        timer.stop();
        m_trace.line(
            QStringLiteral("UDP: PbBFermetureApplication = True TimerDataArrival.Enabled : ") +
            timerState() + QStringLiteral(" |Sub: Frm_MainBis:TimerDataArrival_Timer:A"));
    } else if (m_state.PbBInModeLoadingFrmMain) {
        m_trace.line(
            QStringLiteral("UDP: PbBInModeLoadingFrmMain = True TimerDataArrival.Enabled : ") +
            timerState() + QStringLiteral(" |Sub: Frm_MainBis:TimerDataArrival_Timer:B"));
        m_events.processPendingEvents();
    } else if (!m_passRunning) {
        // A tick that comes while a pass lets events run does not start a second pass.
        m_passRunning = true;
        // The held messages that can leave go first, then the queues, then what the
        // sends let through; a message read meanwhile is taken by this pass, not left
        // for the next tick.
        do {
            flushHolds();
            drainQueues();
            flushHolds();
        } while (!m_state.PbBFermetureApplication && !m_state.PbBQuitterEnCours && anyQueued());
        m_passRunning = false;
        timer.stop();
        if (holdsWork()) {
            // A unit came back, was lost, or answered while the pass ran: the held
            // messages that can leave go as soon as the event loop is free, not a
            // tick later (a flush asked for during the pass was left to it).
            timer.start();
            scheduleFlush();
        }
        for (const ListField& queue : m_queues.ListeDataArrival) {
            if (!queue.isEmpty()) {
                timer.start();
                m_trace.line(QStringLiteral("UDP: TimerDataArrival.Enabled : ") + timerState() +
                             QStringLiteral(" |Sub: Frm_MainBis:TimerDataArrival_Timer:D"));
                break;
            }
        }
    } else {
        return;
    }
    m_trace.line(QStringLiteral("UDP: TimerDataArrival.Enabled : ") + timerState() +
                 QStringLiteral(" |Sub: Frm_MainBis:TimerDataArrival_Timer:C"));
}

void DataArrival::drainQueues() {
    // The ten queues are swept in order until all are empty: a message that arrives
    // while the pass lets events run is taken by this pass, not a tick later.
    do {
        for (int i = 0; i < PlayerQueues::NbListeners; ++i) {
            if (!drainQueue(i)) {
                return;
            }
        }
    } while (anyQueued());
}

bool DataArrival::anyQueued() const {
    return std::any_of(m_queues.ListeDataArrival.begin(), m_queues.ListeDataArrival.end(),
                       [](const ListField& queue) { return !queue.isEmpty(); });
}

bool DataArrival::drainQueue(int i) {
    {
        ListField& queue = m_queues.ListeDataArrival[i];
        while (!queue.isEmpty()) {
            const QString message = queue.takeFirst();
            m_trace.line(QStringLiteral("TimerDataArrival_Timer: Chaine: ") + message +
                         QStringLiteral(" |Index: ") + QString::number(i) +
                         QStringLiteral(" |Nb: 1/") + QString::number(queue.count()));
            if (!isBlank(message)) {
                UDPDataArrival(qint16(i), message);
            }
            if (m_state.PbBFermetureApplication || m_state.PbBQuitterEnCours) {
                return false;
            }
            m_events.processPendingEvents();
        }
        if (m_state.PbBFermetureApplication || m_state.PbBQuitterEnCours) {
            return false;
        }
        m_events.processPendingEvents();
    }
    return true;
}

void DataArrival::UDPDataArrival(qint16 listener, const QString& message) {
    ErrorTrap trap(m_errors, Caller);
    trap.at(10);
    const PlayerCommand cmd = playerCommandFor(listener, message, m_errors);
    if (cmd.action == PlayerCommand::Action::Nothing) {
        return;
    }
    trap.at(20);
    int unit = 0;
    if (cmd.unit) {
        unit = *cmd.unit;
    } else {
        trap.fail(AppError::overflow()); // no unit can be addressed: nothing is sent
        unit = -1;
    }
    trap.at(30);
    if (validUnit(unit)) {
        m_state.PbBSound4PlayerResult[unit] = true;
    } else {
        trap.fail(AppError::subscriptOutOfRange());
    }
    if (cmd.action == PlayerCommand::Action::Send) {
        send(listener, message, cmd.command, unit);
        return;
    }
    trap.at(70);
    m_events.processPendingEvents();
    m_trace.line(QStringLiteral("TELNET: Player Sended"));
}

void DataArrival::send(qint16 listener, const QString& message, const QString& cmd, int unit) {
    ErrorTrap trap(m_errors, Caller);
    trap.at(40);
    const HeldMessage entry{listener, message, HeldMessage::kindOf(cmd), cmd};
    if (validUnit(unit) && m_flushing != unit) {
        if (unitAt(unit).down) {
            holdMessage(unit, entry, true); // behind the messages already waiting for it
            return;
        }
        if (!unitAt(unit).hold.isEmpty() || unitAt(unit).inFlight.size() >= unitAt(unit).window) {
            holdMessage(unit, entry, false); // its window is full: it waits its turn
            return;
        }
    }
    const QString trimmed = trimBlanks(cmd);
    m_trace.line(QStringLiteral("TELNET: Player Send: ") + trimmed);
    trap.at(50);
    m_setup.TexteCommandeATester.setText(cmd);
    m_setup.ListeResultat.clear();
    trap.at(60);
    quint64 ticket = 0;
    const AppError error = m_sessions.Sound4Send(unit, UTF8_Encode_System(trimmed) + "\r\n",
                                                 Sound4Request::Player, &ticket);
    if (error.number == 10053 || error.number == 10057) {
        m_trace.line(QStringLiteral("Err: TELNET: ") + QString::number(error.number) +
                     QStringLiteral(": ") + error.description + QStringLiteral(" |Sub: ") + Caller +
                     QLatin1Char(':') + QString::number(trap.line()));
        // The unanswered messages go back in front of this one, once it is held.
        std::deque<InFlight> unanswered;
        unanswered.swap(unitAt(unit).inFlight);
        m_link.connection(unit)->close();
        if (isBlank(m_setup.TexteSound4IP[unit].text())) {
            // A unit with no host can never be reached: retrying would stall every
            // queue for ever. The message is dropped, once, with a warning.
            m_trace.line(QStringLiteral("Warning: TELNET: Sound4 #") + QString::number(unit) +
                         QStringLiteral(" has no host: message dropped: ") + message);
            return;
        }
        m_trace.line(QStringLiteral("TELNET: Data Re-Added to ListeDataArrival: ") + message);
        // At the head of the unit's hold: a newer message behind it must not reach
        // the unit first (an older RDS text would overwrite a newer one). The
        // unanswered ones written before it go back before it.
        const bool newLoss = !unitAt(unit).down || unitAt(unit).answered > 0;
        unitAt(unit).hold.putBack({entry});
        unanswered.swap(unitAt(unit).inFlight);
        requeueInFlight(unit);
        unitAt(unit).down = true;
        if (newLoss || unitAt(unit).loginWanted) {
            // The first failure logs the unit in at once; after that, the 30 s
            // reconnection tries it, while the other units go on.
            unitAt(unit).loginWanted = false;
            logInAgain(unit);
        }
        return;
    }
    if (!trap.fail(error) && validUnit(unit)) {
        unitAt(unit).inFlight.push_back({entry, ticket, m_uptime.TickCountMilliSec()});
        if (!m_answerCheck.isActive()) {
            m_answerCheck.start();
        }
    }
    trap.at(70);
    m_events.processPendingEvents();
    m_trace.line(QStringLiteral("TELNET: Player Sended"));
}
