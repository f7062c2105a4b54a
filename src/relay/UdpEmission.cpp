#include "relay/UdpEmission.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TextFormat.h"
#include "base/TimeStamp.h"
#include "base/TraceSink.h"
#include "base/UptimeCounter.h"
#include "model/FrmSetup.h"
#include "model/Frm_Main.h"
#include "model/SettingsState.h"
#include "platform/EventPump.h"
#include "platform/UdpSocket.h"

namespace {

QString num(qint64 n) {
    return QString::number(n);
}

bool startsWithDigit(const QString& text) {
    return !text.isEmpty() && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9');
}

bool validIndex(qint16 i) {
    return i >= 0 && i < UdpEmission::NbEmitters;
}

} // namespace

UdpEmission::UdpEmission(SettingsState& state, FrmSetup& setup, Frm_Main& main,
                         const UdpSocketFactory& makeUdp, TraceSink& trace, ErrorReporter& errors,
                         EventPump& events, UptimeCounter& uptime, const Clock& clock)
    : m_state(state), m_setup(setup), m_main(main), m_trace(trace), m_errors(errors),
      m_events(events), m_uptime(uptime), m_clock(clock) {
    for (auto& socket : SocketWrenchUDPOut) {
        socket = makeUdp();
    }
    for (int index = 0; index < NbEmitters; ++index) {
        const qint16 i = qint16(index);
        connect(&m_setup.CheckUDPOutActif[index], &CheckField::clicked, this,
                [this, i] { CheckUDPOutActif_Click(i); });
        UdpSocket* socket = SocketWrenchUDPOut[index].get();
        if (!socket) {
            continue;
        }
        connect(socket, &UdpSocket::connected, this,
                [this, i] { SocketWrenchUDPOut_OnConnect(i); });
        connect(socket, &UdpSocket::disconnected, this,
                [this, i] { SocketWrenchUDPOut_OnDisconnect(i); });
        connect(socket, &UdpSocket::written, this, [this, i] { SocketWrenchUDPOut_OnWrite(i); });
        connect(socket, &UdpSocket::errorOccurred, this,
                [this, i](qint32 code, const QString& description) {
                    SocketWrenchUDPOut_OnError(i, code, description);
                });
        connect(socket, &UdpSocket::resolved, this,
                [this, i](const QString& name, qint32 code, const QString& address) {
                    onResolved(i, name, code, address);
                });
    }
}

