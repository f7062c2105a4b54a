#include "relay/UdpReception.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TextFormat.h"
#include "base/TimeStamp.h"
#include "base/TraceSink.h"
#include "base/VisibleText.h"
#include "incidents/AlertMail.h"
#include "model/FrmSetup.h"
#include "model/Frm_Main.h"
#include "model/ProgramState.h"
#include "platform/DialogsHost.h"
#include "platform/EventPump.h"
#include "platform/UdpSocket.h"
#include "relay/PlayerMessage.h"
#include "relay/PlayerQueues.h"

#include <optional>

namespace {

const QString ClickCaller = QStringLiteral("FrmSetup:CheckUDPInActif_Click");
const QString ReadCaller = QStringLiteral("Frm_MainBis:SocketWrenchUDPIn_OnRead");

QString num(qint64 n) {
    return QString::number(n);
}

QString indexTag(qint16 i) {
    return QStringLiteral(" (Index: ") + num(i) + QLatin1Char(')');
}

bool startsWithDigit(const QString& text) {
    return !text.isEmpty() && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9');
}

// A port field read the classic way and rounded into 32 bits; none when it overflows.
std::optional<qint32> portOf(const QString& field) {
    const std::optional<double> value = Val(field);
    return value ? ToInt32(*value) : std::nullopt;
}

} // namespace

UdpReception::UdpReception(ProgramState& state, FrmSetup& setup, Frm_Main& main,
                           PlayerQueues& queues, const UdpSocketFactory& makeUdp, TraceSink& trace,
                           ErrorReporter& errors, EventPump& events, DialogsHost& dialogs,
                           AlertMail& mail, const Clock& clock)
    : m_state(state), m_setup(setup), m_main(main), m_queues(queues), m_trace(trace),
      m_errors(errors), m_events(events), m_dialogs(dialogs), m_mail(mail), m_clock(clock) {
    for (auto& socket : SocketWrenchUDPIn) {
        socket = makeUdp();
    }
    for (int index = 0; index < NbListeners; ++index) {
        const qint16 i = qint16(index);
        connect(&m_setup.CheckUDPInActif[index], &CheckField::clicked, this,
                [this, i] { CheckUDPInActif_Click(i); });
        UdpSocket* socket = SocketWrenchUDPIn[index].get();
        if (!socket) {
            continue;
        }
        connect(socket, &UdpSocket::readyRead, this, [this, i] { SocketWrenchUDPIn_OnRead(i); });
        // The messages of one delivery go to the air in the same turn of the loop.
        connect(socket, &UdpSocket::delivered, this, [this] {
            m_events.eventsJustRan();
            m_queues.deliveryEnded();
        });
        connect(socket, &UdpSocket::errorOccurred, this,
                [this, i](qint32 code, const QString& description) {
                    SocketWrenchUDPIn_OnError(i, code, description);
                });
        connect(socket, &UdpSocket::resolved, this,
                [this, i](const QString& name, qint32 code, const QString& address) {
                    onResolved(i, name, code, address);
                });
    }
}

UdpSocket* UdpReception::listener(qint16 i, ErrorTrap& trap) {
    if (i >= 0 && i < NbListeners && SocketWrenchUDPIn[i]) {
        return SocketWrenchUDPIn[i].get();
    }
    trap.fail(AppError::subscriptOutOfRange());
    return nullptr;
}

void UdpReception::setFieldsEnabled(qint16 i, bool enabled) {
    m_setup.TexteUDPIPSource[i].setEnabled(enabled);
    m_setup.TexteUDPPortSource[i].setEnabled(enabled);
}

