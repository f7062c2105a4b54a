#include "sound4/Sound4Sessions.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TextFormat.h"
#include "base/TimeStamp.h"
#include "base/TraceSink.h"
#include "base/UptimeCounter.h"
#include "model/FrmSetup.h"
#include "model/ProgramState.h"
#include "platform/EventPump.h"
#include "sound4/Sound4Link.h"

namespace {

const QString LoginCaption = QStringLiteral("Login");

QString callerName(const char* procedure) {
    const QString name = QLatin1String(procedure);
    const bool onHiddenForm = name.startsWith(QLatin1String("TelnetSound4")) ||
                              name.startsWith(QLatin1String("Timer30s"));
    return (onHiddenForm ? QStringLiteral("Frm_MainBis:") : QStringLiteral("FrmSetup:")) + name;
}

} // namespace

Sound4Sessions::Sound4Sessions(ProgramState& state, FrmSetup& setup, Sound4Link& link,
                               TraceSink& trace, ErrorReporter& errors, UptimeCounter& uptime,
                               EventPump& events, const Clock& clock)
    : m_state(state), m_setup(setup), m_link(link), m_trace(trace), m_errors(errors),
      m_uptime(uptime), m_events(events), m_clock(clock) {
    for (int unit = 0; unit < Sound4Link::NbSound4; ++unit) {
        TelnetConnection* connection = m_link.connection(unit);
        if (!connection) {
            continue;
        }
        const qint16 u = qint16(unit);
        connect(connection, &TelnetConnection::stateChanged, this,
                [this, u] { TelnetSound4_State(u); });
        connect(connection, &TelnetConnection::errorOccurred, this,
                [this, u](qint32 code, const QString& description) {
                    TelnetSound4_Error(u, code, description);
                });
    }
    connect(&m_link.Timer30s, &QTimer::timeout, this, &Sound4Sessions::Timer30s_Timer);
    m_link.Timer30s.start();
}

bool Sound4Sessions::validUnit(qint16 unit, const char* procedure) {
    if (m_link.connection(unit)) {
        return true;
    }
    ErrorTrap trap(m_errors, callerName(procedure));
    trap.at(10);
    trap.fail(AppError::subscriptOutOfRange());
    return false;
}

AppError Sound4Sessions::Sound4Send(int unit, const QByteArray& text, Sound4Request request,
                                    quint64* ticket) {
    TelnetConnection* connection = m_link.connection(unit);
    if (!connection) {
        return AppError::subscriptOutOfRange();
    }
    const AppError error = connection->send(text);
    if (error.number == 0) {
        const quint64 awaited = m_link.unit(unit).awaited.expect(request);
        if (ticket) {
            *ticket = awaited;
        }
    }
    return error;
}

void Sound4Sessions::addTelnetRow(const QString& row) {
    m_setup.ListeTelNet.addCapped(row);
    m_setup.ListeTelNet.setSelection(m_setup.ListeTelNet.count() - 1);
}

void Sound4Sessions::clearHelpFlags(int unit) {
    m_state.PbBSound4HelpListe[unit] = false;
    m_state.PbBSound4HelpSection[unit] = false;
    m_state.PbBSound4HelpDetail[unit] = false;
}

void Sound4Sessions::CommandSound4Login_Click(qint16 unit) {
    if (!validUnit(unit, "CommandSound4Login_Click")) {
        return;
    }
    if (m_setup.CommandSound4Login[unit].caption() == LoginCaption) {
        logIn(unit);
    } else {
        logOut(unit);
    }
}

void Sound4Sessions::logIn(qint16 unit) {
    m_loggingIn[size_t(unit)] = true;
    Q_EMIT loginStarted(unit);
    logInSteps(unit);
    m_loggingIn[size_t(unit)] = false;
    Q_EMIT loginEnded(unit);
}

