#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class ErrorReporter;

// The player's messages: free text carrying tagged fields "<" name ":" value ">".
// Listener 0 receives raw Sound4 commands ("<SD4:" and "<NoSound4:"), listener 1
// RDS texts ("<RDS:" PS or RT, and "<Msg:"); the other listeners' messages are
// queued but not read further.

// Value of the first field opened by tag (matched without regard to case): the text
// between the tag and the first ">" after it, untrimmed. The default when the
// message is blank, the tag is absent or the value has no closing ">".
QString ExtraireBalise(const QString& message, const QString& tag, const QString& defaut,
                       ErrorReporter& errors);

// The unit number of a "<NoSound4:" value: read as the classic Val does, then
// rounded halves to even into a 16-bit integer. No result when it does not fit.
std::optional<qint16> readUnitNumber(const QString& value);

// What the dispatcher makes of one message.
struct PlayerCommand {
    enum class Action {
        Nothing,        // nothing to send, nothing to show
        Send,           // send `command` (trimmed) to `unit`
        RdsItemUnknown, // an RDS text whose item is neither PS nor RT: unit 0 expects a
                        // result, but nothing is sent
    };
    Action action = Action::Nothing;
    QString command;            // untrimmed, as the settings window shows it
    std::optional<qint16> unit; // no value when the unit number overflows 16 bits

    QString commandToSend() const;
};

PlayerCommand playerCommandFor(qint16 listener, const QString& message, ErrorReporter& errors);

// Why a player message must not be used, if it must not: a field ("<SD4:", "<Msg:",
// "<RDS:", "<NoSound4:") whose value holds a control character. A line end inside a
// field would put a second command line on the unit's session.
std::optional<QString> refusalOf(const QString& message);
