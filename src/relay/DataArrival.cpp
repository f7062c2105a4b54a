#include "relay/DataArrival.h"

#include "log/ErrorTrap.h"
#include "log/TraceSink.h"
#include "platform/EventPump.h"
#include "relay/PlayerMessage.h"
#include "settings/FrmSetup.h"
#include "shell/Frm_MainBis.h"
#include "shell/ProgramState.h"
#include "sound4/Sound4Sessions.h"
#include "util/Blanks.h"
#include "util/TextFormat.h"

namespace {

const QString Caller = QStringLiteral("Frm_MainBis:UDPDataArrival");

bool validUnit(int unit) {
    return unit >= 0 && unit < Frm_MainBis::NbSound4;
}

} // namespace

DataArrival::DataArrival(ProgramState& state, FrmSetup& setup, Frm_MainBis& hidden,
                         Sound4Sessions& sessions, TraceSink& trace, ErrorReporter& errors,
                         EventPump& events)
    : m_state(state), m_setup(setup), m_hidden(hidden), m_sessions(sessions), m_trace(trace),
      m_errors(errors), m_events(events) {
    connect(&m_hidden.TimerDataArrival, &QTimer::timeout, this,
            &DataArrival::TimerDataArrival_Timer);
}

QString DataArrival::timerState() const {
    return m_hidden.TimerDataArrival.isActive() ? QStringLiteral("True") : QStringLiteral("False");
}

void DataArrival::TimerDataArrival_Timer() {
    QTimer& timer = m_hidden.TimerDataArrival;
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
        for (const ListField& queue : m_hidden.ListeDataArrival) {
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
    for (int i = 0; i < Frm_MainBis::NbUdp; ++i) {
        ListField& queue = m_hidden.ListeDataArrival[i];
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
        m_hidden.TelnetSound4[unit]->close();
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
        m_hidden.ListeDataArrival[listener].insertItem(0, message);
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
    trap.fail(error);
    trap.at(70);
    m_events.processPendingEvents();
    m_trace.line(QStringLiteral("TELNET: Player Sended"));
}
