#pragma once

#include <QString>
#include <QtGlobal>

#include <deque>

// A player message on its way to one unit: the listener it came from, its text, and
// what it sets on the unit. The command line is read once, when the message arrives:
// a held message is sent as it was read, not read again.
struct HeldMessage {
    enum class Kind {
        Raw,              // any command: kept, in order
        ProgrammeService, // "rds.ps=": only the newest one is worth sending
        RadioText,        // "rds.rt=": likewise
    };
    qint16 listener = 0;
    QString message;
    Kind kind = Kind::Raw;
    QString command; // the unit's command line; empty: read it from the text

    // The kind of the command a message carries (its Sound4 command line).
    static Kind kindOf(const QString& command);
};

// The messages waiting for one unit that cannot take them now (its session is down,
// or its window is full): they leave in order once it can, while the other units'
// messages go on.
// Bounded: a newer programme-service name or radio text replaces the held one of
// its kind (an old one is worth nothing on air), and when the hold is full the
// oldest message is dropped and counted.
class UnitHold {
public:
    // While the unit is down.
    static constexpr qsizetype Capacity = 1000;
    // While the unit is up and only busy (its window of written messages is full):
    // a burst waits its turn rather than being cut, within a bound all the same.
    static constexpr qsizetype BusyCapacity = 100000;

    explicit UnitHold(qsizetype capacity = Capacity) : m_capacity(capacity) {}

    // The bound that the next append or putBack applies.
    void setCapacity(qsizetype capacity) { m_capacity = capacity; }
    qsizetype capacity() const { return m_capacity; }

    // A newer message, at the tail.
    void append(const HeldMessage& message);
    // Older messages (written, then lost with the session), back at the head in
    // their order. One that a newer held message of its kind replaces is dropped.
    void putBack(const std::deque<HeldMessage>& older);

    bool isEmpty() const { return m_messages.empty(); }
    qsizetype size() const { return qsizetype(m_messages.size()); }
    const HeldMessage& first() const { return m_messages.front(); }
    HeldMessage takeFirst();

    // Messages dropped because the hold was full, since the count was last taken.
    qsizetype dropped() const { return m_dropped; }
    qsizetype takeDropped();

private:
    bool holdsKind(HeldMessage::Kind kind) const;
    void removeKind(HeldMessage::Kind kind);
    void dropOldestBeyondCapacity();

    std::deque<HeldMessage> m_messages;
    qsizetype m_capacity;
    qsizetype m_dropped = 0;
};