QString UdpReception::LibSockectErr(qint32 code) {
    switch (code) {
    case 7:
        return QStringLiteral("OutOfMemory");
    case 380:
        return QStringLiteral("InvalidPropertyValue");
    case 383:
        return QStringLiteral("SetNotSupported");
    case 394:
        return QStringLiteral("GetNotSupported");
    case 10004:
        return QStringLiteral("OpCanceled");
    case 10014:
    case 40014:
        return QStringLiteral("InvalidArgument");
    case 10035:
        return QStringLiteral("AddWouldBlock");
    case 10037:
        return QStringLiteral("AlreadyComplete");
    case 10038:
        return QStringLiteral("NotSocket");
    case 10040:
        return QStringLiteral("MsgTooBig");
    case 10043:
        return QStringLiteral("PortNotSupported");
    case 10048:
        return QStringLiteral("AddressInUse");
    case 10049:
        return QStringLiteral("AddressNotAvailable");
    case 10050:
        return QStringLiteral("NetworkSubsystemFailed");
    case 10051:
        return QStringLiteral("NetworkUnreachable");
    case 10052:
        return QStringLiteral("NetReset");
    case 10053:
        return QStringLiteral("ConnectAborted");
    case 10054:
        return QStringLiteral("ConnectionReset");
    case 10055:
        return QStringLiteral("NoBufferSpace");
    case 10056:
        return QStringLiteral("AlreadyConnected");
    case 10057:
        return QStringLiteral("NotConnected");
    case 10058:
        return QStringLiteral("SocketShutdown");
    case 10060:
        return QStringLiteral("Timedout");
    case 10061:
        return QStringLiteral("ConnectionRefused");
    case 10093:
        return QStringLiteral("NotInitialized");
    case 11001:
        return QStringLiteral("HostNotFound");
    case 11002:
        return QStringLiteral("HostNotFoundTryAgain");
    case 11003:
        return QStringLiteral("NonRecoverableError");
    case 11004:
        return QStringLiteral("NoData");
    case 40006:
        return QStringLiteral("BadState");
    case 40017:
        return QStringLiteral("Success");
    case 40018:
        return QStringLiteral("Unsupported");
    case 40020:
        return QStringLiteral("InvalidOp");
    case 40021:
        return QStringLiteral("OutOfRange");
    case 40026:
        return QStringLiteral("WrongProtocol");
    default:
        return QString();
    }
}

void UdpReception::reportClickFailure(ErrorTrap& trap, qint16 i, const QString& address,
                                      const QString& port, const AppError& error) {
    const QString context = address + QLatin1Char(':') + port + QStringLiteral(" |Idx: ") + num(i) +
                            QStringLiteral(" |FrmSetup:CheckUDPInActif_Click:") + num(trap.line());
    const QString name = LibSockectErr(error.number);
    if (error.number == 126) {
        m_trace.line(QStringLiteral("Warning: 126: ") + context);
    } else if (error.number == 10049 && m_settingsVisible()) {
        m_dialogs.ask(m_main.Caption.text(), QStringLiteral("Adresse d'écoute non valide."),
                      DialogsHost::Buttons::Ok, DialogsHost::Icon::Warning,
                      DialogsHost::Answer::Ok);
    } else if (!name.isEmpty()) {
        m_trace.line(QStringLiteral("Err: ") + name + QStringLiteral(": ") + context, true);
    } else {
        trap.fail(error);
    }
    m_events.processPendingEvents();
}

void UdpReception::bindListener(qint16 i, const QString& address, qint32 port,
                                const QString& caller) {
    if (!startsWithDigit(address)) {
        m_pendingBinds[size_t(i)] = PendingBind{address, port, caller};
        SocketWrenchUDPIn[i]->resolveLater(address);
        return;
    }
    m_pendingBinds[size_t(i)].reset();
    bindAddress(i, address, port, caller);
}

void UdpReception::onResolved(qint16 i, const QString& name, qint32 code, const QString& address) {
    std::optional<PendingBind>& pending = m_pendingBinds[size_t(i)];
    if (!pending || pending->name != name) {
        return; // the listener was closed or set again meanwhile
    }
    const PendingBind bind = *std::exchange(pending, std::nullopt);
    UdpSocket& socket = *SocketWrenchUDPIn[i];
    if (code == 0) {
        m_trace.line(QStringLiteral("UDP: SocketWrenchUDPIn.Resolve: HostName changed to "
                                    "HostAddress: ") +
                     name + QStringLiteral(" to ") + address);
        bindAddress(i, address, bind.port, bind.caller);
        return;
    }
    const QString reason =
        num(socket.lastError()) + QStringLiteral(": ") + socket.lastErrorString();
    m_trace.line(QStringLiteral("Warning: UDP: SocketWrenchUDPIn.Resolve: ") + reason +
                 QStringLiteral(" |Sub: ") + bind.caller);
    // An unknown name cannot be bound to either; the resolver is not asked twice.
    const QString endpoint = name + QLatin1Char(':') + num(bind.port) + indexTag(i);
    m_trace.line(QStringLiteral("UDP: SocketWrenchUDPIn: Try to Bind: ") + endpoint);
    m_trace.line((code == 11001 ? QStringLiteral("Warning: ") : QStringLiteral("Err: ")) +
                 QStringLiteral("UDP: SocketWrenchUDPIn.Bind: ") + reason + indexTag(i) +
                 QStringLiteral(" |Sub") + bind.caller);
}

