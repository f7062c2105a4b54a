// The command dialect of a simulated Sound4 unit: received lines in, answer lines out.
// No sockets here, so that the tests can drive it line by line.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QSet>

namespace sound4sim {

// What a unit accepts at login, and the faults of its answers.
struct DialectOptions {
    QByteArray user = "admin";
    QByteArray password;
    QByteArray serial;        // empty: the login may carry any serial, or none
    bool refuseLogin = false; // every login is refused
    bool badUtf8 = false;     // value answers end with an invalid UTF-8 sequence
};

// Cuts the received bytes into lines. A line ends with LF, CR LF, CR NUL or a lone CR.
// The client sends "logout" without any line end: a pending "logout" becomes a line as soon
// as another byte that is not a line end follows it, or when the sender goes idle
// (takeBareLogout, called by the server after a short quiet time).
class LineAssembler {
public:
    static constexpr qsizetype MaxLine = 65536; // a longer unfinished line is dropped

    QByteArrayList feed(const QByteArray& bytes);
    bool holdsBareLogout() const { return m_pending == "logout"; }
    QByteArray takeBareLogout();
    const QByteArray& pending() const { return m_pending; }

private:
    QByteArray m_pending;
    bool m_afterCr = false;
};

// The values of one unit, shared by every session on that unit.
struct UnitState {
    explicit UnitState(int number = 0, QByteArray serial = {});

    int number;                           // 0 based; people see number + 1
    QByteArray serial;                    // shown by system.info
    QHash<QByteArray, QByteArray> values; // "rds.ps" -> bytes as received
    QSet<QByteArray> alerts;              // commands whose alert is on
};

// One telnet session on a unit: its login and its answers.
class DialectSession {
public:
    DialectSession(UnitState& unit, const DialectOptions& options);

    // The answer to one received line (without its line end): zero or more lines, without
    // line ends. Every line but the last of a multi-line value answer starts with "+".
    QByteArrayList answer(const QByteArray& line);
    bool loggedIn() const { return m_loggedIn; }
    // The login lapses: later commands are answered "Login required".
    void lapse() { m_loggedIn = false; }

private:
    bool login(const QByteArray& credentials) const;
    QByteArrayList help(const QByteArray& topic) const;
    QByteArrayList command(const QByteArray& line);

    UnitState& m_unit;
    const DialectOptions& m_options;
    bool m_loggedIn = false;
};

} // namespace sound4sim
