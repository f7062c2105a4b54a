#pragma once

#include "platform/TelnetConnection.h"
#include "platform/UdpSocket.h"
#include "shell/Fields.h"

#include <QTimer>

#include <array>
#include <functional>
#include <memory>

// The hidden window that owns the program's non-visual machinery.
class Frm_MainBis {
public:
    static constexpr int NbSound4 = 4;
    static constexpr int NbUdp = 10;
    using TelnetFactory = std::function<std::unique_ptr<TelnetConnection>()>;
    using UdpFactory = std::function<std::unique_ptr<UdpSocket>()>;

    Frm_MainBis(const TelnetFactory& makeTelnet, const UdpFactory& makeUdp) {
        for (auto& connection : TelnetSound4) {
            connection = makeTelnet();
        }
        for (auto& socket : SocketWrenchUDPIn) {
            socket = makeUdp();
        }
        for (auto& socket : SocketWrenchUDPOut) {
            socket = makeUdp();
        }
        Timer30s.setInterval(30000);
        TimerDataArrival.setInterval(100);
    }

    ListField ListeLogTemp; // trace lines held until the settings window is loaded
    std::array<std::unique_ptr<TelnetConnection>, NbSound4> TelnetSound4; // one per unit
    QTimer Timer30s; // automatic reconnection of dropped units

    std::array<std::unique_ptr<UdpSocket>, NbUdp> SocketWrenchUDPIn;  // player listeners
    std::array<std::unique_ptr<UdpSocket>, NbUdp> SocketWrenchUDPOut; // peripheral emitters
    std::array<ListField, NbUdp> ListeDataArrival; // one queue of player messages per listener
    QTimer TimerDataArrival; // drains the queues, 100 ms, off while they are empty
};