void UdpEmission::BtnUDPSend_Click(qint16 i) {
    ErrorTrap trap(m_errors, QStringLiteral("FrmSetup:BtnUDPSend_Click"));
    trap.at(10);
    if (!validIndex(i)) {
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    const QString text = m_setup.TexteUDPDonneeEnvoyees[i].text();
    if (isBlank(m_setup.TexteUDPIPCible[i].text()) ||
        Val(m_setup.TexteUDPPortCible[i].text()).value_or(0.0) == 0.0 || isBlank(text)) {
        return;
    }
    trap.at(20);
    SendMessageUDP(i, trimBlanks(text));
}

void UdpEmission::SendMessageUDP(qint16 i, const QString& text) {
    if (!validIndex(i)) {
        ErrorTrap trap(m_errors, QStringLiteral("FrmSetup:SendMessageUDP"));
        trap.at(10);
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    sendToPort(i, m_setup.TexteUDPPortCible[i].text(), text);
    m_events.processPendingEvents();
    pause();
    sendToPort(i, m_setup.TexteUDPPortBCible[i].text(), text);
}

// The three steps of one port: announce, send, report; nothing for a port that is
// not above 0.
void UdpEmission::sendToPort(qint16 i, const QString& portField, const QString& text) {
    ErrorTrap trap(m_errors, QStringLiteral("FrmSetup:SendMessageUDP"));
    trap.at(20);
    const std::optional<double> value = Val(portField);
    if (!value) {
        trap.fail(AppError::overflow());
        return;
    }
    if (*value <= 0.0) {
        return;
    }
    const QString address = m_setup.TexteUDPIPCible[i].text();
    const QString target = address + QLatin1Char(':') + portField + QLatin1Char(' ') + text;
    m_trace.line(QStringLiteral("UDP: NoAddress: ") + num(i) + QStringLiteral("| ") + target);
    trap.at(30);
    const auto report = [this, target](bool sent) {
        if (sent) {
            m_trace.line(QStringLiteral("UDP: Send to: ") + target);
        } else {
            // The datagram did not leave: no line may say it was sent.
            m_trace.line(QStringLiteral("Warning: UDP: Not sent to: ") + target);
        }
    };
    if (const std::optional<qint32> port = ToInt32(*value)) {
        SendDataUDPSocketWrench(0, address, *port, text, report);
    } else {
        trap.fail(AppError::overflow());
        trap.at(40);
        report(false);
    }
}

// A short pause that lets events run and costs no processor time.
void UdpEmission::pause() {
    const qint64 start = m_uptime.TickCountMilliSec();
    for (;;) {
        const qint64 elapsed = qAbs(m_uptime.TickCountMilliSec() - start);
        if (elapsed >= PauseMs) {
            return;
        }
        m_events.waitForEvents(PauseMs - elapsed);
    }
}

void UdpEmission::SendDataUDPSocketWrench(qint16 s, const QString& address, qint32 port,
                                          const QString& text, SendOutcome sent) {
    m_waiting.push_back({s, address, port, text, std::move(sent)});
    sendWaiting();
}

void UdpEmission::sendWaiting() {
    if (m_sending || m_lookingUp) {
        return; // the running send, or the lookup's answer, sends the rest
    }
    m_sending = true;
    while (!m_waiting.isEmpty()) {
        // A copy: events handled inside the send may queue more datagrams.
        const Datagram head = m_waiting.front();
        bool sent = false;
        if (!startOne(head, sent)) {
            m_lookingUp = true;
            break;
        }
        const Datagram done = m_waiting.takeFirst();
        if (done.sent) {
            done.sent(sent);
        }
    }
    m_sending = false;
}

bool UdpEmission::startOne(const Datagram& datagram, bool& sent) {
    ErrorTrap trap(m_errors, QStringLiteral("Frm_MainBis:SendDataUDPSocketWrench"));
    trap.at(10);
    const qint16 s = datagram.socket;
    if (!validIndex(s) || !SocketWrenchUDPOut[s]) {
        trap.fail(AppError::subscriptOutOfRange());
        return true;
    }
    if (isBlank(datagram.address)) {
        return true;
    }
    trap.at(20);
    if (!startsWithDigit(datagram.address)) {
        SocketWrenchUDPOut[s]->resolveLater(datagram.address);
        return false;
    }
    sent = sendTo(datagram, datagram.address);
    return true;
}

void UdpEmission::onResolved(qint16 s, const QString& name, qint32 code, const QString& address) {
    if (!m_lookingUp || m_waiting.isEmpty() || m_waiting.front().socket != s ||
        m_waiting.front().address != name) {
        return; // an answer nobody waits for any more
    }
    m_lookingUp = false;
    Datagram head = m_waiting.takeFirst();
    UdpSocket& socket = *SocketWrenchUDPOut[s];
    bool sent = false;
    if (code == 0) {
        m_trace.line(QStringLiteral("UDP: SocketWrenchUDPOut.Resolve: HostName changed to "
                                    "HostAddress: ") +
                     name + QStringLiteral(" to ") + address);
        m_sending = true;
        sent = sendTo(head, address);
        m_sending = false;
    } else {
        const QString reason =
            num(socket.lastError()) + QStringLiteral(": ") + socket.lastErrorString();
        m_trace.line(QStringLiteral("Warning: UDP: SocketWrenchUDPOut.Resolve: ") + reason +
                     QStringLiteral(" |Sub: Frm_MainBis:SendDataUDPSocketWrench"));
        // A name the resolver does not know cannot be connected to either; asking
        // the resolver a second time would only wait twice as long.
        m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPOut.Connect: ") + reason +
                     QStringLiteral(" |SubFrm_MainBis:SendDataUDPSocketWrench"));
    }
    if (head.sent) {
        head.sent(sent);
    }
    sendWaiting();
}

bool UdpEmission::sendTo(const Datagram& datagram, const QString& target) {
    ErrorTrap trap(m_errors, QStringLiteral("Frm_MainBis:SendDataUDPSocketWrench"));
    trap.at(20);
    const qint16 s = datagram.socket;
    const qint32 port = datagram.port;
    UdpSocket& socket = *SocketWrenchUDPOut[s];
    if (target == QLatin1String("127.0.0.1")) {
        return false; // nothing goes to the local loop-back address
    }
    trap.at(30);
    if (socket.handle() != -1) {
        if (socket.disconnectSocket() == 0) {
            m_trace.line(QStringLiteral("UDP: SocketWrenchUDPOut.Disconnected"));
        } else {
            m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPOut.Disconnect: ") +
                         num(socket.lastError()) + QStringLiteral(": ") + socket.lastErrorString() +
                         QStringLiteral(" |SubFrm_MainBis:SendDataUDPSocketWrench"));
        }
        m_events.processPendingEvents();
    }
    trap.at(40);
    // Only a socket opened towards this target may carry the datagram: one that
    // could not be closed still points at the previous target.
    if (socket.handle() != -1) {
        return false;
    }
    socket.setHostAddress(target);
    socket.setHostName(QString());
    socket.setRemotePort(port);
    const bool opened = socket.connectSocket(ProtocolUdp) == 0;
    if (opened) {
        m_trace.line(QStringLiteral("UDP: SocketWrenchUDPOut.Connected to: ") + target +
                     QLatin1Char(':') + num(port));
    } else {
        m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPOut.Connect: ") +
                     num(socket.lastError()) + QStringLiteral(": ") + socket.lastErrorString() +
                     QStringLiteral(" |SubFrm_MainBis:SendDataUDPSocketWrench"));
    }
    m_events.processPendingEvents();
    if (!opened) {
        return false;
    }
    trap.at(50);
    const QString data = trimBlanks(datagram.text).left(MaxDatagram);
    if (socket.write(toWindows1252(data)) < 0) {
        m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPOut.Write: ") +
                         num(socket.lastError()) + QStringLiteral(": ") + socket.lastErrorString(),
                     true);
        return false;
    }
    trap.at(60);
    m_trace.line(QStringLiteral("UDP: SocketWrenchUDPOut.Write: Data Sent to: ") + target +
                 QLatin1Char(':') + num(port) + QStringLiteral(" |Data: ") + datagram.text);
    m_main.ListeEmission.addCapped(TimingMilliSec(m_clock) + QStringLiteral(" :") + data, true);
    return true;
}