void UdpReception::bindAddress(qint16 i, const QString& local, qint32 port, const QString& caller) {
    UdpSocket& socket = *SocketWrenchUDPIn[i];
    socket.setBlocking(false);
    const QString endpoint = local + QLatin1Char(':') + num(port) + indexTag(i);
    m_trace.line(QStringLiteral("UDP: SocketWrenchUDPIn: Try to Bind: ") + endpoint);
    if (socket.bind(local, port, ProtocolUdp) == 0) {
        m_trace.line(QStringLiteral("UDP: SocketWrenchUDPIn.Binded to: ") + endpoint);
        setFieldsEnabled(i, false);
        return;
    }
    const qint32 code = socket.lastError();
    m_trace.line((code == 11001 ? QStringLiteral("Warning: ") : QStringLiteral("Err: ")) +
                 QStringLiteral("UDP: SocketWrenchUDPIn.Bind: ") + num(code) +
                 QStringLiteral(": ") + socket.lastErrorString() + indexTag(i) +
                 QStringLiteral(" |Sub") + caller);
}

void UdpReception::CheckUDPInActif_Click(qint16 i) {
    ErrorTrap trap(m_errors, ClickCaller);
    trap.at(10);
    UdpSocket* socket = listener(i, trap);
    if (!socket) {
        m_events.processPendingEvents();
        m_state.PbBPeripheriquesModifies = true;
        return;
    }
    const auto disconnectLine = [&](const QString& success) {
        if (socket->disconnectSocket() == 0) {
            m_trace.line(success + indexTag(i));
            setFieldsEnabled(i, true);
        } else {
            m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPIn.Disconnect: ") +
                         num(socket->lastError()) + QStringLiteral(": ") +
                         socket->lastErrorString() + indexTag(i) +
                         QStringLiteral(" |SubFrmSetup:CheckUDPInActif_Click"));
        }
    };

    if (m_setup.CheckUDPInActif[i].value() == 1) {
        trap.at(20);
        const QString address = m_setup.TexteUDPIPSource[i].text();
        const QString portField = m_setup.TexteUDPPortSource[i].text();
        if (isBlank(address)) {
            m_trace.line(
                QStringLiteral("Err: Unable to Check CheckUDPInActif due to IP source is empty"));
        } else if (const std::optional<qint32> port = portOf(portField); !port) {
            // A port that cannot be a port: reported, and nothing is opened on a
            // number the user never typed.
            reportClickFailure(trap, i, address, portField, AppError::overflow());
        } else {
            trap.at(30);
            m_state.PbLErreurNumero = 0;
            disconnectLine(QStringLiteral("UDP: SocketWrenchUDPIn.Disconnected"));
            trap.at(40);
            if (socket->handle() == -1) {
                bindListener(i, address, *port, ClickCaller);
            }
        }
    } else {
        trap.at(50);
        m_pendingBinds[size_t(i)].reset();
        disconnectLine(QStringLiteral("UDP: SocketWrenchUDPIn.Disconnected "));
        setFieldsEnabled(i, true);
    }
    trap.at(60);
    m_state.PbBPeripheriquesModifies = true;
}