void Sound4Sessions::logInSteps(qint16 unit) {
    ErrorTrap trap(m_errors, callerName("CommandSound4Login_Click"));
    trap.at(10);
    if (!m_state.PbBSound4Connected[unit]) {
        CommandSound4Connecter_Click(unit, true);
    }
    trap.at(20);
    if (!m_state.PbBSound4Connected[unit]) {
        m_trace.line(
            QStringLiteral("Err: Unable to connect to Sound4 #") + QString::number(unit + 1), true);
        return;
    }
    trap.at(30);
    const QString serial = trimBlanks(m_setup.TexteSound4NoSerie[unit].text());
    const QString user = trimBlanks(m_setup.TexteSound4User[unit].text());
    const QString password = trimBlanks(m_setup.TexteSound4PW[unit].text());
    if (user.isEmpty()) {
        return;
    }
    trap.at(40);
    m_link.setState(unit, Sound4Link::State::LoggingIn);
    const QString credentials =
        serial.isEmpty() ? user + QLatin1Char(',') + password
                         : serial + QLatin1Char(',') + user + QLatin1Char(',') + password;
    clearHelpFlags(unit);
    trap.at(50);
    trap.fail(Sound4Send(unit, toWindows1252(QStringLiteral("login ") + credentials) + "\r\n",
                         Sound4Request::Login));

    trap.at(60);
    const qint64 start = m_uptime.TickCountMilliSec();
    for (;;) {
        const qint64 elapsed = qAbs(m_uptime.TickCountMilliSec() - start);
        if (elapsed > WaitMs) {
            break;
        }
        if (m_state.PbBSound4LoggedIn[unit]) {
            break; // the acknowledgement made the unit logged in
        }
        if (m_state.PbBQuitterEnCours) {
            break; // quitting: the program must not wait on a unit
        }
        m_events.waitForEvents(WaitMs + 1 - elapsed);
    }
    trap.at(70);
    if (m_link.state(unit) == Sound4Link::State::LoggingIn) {
        m_link.setState(unit, Sound4Link::State::Connected); // not acknowledged in time
    }
    m_state.PbBSound4LoginPending[unit] = false;
    m_setup.ShapeNoSound4[unit].setVisible(true);
}

void Sound4Sessions::logOut(qint16 unit) {
    ErrorTrap trap(m_errors, callerName("CommandSound4Login_Click"));
    trap.at(110);
    if (!m_state.PbBSound4LoggedIn[unit]) {
        return;
    }
    clearHelpFlags(unit);
    trap.at(120);
    m_link.setState(unit, Sound4Link::State::LoggingOut);
    trap.fail(Sound4Send(unit, QByteArrayLiteral("logout"), Sound4Request::Logout));
    trap.at(130);
    // The session stays open on the unit's side; the program no longer uses it.
    m_link.setState(unit, Sound4Link::State::Disconnected);
    m_state.PbBSound4Reconnect[unit] = false;
    m_setup.ShapeNoSound4[unit].setVisible(false);
}

void Sound4Sessions::CommandSound4Connecter_Click(qint16 unit, bool connectIt) {
    if (!validUnit(unit, "CommandSound4Connecter_Click")) {
        return;
    }
    if (connectIt) {
        connectUnit(unit);
    } else {
        disconnectUnit(unit);
    }
}

void Sound4Sessions::connectUnit(qint16 unit) {
    ErrorTrap trap(m_errors, callerName("CommandSound4Connecter_Click"));
    TelnetConnection& connection = *m_link.connection(unit);
    trap.at(10);
    const QString host = m_setup.TexteSound4IP[unit].text();
    const qint32 port =
        ToInt32(Val(m_setup.TexteSound4Port[unit].text()).value_or(0.0)).value_or(0);
    if (isBlank(host)) {
        return;
    }
    trap.at(20);
    m_link.setState(unit, Sound4Link::State::Connecting);
    m_state.PbBSound4Reconnect[unit] = false;
    clearHelpFlags(unit);

    trap.at(30);
    switch (m_setup.CheckSound4AutoLogin[unit].value()) {
    case 1:
        connection.setTimeout(10000);
        connection.setTerminalType(QStringLiteral("tty"));
        break;
    case 0:
        connection.setTerminalType(QStringLiteral("tty"));
        connection.setOptionNegotiation(false);
        connection.setTimeout(0);
        if (port == 23) {
            connection.setOptionNegotiation(true);
        }
        break;
    default:
        break;
    }
    trap.at(40);
    connection.connectToHost(host, port);

    trap.at(50);
    const qint64 start = m_uptime.TickCountMilliSec();
    for (;;) {
        const qint64 elapsed = qAbs(m_uptime.TickCountMilliSec() - start);
        if (elapsed > WaitMs || m_state.PbBSound4Connected[unit] || m_state.PbBQuitterEnCours) {
            break;
        }
        m_events.waitForEvents(WaitMs + 1 - elapsed);
    }
}

