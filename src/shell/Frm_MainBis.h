#pragma once

#include "platform/TelnetConnection.h"
#include "shell/Fields.h"

#include <QTimer>

#include <array>
#include <functional>
#include <memory>

// The hidden window that owns the program's non-visual machinery.
class Frm_MainBis {
public:
    static constexpr int NbSound4 = 4;
    using TelnetFactory = std::function<std::unique_ptr<TelnetConnection>()>;

    explicit Frm_MainBis(const TelnetFactory& makeTelnet) {
        for (auto& connection : TelnetSound4) {
            connection = makeTelnet();
        }
        Timer30s.setInterval(30000);
    }

    ListField ListeLogTemp; // trace lines held until the settings window is loaded
    std::array<std::unique_ptr<TelnetConnection>, NbSound4> TelnetSound4; // one per unit
    QTimer Timer30s; // automatic reconnection of dropped units
};
