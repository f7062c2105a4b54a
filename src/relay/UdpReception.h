#pragma once

#include "base/AppError.h"
#include "model/FrmSetup.h"
#include "platform/UdpSocket.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class AlertMail;
class Clock;
class DialogsHost;
class ErrorReporter;
class ErrorTrap;
class EventPump;
class Frm_Main;
class PlayerQueues;
class TraceSink;
struct ProgramState;

// The player's listeners SocketWrenchUDPIn(0..9): opened and closed by their check
// boxes in the settings window, each arriving datagram queued for the dispatcher
// and shown in the main window's reception list. A listener that reports a blocking
// read is closed, announced by mail and bound again.
//
// A listener's address and port fields are disabled exactly while it is bound:
// every close, whatever its cause, enables them again.
class UdpReception final : public QObject {
    Q_OBJECT

public:
    static constexpr qint32 MaxDatagram = 1024; // bytes read per datagram
    static constexpr qint32 ProtocolUdp = 17;

    static constexpr int NbListeners = FrmSetup::NbUdp;

    UdpReception(ProgramState& state, FrmSetup& setup, Frm_Main& main, PlayerQueues& queues,
                 const UdpSocketFactory& makeUdp, TraceSink& trace, ErrorReporter& errors,
                 EventPump& events, DialogsHost& dialogs, AlertMail& mail, const Clock& clock);

    // Whether the settings window is on screen (decides how an unusable listening
    // address is reported). Headless: never.
    void setSettingsVisible(std::function<bool()> visible) {
        m_settingsVisible = std::move(visible);
    }

    // Opens listener i when its box is ticked (1), closes it otherwise.
    void CheckUDPInActif_Click(qint16 i);
    // One datagram per event.
    void SocketWrenchUDPIn_OnRead(qint16 i);
    void SocketWrenchUDPIn_OnError(qint16 i, qint32 code, const QString& description);

    // The name of a socket error code, empty for a code without one.
    static QString LibSockectErr(qint32 code);

    // The listeners, one per row of the settings window.
    std::array<std::unique_ptr<UdpSocket>, NbListeners> SocketWrenchUDPIn;

    // How CheckUDPInActif_Click reports a failure raised while it runs (as opposed to
    // the socket's own results, which the binding logs itself): 126 is a warning line;
    // 10049 with the settings window on screen a message box; the codes that have a
    // name an incident "Err: " name ": " context; any other the common error report.
    // Pending events then run and the procedure goes on. Today the failures that
    // reach it are an index outside 0 to 9 and a port that does not fit 32 bits.
    void reportClickFailure(ErrorTrap& trap, qint16 i, const QString& address, const QString& port,
                            const AppError& error);

private:
    UdpSocket* listener(qint16 i, ErrorTrap& trap);
    // Steps 2 to 7 of the binding, "caller" names the procedure in the error lines.
    // A listener address given by name is looked up first, without waiting.
    void bindListener(qint16 i, const QString& address, qint32 port, const QString& caller);
    void onResolved(qint16 i, const QString& name, qint32 code, const QString& address);
    void bindAddress(qint16 i, const QString& local, qint32 port, const QString& caller);
    // Disconnects after a read error; the log lines of the read event.
    void closeAfterReadError(qint16 i);
    void recoverWouldBlock(qint16 i);
    void setFieldsEnabled(qint16 i, bool enabled);

    ProgramState& m_state;
    FrmSetup& m_setup;
    Frm_Main& m_main;
    PlayerQueues& m_queues;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    EventPump& m_events;
    DialogsHost& m_dialogs;
    AlertMail& m_mail;
    const Clock& m_clock;
    std::function<bool()> m_settingsVisible = [] { return false; };
    struct PendingBind {
        QString name;
        qint32 port = 0;
        QString caller;
    };
    // A binding that waits for its name lookup; dropped when the listener is closed.
    std::array<std::optional<PendingBind>, NbListeners> m_pendingBinds;
};
