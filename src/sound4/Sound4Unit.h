#pragma once

#include "platform/TelnetConnection.h"
#include "sound4/AwaitedAnswers.h"

#include <memory>

// One Sound4 unit as the program sees it: its telnet connection, the one state of
// its session, and the answers it owes. The state changes only through
// Sound4Link::setState, which sets the flags and the login button's caption that
// follow from it.
class Sound4Unit {
public:
    enum class State {
        Disconnected, // no session (or one the program no longer uses)
        Connecting,   // a connection is being opened
        Connected,    // open, not logged in
        LoggingIn,    // the login is written, its acknowledgement awaited
        LoggedIn,     // the unit acknowledged the login
        LoggingOut,   // the logout is being written
    };

    State state() const { return m_state; }

    std::unique_ptr<TelnetConnection> connection;
    AwaitedAnswers awaited;

private:
    friend class Sound4Link;
    State m_state = State::Disconnected;
};