void Sound4Sessions::disconnectUnit(qint16 unit) {
    ErrorTrap trap(m_errors, callerName("CommandSound4Connecter_Click"));
    TelnetConnection& connection = *m_link.connection(unit);
    trap.at(110);
    if (!m_state.PbBSound4Connected[unit]) {
        return;
    }
    clearHelpFlags(unit);
    trap.at(120);
    if (connection.state() == TelnetConnection::Connected) {
        connection.close();
    }
    trap.at(130);
    const qint64 start = m_uptime.TickCountMilliSec();
    for (;;) {
        const qint64 elapsed = qAbs(m_uptime.TickCountMilliSec() - start);
        if (elapsed > WaitMs) {
            break;
        }
        if (!m_state.PbBSound4Connected[unit]) {
            m_link.setState(unit, Sound4Link::State::Disconnected);
            break;
        }
        m_events.waitForEvents(WaitMs + 1 - elapsed);
    }
}

void Sound4Sessions::TelnetSound4_State(qint16 unit) {
    if (!validUnit(unit, "TelnetSound4_State")) {
        return;
    }
    const QString prefix = TimingMilliSec(m_clock) + QStringLiteral(" :") + QString::number(unit) +
                           QStringLiteral(": ");
    QString name;
    switch (m_link.connection(unit)->state()) {
    case TelnetConnection::Closed:
        name = QStringLiteral("Closed");
        m_link.setState(unit, Sound4Link::State::Disconnected);
        m_state.PbBSound4Reconnect[unit] = false;
        break;
    case TelnetConnection::Connecting:
        name = QStringLiteral("Connecting");
        break;
    case TelnetConnection::Connected:
        name = QStringLiteral("Connected");
        m_link.setState(unit, Sound4Link::State::Connected);
        m_state.PbBSound4Reconnect[unit] = false;
        break;
    case TelnetConnection::Closing:
        name = QStringLiteral("Closing");
        break;
    default:
        return;
    }
    m_trace.line(name + QStringLiteral(" |Sub: Frm_MainBis:TelnetSound4_State"));
    addTelnetRow(prefix + name);
}

void Sound4Sessions::TelnetSound4_Error(qint16 unit, qint32 code, const QString& description) {
    if (m_state.PbBQuitterEnCours) {
        return;
    }
    if (!validUnit(unit, "TelnetSound4_Error")) {
        return;
    }
    const QString text = QStringLiteral("Sound4 N° ") + QString::number(unit + 1) +
                         QStringLiteral(": Err: ") + QString::number(code) + QStringLiteral(": ") +
                         description;
    if (code != 11103) {
        Q_EMIT unitError(unit, text);
    }
    switch (code) {
    case 10053:
    case 10057:
        m_trace.line(text);
        if (m_link.state(unit) != Sound4Link::State::Disconnected) {
            m_link.setState(unit, Sound4Link::State::Disconnected);
        }
        m_state.PbBSound4Connected[unit] = false;
        m_state.PbCySound4ReconnectAt[unit] = m_uptime.TickCountMilliSec() + ReconnectDelayMs;
        m_state.PbBSound4Reconnect[unit] = true;
        break;
    case 10060:
        m_trace.line(text);
        break;
    case 11103:
        break;
    default:
        addTelnetRow(text);
        m_trace.line(text, true);
        break;
    }
}

void Sound4Sessions::Timer30s_Timer() {
    if (m_state.PbBFermetureApplication) {
        return;
    }
    for (int unit = 0; unit < int(m_setup.TexteSound4IP.size()); ++unit) {
        if (m_state.PbBQuitterEnCours) {
            return;
        }
        if (!m_state.PbBSound4Connected[unit] && m_state.PbBSound4Reconnect[unit] &&
            m_uptime.TickCountMilliSec() > m_state.PbCySound4ReconnectAt[unit]) {
            m_trace.line(QStringLiteral("Try to re-connect Sound4 N° ") +
                         QString::number(unit + 1));
            CommandSound4Login_Click(qint16(unit));
        }
    }
}
