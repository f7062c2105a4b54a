#include "relay/DataArrival.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "base/TraceSink.h"
#include "model/FrmSetup.h"
#include "model/ProgramState.h"
#include "platform/EventPump.h"
#include "relay/PlayerMessage.h"
#include "relay/PlayerQueues.h"
#include "sound4/Sound4Link.h"
#include "sound4/Sound4Receiver.h"
#include "sound4/Sound4Sessions.h"

namespace {

const QString Caller = QStringLiteral("Frm_MainBis:UDPDataArrival");

bool validUnit(int unit) {
    return unit >= 0 && unit < Sound4Link::NbSound4;
}

} // namespace

DataArrival::DataArrival(ProgramState& state, FrmSetup& setup, PlayerQueues& queues,
                         Sound4Link& link, Sound4Sessions& sessions, Sound4Receiver& receiver,
                         TraceSink& trace, ErrorReporter& errors, EventPump& events)
    : m_state(state), m_setup(setup), m_queues(queues), m_link(link), m_sessions(sessions),
      m_trace(trace), m_errors(errors), m_events(events) {
    connect(&m_queues.TimerDataArrival, &QTimer::timeout, this,
            &DataArrival::TimerDataArrival_Timer);
    // Answers come in the order of the lines: each one settles the oldest message.
    connect(&receiver, &Sound4Receiver::answerReceived, this, [this](int unit) {
        if (validUnit(unit) && !m_inFlight[size_t(unit)].empty()) {
            m_resends.remove(m_inFlight[size_t(unit)].front().message);
            m_inFlight[size_t(unit)].pop_front();
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

void DataArrival::requeueInFlight(int unit) {
    std::deque<InFlight> pending;
    pending.swap(m_inFlight[size_t(unit)]);
    if (m_resends.size() > qsizetype(MaxInFlight) * Sound4Link::NbSound4) {
        m_resends.clear(); // only messages never answered nor given up stay: forget them
    }
    std::deque<InFlight> again;
    for (const InFlight& m : pending) {
        int& times = m_resends[m.message];
        if (++times > MaxResends) {
            m_resends.remove(m.message);
            m_trace.line(QStringLiteral("Warning: TELNET: Sound4 #") + QString::number(unit) +
                         QStringLiteral(" dropped the session ") + QString::number(MaxResends + 1) +
                         QStringLiteral(" times on this message: given up: ") + m.message);
            continue;
        }
        m_trace.line(QStringLiteral("TELNET: Data Re-Added to ListeDataArrival: ") + m.message);
        again.push_back(m);
    }
    // Newest first at the head, so that the oldest ends up first.
    for (auto it = again.rbegin(); it != again.rend(); ++it) {
        m_queues.ListeDataArrival[size_t(it->listener)].insertItem(0, it->message);
    }
    if (!again.empty()) {
        m_queues.wake();
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
        drainQueues();
        m_passRunning = false;
        timer.stop();
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
    for (int i = 0; i < PlayerQueues::NbListeners; ++i) {
        ListField& queue = m_queues.ListeDataArrival[i];
        while (!queue.isEmpty()) {
            const QString message = queue.takeFirst();
            m_trace.line(QStringLiteral("TimerDataArrival_Timer: Chaine: ") + message +
                         QStringLiteral(" |Index: ") + QString::number(i) +
                         QStringLiteral(" |Nb: 1/") + QString::number(queue.count()));
            if (!isBlank(message)) {
                UDPDataArrival(qint16(i), message);
            }
            if (m_state.PbBFermetureApplication) {
                return;
            }
            m_events.processPendingEvents();
        }
        if (m_state.PbBFermetureApplication) {
            return;
        }
        m_events.processPendingEvents();
    }
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
    const QString trimmed = trimBlanks(cmd);
    m_trace.line(QStringLiteral("TELNET: Player Send: ") + trimmed);
    trap.at(50);
    m_setup.TexteCommandeATester.setText(cmd);
    m_setup.ListeResultat.clear();
    trap.at(60);
    const AppError error = m_sessions.Sound4Send(unit, UTF8_Encode_System(trimmed) + "\r\n");
    if (error.number == 10053 || error.number == 10057) {
        m_trace.line(QStringLiteral("Err: TELNET: ") + QString::number(error.number) +
                     QStringLiteral(": ") + error.description + QStringLiteral(" |Sub: ") + Caller +
                     QLatin1Char(':') + QString::number(trap.line()));
        // The unanswered messages go back in front of this one, once it is queued.
        std::deque<InFlight> unanswered;
        unanswered.swap(m_inFlight[size_t(unit)]);
        m_link.connection(unit)->close();
        if (isBlank(m_setup.TexteSound4IP[unit].text())) {
            // A unit with no host can never be reached: retrying would stall every
            // queue for ever. The message is dropped, once, with a warning.
            m_trace.line(QStringLiteral("Warning: TELNET: Sound4 #") + QString::number(unit) +
                         QStringLiteral(" has no host: message dropped: ") + message);
            return;
        }
        m_trace.line(QStringLiteral("TELNET: Data Re-Added to ListeDataArrival: ") + message);
        // Back at the head of its queue, not its tail: a newer message behind it must
        // not reach the unit first (an older RDS text would overwrite a newer one).
        // The unanswered ones written before it go back before it.
        m_queues.ListeDataArrival[listener].insertItem(0, message);
        unanswered.swap(m_inFlight[size_t(unit)]);
        requeueInFlight(unit);
        if (m_setup.CommandSound4Login[unit].caption() == QLatin1String("Logout")) {
            m_trace.line(QStringLiteral("Try to Logout Sound4 #") + QString::number(unit));
            m_sessions.CommandSound4Login_Click(qint16(unit));
            m_events.processPendingEvents();
        }
        m_trace.line(QStringLiteral("Try to Login Sound4 #") + QString::number(unit));
        m_state.PbBSound4Connected[unit] = false;
        m_sessions.CommandSound4Login_Click(qint16(unit));
        return;
    }
    if (!trap.fail(error) && validUnit(unit)) {
        std::deque<InFlight>& pending = m_inFlight[size_t(unit)];
        pending.push_back({listener, message});
        if (pending.size() > MaxInFlight) {
            pending.pop_front();
        }
    }
    trap.at(70);
    m_events.processPendingEvents();
    m_trace.line(QStringLiteral("TELNET: Player Sended"));
}
