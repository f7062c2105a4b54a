#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <deque>
#include <optional>

// What a line written to a unit asks for, so that its answer can be told apart from
// the other lines the unit writes.
enum class Sound4Request {
    Player,  // a player command: its final answer settles it
    Console, // a command typed in the console
    Help,    // a help listing: lines until "OK" or an error
    Login,   // answered by "OK : LOGIN" or an error
    Logout,  // answered by "OK : LOGOUT"
};

// The answer that one received line completes.
struct Sound4Answer {
    quint64 ticket = 0;
    Sound4Request request = Sound4Request::Console;
    bool loginRequired = false; // the unit says it needs a login, or refused one
};

// The requests written on one unit's session and not yet answered, oldest first. A
// unit answers in the order of the lines, so each final answer line completes the
// oldest request: "+" continuation lines, the lines of a help listing before its
// "OK", and lines that arrive when nothing is awaited complete none.
class AwaitedAnswers {
public:
    // A console that keeps asking a unit that never answers must not grow this
    // without bound: beyond it, the oldest request is forgotten.
    static constexpr std::size_t Capacity = 1024;

    // Records a written request; the ticket names it in its answer.
    quint64 expect(Sound4Request request);
    // The request that this line (without its line end) completes, if any.
    std::optional<Sound4Answer> settle(const QByteArray& line);
    // The session is gone: nothing written on it will be answered.
    void clear() { m_awaited.clear(); }

    bool isEmpty() const { return m_awaited.empty(); }
    std::size_t size() const { return m_awaited.size(); }

    // Whether a line says that the unit wants a login first, or refuses one.
    static bool saysLoginRequired(const QByteArray& line);

private:
    struct Awaited {
        quint64 ticket;
        Sound4Request request;
    };
    std::deque<Awaited> m_awaited;
    quint64 m_nextTicket = 1;
};
