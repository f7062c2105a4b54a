#pragma once

#include "model/Sound4UnitState.h"
#include "platform/TelnetConnection.h"
#include "sound4/AwaitedAnswers.h"

#include <QTimer>

#include <array>
#include <memory>

// The Sound4 link's machinery: one telnet connection per unit and the timer that
// re-connects dropped units every 30 s. The procedures that drive them are in
// Sound4Sessions (connect, log in, follow the state) and Sound4Receiver (read).
class Sound4Link {
public:
    static constexpr int NbSound4 = Sound4UnitState::NbSound4;

    explicit Sound4Link(const TelnetConnectionFactory& makeTelnet) {
        for (auto& connection : TelnetSound4) {
            connection = makeTelnet();
        }
        Timer30s.setInterval(30000);
    }

    // The unit's connection; none for a unit outside 0 to 3 (or not built).
    TelnetConnection* connection(int unit) const {
        return unit >= 0 && unit < NbSound4 ? TelnetSound4[size_t(unit)].get() : nullptr;
    }

    std::array<std::unique_ptr<TelnetConnection>, NbSound4> TelnetSound4; // one per unit
    QTimer Timer30s; // automatic reconnection of dropped units
    // Per unit, the requests written on its session and not yet answered.
    std::array<AwaitedAnswers, NbSound4> awaited;
};
