#include "sound4/Sound4Link.h"

#include "model/FrmSetup.h"

#include <utility>

Sound4Link::Sound4Link(const TelnetConnectionFactory& makeTelnet, Sound4UnitState& flags,
                       FrmSetup& setup)
    : m_flags(flags), m_setup(setup) {
    for (Sound4Unit& unit : m_units) {
        unit.connection = makeTelnet();
    }
    Timer30s.setInterval(30000);
}

void Sound4Link::setState(int unit, State state) {
    if (!validUnit(unit)) {
        return;
    }
    const size_t u = size_t(unit);
    const State before = std::exchange(m_units[u].m_state, state);
    const bool open = state == State::Connected || state == State::LoggingIn ||
                      state == State::LoggedIn || state == State::LoggingOut;
    m_flags.PbBSound4Connected[u] = open;
    m_flags.PbBSound4LoggedIn[u] = state == State::LoggedIn;
    m_flags.PbBSound4LoginPending[u] = state == State::LoggingIn;
    // The button offers a login once the session is gone, and a logout once a new
    // session opens or the unit acknowledges a login. While a login or a logout is
    // under way, and after a login that was not acknowledged, it stays as it is.
    const bool newSession =
        state == State::Connected && (before == State::Connecting || before == State::Disconnected);
    if (state == State::Disconnected || state == State::Connecting) {
        m_setup.CommandSound4Login[u].setCaption(QStringLiteral("Login"));
    } else if (state == State::LoggedIn || newSession) {
        m_setup.CommandSound4Login[u].setCaption(QStringLiteral("Logout"));
    }
    if (m_observer && before != state) {
        m_observer(unit, before, state);
    }
}
