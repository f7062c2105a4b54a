#pragma once

#include "model/FrmSetup.h"
#include "platform/UdpSocket.h"

#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>

class Clock;
class ErrorReporter;
class EventPump;
class Frm_Main;
class TraceSink;
class UptimeCounter;
struct SettingsState;

// The settings window's ten UDP emitters: the Send button sends the emitter's text
// as one datagram to its target's first port, then to its second port. Every
// datagram leaves through emitter socket 0, closed and opened again for each one;
// the main window's emission list shows what was sent.
class UdpEmission final : public QObject {
    Q_OBJECT

public:
    static constexpr qint32 MaxDatagram = 1024; // characters sent at most
    static constexpr qint32 ProtocolUdp = 17;
    static constexpr qint64 PauseMs = 10; // between the two datagrams of one send

    static constexpr int NbEmitters = FrmSetup::NbUdp;

    UdpEmission(SettingsState& state, FrmSetup& setup, Frm_Main& main,
                const UdpSocketFactory& makeUdp, TraceSink& trace, ErrorReporter& errors,
                EventPump& events, UptimeCounter& uptime, const Clock& clock);

    void BtnUDPSend_Click(qint16 i);
    void SendMessageUDP(qint16 i, const QString& text);
    // Tells whether a datagram left: true once it was written.
    using SendOutcome = std::function<void(bool sent)>;

    // One datagram through socket s. Datagrams leave one at a time, in the order
    // asked: one asked for while another one runs (from an event handled inside it)
    // waits for that one to finish, so that it cannot redirect the socket between its
    // connect and its write. A target given by name is looked up without waiting:
    // that datagram, and every one asked for after it, waits for the answer while
    // the program goes on. `sent` runs once the datagram left or could not.
    void SendDataUDPSocketWrench(qint16 s, const QString& address, qint32 port, const QString& text,
                                 SendOutcome sent = {});
    // Locks (1) or unlocks the emitter's target fields.
    void CheckUDPOutActif_Click(qint16 i);

    // The emitter sockets' events: log lines only.
    void SocketWrenchUDPOut_OnAccept(qint16 s);
    void SocketWrenchUDPOut_OnCancel(qint16 s);
    void SocketWrenchUDPOut_OnConnect(qint16 s);
    void SocketWrenchUDPOut_OnDisconnect(qint16 s);
    void SocketWrenchUDPOut_OnError(qint16 s, qint32 code, const QString& description);
    void SocketWrenchUDPOut_OnProgress(qint16 s);
    void SocketWrenchUDPOut_OnTimeout(qint16 s);
    void SocketWrenchUDPOut_OnWrite(qint16 s);

    // The emitter sockets; every datagram leaves through socket 0.
    std::array<std::unique_ptr<UdpSocket>, NbEmitters> SocketWrenchUDPOut;

private:
    struct Datagram {
        qint16 socket;
        QString address;
        qint32 port;
        QString text;
        SendOutcome sent;
    };
    // Sends the waiting datagrams until one waits for a name lookup.
    void sendWaiting();
    // The first steps of one datagram; false when it waits for its lookup.
    bool startOne(const Datagram& datagram, bool& sent);
    void onResolved(qint16 s, const QString& name, qint32 code, const QString& address);
    bool sendTo(const Datagram& datagram, const QString& target);
    void sendToPort(qint16 i, const QString& portField, const QString& text);
    void pause();
    void eventLine(const char* event, qint16 s);

    SettingsState& m_state;
    FrmSetup& m_setup;
    Frm_Main& m_main;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    EventPump& m_events;
    UptimeCounter& m_uptime;
    const Clock& m_clock;
    bool m_sending = false;
    bool m_lookingUp = false; // the datagram at the head waits for its lookup
    QList<Datagram> m_waiting;
};