void UdpEmission::CheckUDPOutActif_Click(qint16 i) {
    ErrorTrap trap(m_errors, QStringLiteral("FrmSetup:CheckUDPOutActif_Click"));
    trap.at(10);
    if (!validIndex(i)) {
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    const bool unlocked = m_setup.CheckUDPOutActif[i].value() != 1;
    m_setup.TexteUDPIPCible[i].setEnabled(unlocked);
    m_setup.TexteUDPPortCible[i].setEnabled(unlocked);
    m_setup.TexteUDPPortBCible[i].setEnabled(unlocked);
    m_state.PbBPeripheriquesModifies = true;
}

void UdpEmission::eventLine(const char* event, qint16 s) {
    m_trace.line(QStringLiteral("UDP: SocketWrenchUDPOut_On") + QLatin1String(event) +
                 QStringLiteral(": Index: ") + num(s));
}

void UdpEmission::SocketWrenchUDPOut_OnAccept(qint16 s) {
    eventLine("Accept", s);
}
void UdpEmission::SocketWrenchUDPOut_OnCancel(qint16 s) {
    eventLine("Cancel", s);
}
void UdpEmission::SocketWrenchUDPOut_OnConnect(qint16 s) {
    eventLine("Connect", s);
}
void UdpEmission::SocketWrenchUDPOut_OnDisconnect(qint16 s) {
    eventLine("Disconnect", s);
}
void UdpEmission::SocketWrenchUDPOut_OnProgress(qint16 s) {
    eventLine("Progress", s);
}
void UdpEmission::SocketWrenchUDPOut_OnTimeout(qint16 s) {
    eventLine("Timeout", s);
}
void UdpEmission::SocketWrenchUDPOut_OnWrite(qint16 s) {
    eventLine("Write", s);
}

void UdpEmission::SocketWrenchUDPOut_OnError(qint16 s, qint32 code, const QString& description) {
    m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPOut_OnError: Index: ") + num(s) +
                 QStringLiteral(" ErrorCode: ") + num(code) + QStringLiteral(" Description: ") +
                 description);
}
