#include "Sound4Dialect.h"

#include <cctype>
#include <span>

namespace sound4sim {

namespace {

enum class Kind { Text, Number, List, Fixed, Info };

// One command of a section. The markers are the ones the unit lists in its help:
// ? get, = set, ! and * alert on and off, += and -= add and remove, ' dimensions.
struct Command {
    const char* name;
    const char* markers;
    const char* description;
    Kind kind;
    int min = 0;
    int max = 0;
    const char* initial = "";
    const char* values = ""; // the "Values : " detail, ranges are written from min and max
};

struct Section {
    const char* name; // as listed by "help"
    const char* description;
    std::span<const Command> commands;
};

const Command rdsCommands[] = {
    {"ps", "?=", "Program service name", Kind::Text, 0, 0, "RADIO", "text, 8 characters on air"},
    {"rt", "?=", "Radio text", Kind::Text, 0, 0, "", "text, up to 64 characters"},
    {"pi", "?", "Program identification", Kind::Fixed, 0, 0, "F201",
     "4 hexadecimal digits, read only"},
    {"pty", "?=", "Program type", Kind::Number, 0, 31, "10"},
    {"af", "?+=-='", "Alternative frequencies", Kind::List, 0, 0, "87.6,101.2",
     "list of frequencies in MHz"},
};
const Command presetCommands[] = {
    {"current", "?=!*", "Current preset", Kind::Number, 1, 16, "1"},
    {"name", "?=", "Name of the current preset", Kind::Text, 0, 0, "Talk", "text"},
};
const Command channelCommands[] = {
    {"gain", "?=!*", "Input gain in dB", Kind::Number, -24, 24, "0"},
    {"mute", "?=", "Input mute", Kind::Number, 0, 1, "0"},
};
const Command systemCommands[] = {
    {"info", "?", "Unit information", Kind::Info, 0, 0, "",
     "model, serial, unit and firmware, read only"},
    {"name", "?=", "Unit name", Kind::Text, 0, 0, "", "text"},
};

const Section sections[] = {
    {"rds", "RDS encoder", rdsCommands},
    {"preset", "Presets", presetCommands},
    {"CH1 to CH8", "Channel inputs", channelCommands},
    {"system", "System", systemCommands},
};
const Section& channelSection = sections[2];

const QByteArray badUtf8Tail("\xC3\x28");

bool sameText(const QByteArray& a, const char* b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The section named by a command or help topic, and the name the unit answers with:
// "rds", or "CH3" for one of the channel inputs.
const Section* findSection(const QByteArray& name, QByteArray* canonical) {
    for (const Section& section : sections) {
        if (&section != &channelSection && sameText(name, section.name)) {
            *canonical = section.name;
            return &section;
        }
    }
    if (name.size() == 3 && name.toUpper().startsWith("CH") && name[2] >= '1' && name[2] <= '8') {
        *canonical = "CH" + name.right(1);
        return &channelSection;
    }
    return nullptr;
}

const Command* findCommand(const Section& section, const QByteArray& name) {
    for (const Command& command : section.commands) {
        if (sameText(name, command.name)) {
            return &command;
        }
    }
    return nullptr;
}

enum class Op { Get, Set, Add, Remove, AlertOn, AlertOff, Dimensions };

bool allows(const Command& command, Op op) {
    QByteArray markers(command.markers);
    const bool add = markers.contains("+=");
    const bool remove = markers.contains("-=");
    markers.replace("+=", "").replace("-=", "");
    switch (op) {
    case Op::Get:
        return markers.contains('?');
    case Op::Set:
        return markers.contains('=');
    case Op::Add:
        return add;
    case Op::Remove:
        return remove;
    case Op::AlertOn:
        return markers.contains('!');
    case Op::AlertOff:
        return markers.contains('!') || markers.contains('*');
    case Op::Dimensions:
        return markers.contains('\'');
    }
    return false;
}

QByteArray valuesText(const Command& command) {
    if (command.kind == Kind::Number) {
        return QByteArray::number(command.min) + " to " + QByteArray::number(command.max);
    }
    return command.values;
}

QByteArray error(const QByteArray& text) {
    return "ERROR : " + text;
}

} // namespace

QByteArrayList LineAssembler::feed(const QByteArray& bytes) {
    QByteArrayList lines;
    for (const char c : bytes) {
        if (m_afterCr && (c == '\n' || c == '\0')) {
            m_afterCr = false;
            continue;
        }
        m_afterCr = false;
        if (c == '\r' || c == '\n') {
            lines.append(m_pending);
            m_pending.clear();
            m_afterCr = c == '\r';
            continue;
        }
        if (holdsBareLogout()) {
            lines.append(takeBareLogout());
        }
        if (m_pending.size() >= MaxLine) {
            m_pending.clear();
        }
        m_pending.append(c);
    }
    return lines;
}

QByteArray LineAssembler::takeBareLogout() {
    if (!holdsBareLogout()) {
        return {};
    }
    m_pending.clear();
    return "logout";
}

UnitState::UnitState(int unitNumber, QByteArray unitSerial)
    : number(unitNumber), serial(std::move(unitSerial)) {
    for (const Section& section : sections) {
        for (const Command& command : section.commands) {
            QByteArray initial(command.initial);
            if (&section == &channelSection) {
                for (int channel = 1; channel <= 8; ++channel) {
                    values.insert("CH" + QByteArray::number(channel) + '.' + command.name, initial);
                }
                continue;
            }
            if (QByteArray(section.name) == "system" && QByteArray(command.name) == "name") {
                initial = "Unit " + QByteArray::number(number + 1);
            }
            values.insert(QByteArray(section.name) + '.' + command.name, initial);
        }
    }
}

DialectSession::DialectSession(UnitState& unit, const DialectOptions& options)
    : m_unit(unit), m_options(options) {}

QByteArrayList DialectSession::answer(const QByteArray& line) {
    const QByteArray text = line.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    const qsizetype blank = text.indexOf(' ');
    const QByteArray verb = (blank < 0 ? text : text.left(blank)).toLower();
    if (verb == "login") {
        m_loggedIn = login(text.mid(6).trimmed());
        return {m_loggedIn ? QByteArray("OK : LOGIN") : error("LOGIN refused")};
    }
    if (verb == "logout" && text.size() == 6) {
        m_loggedIn = false;
        return {"OK : LOGOUT"};
    }
    if (!m_loggedIn) {
        return {error("Login required")};
    }
    if (verb == "help") {
        return help(text.mid(5).trimmed());
    }
    // Values keep their trailing blanks: only the blanks before the command go.
    qsizetype start = 0;
    while (line[start] == ' ' || line[start] == '\t') {
        ++start;
    }
    return command(line.mid(start));
}

bool DialectSession::login(const QByteArray& credentials) const {
    if (m_options.refuseLogin) {
        return false;
    }
    const QByteArrayList fields = credentials.split(',');
    // The password is everything after the user, commas included.
    const auto matches = [&](qsizetype userField) {
        if (fields.size() < userField + 2 || fields[userField] != m_options.user) {
            return false;
        }
        return fields.mid(userField + 1).join(',') == m_options.password;
    };
    if (!m_options.serial.isEmpty()) {
        return fields.size() >= 3 && fields[0] == m_options.serial && matches(1);
    }
    return matches(0) || (fields.size() >= 3 && matches(1));
}

QByteArrayList DialectSession::help(const QByteArray& topic) const {
    QByteArrayList lines;
    if (topic.isEmpty()) {
        for (const Section& section : sections) {
            lines.append(QByteArray("Section '") + section.name + "': " + section.description);
        }
        lines.append("OK");
        return lines;
    }
    const qsizetype dot = topic.indexOf('.');
    QByteArray sectionName;
    const Section* section = nullptr;
    if (dot < 0 && sameText(topic, channelSection.name)) {
        section = &channelSection;
    } else {
        section = findSection(topic.left(dot < 0 ? topic.size() : dot).trimmed(), &sectionName);
    }
    if (dot < 0) {
        if (section == nullptr) {
            return {error("Unknown section '" + topic + "'")};
        }
        for (const Command& command : section->commands) {
            lines.append(QByteArray("-") + command.name + " (" + command.markers +
                         ") : " + command.description);
        }
        lines.append("OK");
        return lines;
    }
    const Command* command =
        section == nullptr ? nullptr : findCommand(*section, topic.mid(dot + 1).trimmed());
    if (command == nullptr) {
        return {error("Unknown command '" + topic + "'")};
    }
    lines.append(sectionName + '.' + command->name + " : " + command->description);
    lines.append("Values : " + valuesText(*command));
    lines.append("OK");
    return lines;
}

QByteArrayList DialectSession::command(const QByteArray& line) {
    const QByteArray unknown = error("Unknown command '" + line + "'");
    const qsizetype dot = line.indexOf('.');
    QByteArray sectionName;
    const Section* section =
        dot < 0 ? nullptr : findSection(line.left(dot).trimmed(), &sectionName);
    if (section == nullptr) {
        return {unknown};
    }
    qsizetype end = dot + 1;
    while (end < line.size() &&
           (std::isalnum(static_cast<unsigned char>(line[end])) != 0 || line[end] == '_')) {
        ++end;
    }
    const Command* command = findCommand(*section, line.mid(dot + 1, end - dot - 1));
    if (command == nullptr) {
        return {unknown};
    }
    const QByteArray key = sectionName + '.' + command->name;
    const QByteArray rest = line.mid(end);
    const QByteArray bare = rest.trimmed();
    Op op;
    QByteArray argument;
    if (bare == "?") {
        op = Op::Get;
    } else if (rest.startsWith("+=")) {
        op = Op::Add;
        argument = rest.mid(2).trimmed();
    } else if (rest.startsWith("-=")) {
        op = Op::Remove;
        argument = rest.mid(2).trimmed();
    } else if (rest.startsWith('=')) {
        op = Op::Set;
        argument = rest.mid(1);
    } else if (bare == "!") {
        op = Op::AlertOn;
    } else if (bare == "*") {
        op = Op::AlertOff;
    } else if (bare == "'") {
        op = Op::Dimensions;
    } else {
        return {unknown};
    }
    if (!allows(*command, op)) {
        return {error("Operation not allowed")};
    }
    const QByteArray tail = m_options.badUtf8 ? badUtf8Tail : QByteArray();
    QByteArray& value = m_unit.values[key];
    QByteArrayList items = value.isEmpty() ? QByteArrayList() : value.split(',');
    switch (op) {
    case Op::Get:
        if (command->kind == Kind::Info) {
            const QByteArray serial = m_unit.serial.isEmpty() ? "none" : m_unit.serial;
            return {"+" + key + ".model=Trelvo Sound4 simulator" + tail,
                    "+" + key + ".serial=" + serial + tail,
                    "+" + key + ".unit=" + QByteArray::number(m_unit.number + 1) + tail,
                    key + ".firmware=1.0" + tail};
        }
        return {key + '=' + value + tail};
    case Op::Set:
        if (command->kind == Kind::Number) {
            bool ok = false;
            const int number = argument.trimmed().toInt(&ok);
            if (!ok || number < command->min || number > command->max) {
                return {error("Value out of range")};
            }
            argument = QByteArray::number(number);
        }
        value = argument;
        return {"OK"};
    case Op::Add:
        if (argument.isEmpty() || argument.contains(',')) {
            return {error("Bad value")};
        }
        if (!items.contains(argument)) {
            items.append(argument);
        }
        value = items.join(',');
        return {"OK"};
    case Op::Remove:
        if (items.removeAll(argument) == 0) {
            return {error("Value not found")};
        }
        value = items.join(',');
        return {"OK"};
    case Op::AlertOn:
        m_unit.alerts.insert(key);
        return {"OK"};
    case Op::AlertOff:
        m_unit.alerts.remove(key);
        return {"OK"};
    case Op::Dimensions:
        return {key + "'=" + QByteArray::number(items.size()) + tail};
    }
    return {unknown};
}

} // namespace sound4sim
