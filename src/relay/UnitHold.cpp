#include "relay/UnitHold.h"

#include "base/Blanks.h"

#include <algorithm>
#include <utility>

HeldMessage::Kind HeldMessage::kindOf(const QString& command) {
    const QString line = trimBlanks(command);
    if (line.startsWith(QLatin1String("rds.ps="), Qt::CaseInsensitive)) {
        return Kind::ProgrammeService;
    }
    if (line.startsWith(QLatin1String("rds.rt="), Qt::CaseInsensitive)) {
        return Kind::RadioText;
    }
    return Kind::Raw;
}

bool UnitHold::holdsKind(HeldMessage::Kind kind) const {
    return std::any_of(m_messages.begin(), m_messages.end(),
                       [kind](const HeldMessage& m) { return m.kind == kind; });
}

void UnitHold::removeKind(HeldMessage::Kind kind) {
    m_messages.erase(std::remove_if(m_messages.begin(), m_messages.end(),
                                    [kind](const HeldMessage& m) { return m.kind == kind; }),
                     m_messages.end());
}

void UnitHold::dropOldestBeyondCapacity() {
    while (qsizetype(m_messages.size()) > m_capacity) {
        m_messages.pop_front();
        ++m_dropped;
    }
}

void UnitHold::append(const HeldMessage& message) {
    if (message.kind != HeldMessage::Kind::Raw) {
        removeKind(message.kind);
    }
    m_messages.push_back(message);
    dropOldestBeyondCapacity();
}

void UnitHold::putBack(const std::deque<HeldMessage>& older) {
    for (auto it = older.rbegin(); it != older.rend(); ++it) {
        if (it->kind == HeldMessage::Kind::Raw || !holdsKind(it->kind)) {
            m_messages.push_front(*it);
        }
    }
    dropOldestBeyondCapacity();
}

HeldMessage UnitHold::takeFirst() {
    HeldMessage first = std::move(m_messages.front());
    m_messages.pop_front();
    return first;
}

qsizetype UnitHold::takeDropped() {
    return std::exchange(m_dropped, 0);
}
