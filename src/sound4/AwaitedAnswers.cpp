#include "sound4/AwaitedAnswers.h"

namespace {

bool containsNoCase(const QByteArray& line, const char* text) {
    return line.toUpper().contains(text);
}

bool isError(const QByteArray& line) {
    return line.toUpper().startsWith("ERROR");
}

bool isLoginAnswer(const QByteArray& line) {
    return containsNoCase(line, ": LOGIN") && !containsNoCase(line, "LOGIN REQUIRED");
}

// Whether a line that is not a "+" continuation completes a request of this kind.
bool completes(Sound4Request request, const QByteArray& line) {
    switch (request) {
    case Sound4Request::Login:
        return isLoginAnswer(line);
    case Sound4Request::Logout:
        return containsNoCase(line, ": LOGOUT");
    case Sound4Request::Help:
        return line.trimmed().toUpper() == "OK" || isError(line);
    case Sound4Request::Player:
    case Sound4Request::Console:
        // A login or logout acknowledgement is never the answer to a command.
        return !isLoginAnswer(line) && !containsNoCase(line, ": LOGOUT");
    }
    return false;
}

} // namespace

quint64 AwaitedAnswers::expect(Sound4Request request) {
    if (m_awaited.size() >= Capacity) {
        m_awaited.pop_front();
    }
    const quint64 ticket = m_nextTicket++;
    m_awaited.push_back({ticket, request});
    return ticket;
}

std::optional<Sound4Answer> AwaitedAnswers::settle(const QByteArray& line) {
    const QByteArray text = line.trimmed();
    if (text.isEmpty() || text.startsWith('+') || m_awaited.empty()) {
        return std::nullopt;
    }
    const Awaited oldest = m_awaited.front();
    if (!completes(oldest.request, text)) {
        return std::nullopt;
    }
    m_awaited.pop_front();
    const bool refused = oldest.request == Sound4Request::Login && isError(text);
    return Sound4Answer{oldest.ticket, oldest.request, refused || saysLoginRequired(text)};
}

bool AwaitedAnswers::saysLoginRequired(const QByteArray& line) {
    return isError(line.trimmed()) && containsNoCase(line, "LOGIN REQUIRED");
}