void UdpReception::SocketWrenchUDPIn_OnRead(qint16 i) {
    ErrorTrap trap(m_errors, ReadCaller);
    trap.at(10);
    if (m_state.PbBFermetureApplication) {
        return;
    }
    UdpSocket* socket = listener(i, trap);
    if (!socket) {
        return;
    }
    trap.at(20);
    QByteArray data;
    // One byte more than a player may send tells a longer datagram from one that fits.
    const qint32 n = socket->read(data, MaxDatagram + 1);
    if (n > MaxDatagram) {
        // Cut, it could lose the tag that names its unit and reach another one.
        m_trace.line(QStringLiteral("Warning: UDP: a datagram longer than ") + num(MaxDatagram) +
                     QStringLiteral(" bytes is refused: ") +
                     withVisibleControls(fromWindows1252(data.left(80))) + QStringLiteral("..."));
        return;
    }
    if (n > 0) {
        trap.at(30);
        const QString text = fromWindows1252(data.left(n));
        if (const std::optional<QString> why = refusalOf(text)) {
            m_trace.line(QStringLiteral("Warning: UDP: datagram refused (") + *why +
                         QStringLiteral("): ") + withVisibleControls(text));
            return;
        }
        m_trace.line(QStringLiteral("UDP: Data arrival: Added to ListeDataArrival: ") + text);
        if (!isBlank(text)) {
            m_queues.appendRead(i, text);
            m_main.ListeReception.addCapped(TimingMilliSec(m_clock) + QStringLiteral(" :") + text,
                                            true);
        }
        return;
    }
    if (n == 0) {
        return;
    }
    trap.at(40);
    const qint32 code = socket->lastError();
    const QString description = socket->lastErrorString();
    if (code == 10054) {
        m_trace.line(
            QStringLiteral("Err: UDP: SocketWrenchUDPIn_OnRead: There is no server running "
                           "on the specified host address and/or port number |Remote: ") +
                socket->remoteAddress() + QLatin1Char(':') + num(socket->remotePort()),
            true);
        m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPIn_OnRead: ") + num(code) +
                     QStringLiteral(": ") + description);
        trap.at(50);
        closeAfterReadError(i);
    } else if (code == 10035) {
        trap.at(60);
        recoverWouldBlock(i);
    } else {
        m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPIn_OnRead: ") + num(code) +
                         QStringLiteral(": ") + description +
                         QStringLiteral(" |SubFrm_MainBis:SocketWrenchUDPIn_OnRead"),
                     true);
    }
}

void UdpReception::closeAfterReadError(qint16 i) {
    UdpSocket& socket = *SocketWrenchUDPIn[i];
    if (socket.handle() == -1) {
        return;
    }
    if (socket.disconnectSocket() == 0) {
        m_trace.line(QStringLiteral("UDP: SocketWrenchUDPIn.Disconnect: True"));
        setFieldsEnabled(i, true);
    } else {
        m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPIn.Disconnect: ") +
                     num(socket.lastError()) + QStringLiteral(": ") + socket.lastErrorString() +
                     QStringLiteral(" |SubFrm_MainBis:SocketWrenchUDPIn_OnRead"));
    }
}

void UdpReception::recoverWouldBlock(qint16 i) {
    m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPIn_OnRead: The specified operation would "
                                "block the current thread"));
    closeAfterReadError(i);
    m_mail.EnvoiMail(0, m_setup.TexteEmailsAdresses.text(),
                     QStringLiteral("Re-Init SocketWrenchUDPIn due to swErrorOperationWouldBlock"),
                     QStringLiteral("SocketWrenchUDPIn"), true);
    // Events run while the mail leaves: a listener unticked or a program closing
    // meanwhile is not opened again behind the user's back.
    if (m_state.PbBFermetureApplication || m_setup.CheckUDPInActif[i].value() != 1) {
        return;
    }
    const QString address = m_setup.TexteUDPIPSource[i].text();
    if (isBlank(address)) {
        return;
    }
    const QString portField = m_setup.TexteUDPPortSource[i].text();
    const std::optional<qint32> port = portOf(portField);
    if (!port) {
        ErrorTrap trap(m_errors, ReadCaller);
        trap.at(70);
        trap.fail(AppError::overflow());
        return;
    }
    bindListener(i, address, *port, ReadCaller);
}

void UdpReception::SocketWrenchUDPIn_OnError(qint16 i, qint32 code, const QString& description) {
    m_trace.line(QStringLiteral("Err: UDP: SocketWrenchUDPIn_OnError: Index: ") + num(i) +
                 QStringLiteral(" ErrorCode: ") + num(code) + QStringLiteral(" Description: ") +
                 description);
}
