#include "sound4/Sound4Unit.h"

QString Sound4Unit::stateName(State state) {
    switch (state) {
    case State::Disconnected:
        return QStringLiteral("disconnected");
    case State::Connecting:
        return QStringLiteral("connecting");
    case State::Connected:
        return QStringLiteral("connected");
    case State::LoggingIn:
        return QStringLiteral("logging in");
    case State::LoggedIn:
        return QStringLiteral("logged in");
    case State::LoggingOut:
        return QStringLiteral("logging out");
    }
    return QString();
}
