#pragma once

#include "model/Sound4UnitState.h"
#include "sound4/Sound4Unit.h"

#include <QTimer>

#include <array>
#include <functional>

class FrmSetup;

// The Sound4 link: one Sound4Unit per unit (its connection, its session state, the
// answers it owes) and the timer that re-connects dropped units every 30 s. The
// procedures that drive them are in Sound4Sessions (connect, log in, follow the
// state) and Sound4Receiver (read).
class Sound4Link {
public:
    static constexpr int NbSound4 = Sound4UnitState::NbSound4;
    using State = Sound4Unit::State;

    Sound4Link(const TelnetConnectionFactory& makeTelnet, Sound4UnitState& flags, FrmSetup& setup);

    // The unit's connection; none for a unit outside 0 to 3 (or not built).
    TelnetConnection* connection(int unit) const {
        return validUnit(unit) ? m_units[size_t(unit)].connection.get() : nullptr;
    }
    Sound4Unit& unit(int unit) { return m_units[size_t(unit)]; }
    const Sound4Unit& unit(int unit) const { return m_units[size_t(unit)]; }
    State state(int unit) const { return m_units[size_t(unit)].state(); }
    static bool validUnit(int unit) { return unit >= 0 && unit < NbSound4; }

    // The one place where a unit's session state changes. PbBSound4Connected,
    // PbBSound4LoggedIn, PbBSound4LoginPending and the CommandSound4Login caption
    // follow from it.
    void setState(int unit, State state);

    // Told of every change of a unit's session state, after it is made.
    using StateObserver = std::function<void(int unit, State before, State after)>;
    void setStateObserver(StateObserver observer) { m_observer = std::move(observer); }

    QTimer Timer30s; // automatic reconnection of dropped units

private:
    std::array<Sound4Unit, NbSound4> m_units;
    Sound4UnitState& m_flags;
    FrmSetup& m_setup;
    StateObserver m_observer;
};
