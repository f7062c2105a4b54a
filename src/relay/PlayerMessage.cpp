#include "relay/PlayerMessage.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TextFormat.h"
#include "base/VisibleText.h"

namespace {

// Message positions are 16-bit: a field found beyond this position overflows.
constexpr qsizetype MaxPosition = 32767;

} // namespace

QString ExtraireBalise(const QString& message, const QString& tag, const QString& defaut,
                       ErrorReporter& errors) {
    ErrorTrap trap(errors, QStringLiteral("Lib_Public:ExtraireBalise"));
    const QString& result = defaut;

    trap.at(10);
    if (isBlank(message)) {
        return result;
    }

    trap.at(20);
    // Positions below are 1-based, as the message format has always counted them.
    const qsizetype p = indexOfIgnoringCase(message, tag) + 1;
    if (p > MaxPosition) {
        trap.fail(AppError::overflow());
        return result;
    }
    if (p == 0) {
        return result;
    }

    trap.at(30);
    const qsizetype q = message.indexOf(QLatin1Char('>'), p) + 1;
    if (q > MaxPosition) {
        trap.fail(AppError::overflow());
        return result;
    }
    if (q <= 1) {
        return result;
    }

    trap.at(40);
    const qsizetype start = p + tag.size();
    if (start > MaxPosition) {
        trap.fail(AppError::overflow());
        return result;
    }
    if (q < start) {
        // Only a tag that itself holds ">" can end before its own end.
        trap.fail(AppError::invalidCall());
        return result;
    }
    return message.mid(start - 1, q - start);
}

std::optional<qint16> readUnitNumber(const QString& value) {
    const std::optional<double> number = Val(value);
    if (!number) {
        return std::nullopt;
    }
    return ToInt16(*number);
}

QString PlayerCommand::commandToSend() const {
    return trimBlanks(command);
}

PlayerCommand playerCommandFor(qint16 listener, const QString& message, ErrorReporter& errors) {
    if (refusalOf(message)) {
        return {}; // refused where it was read; nothing may reach a unit from it
    }
    PlayerCommand out;
    if (listener == 0) {
        const QString cmd = ExtraireBalise(message, QStringLiteral("<SD4:"), QString(), errors);
        const QString unit =
            ExtraireBalise(message, QStringLiteral("<NoSound4:"), QStringLiteral("0"), errors);
        if (isBlank(cmd)) {
            return out;
        }
        out.action = PlayerCommand::Action::Send;
        out.command = cmd;
        out.unit = readUnitNumber(unit);
        return out;
    }
    if (listener == 1) {
        const QString item = ExtraireBalise(message, QStringLiteral("<RDS:"), QString(), errors);
        const QString text = ExtraireBalise(message, QStringLiteral("<Msg:"), QString(), errors);
        if (isBlank(text)) {
            return out;
        }
        out.unit = 0;
        const QString upper = item.toUpper();
        if (upper == QLatin1String("PS")) {
            out.action = PlayerCommand::Action::Send;
            out.command = QStringLiteral("rds.ps=") + text;
        } else if (upper == QLatin1String("RT")) {
            out.action = PlayerCommand::Action::Send;
            out.command = QStringLiteral("rds.rt=") + text;
        } else {
            out.action = PlayerCommand::Action::RdsItemUnknown;
        }
        return out;
    }
    return out;
}

std::optional<QString> refusalOf(const QString& message) {
    if (!hasControlCharacter(message)) {
        return std::nullopt; // the usual case, seen in one pass
    }
    static const QString tags[] = {QStringLiteral("<SD4:"), QStringLiteral("<Msg:"),
                                   QStringLiteral("<RDS:"), QStringLiteral("<NoSound4:")};
    for (const QString& tag : tags) {
        // The value the fields are read from: the first field of the tag, up to its ">".
        const qsizetype start = indexOfIgnoringCase(message, tag);
        if (start < 0) {
            continue;
        }
        const qsizetype from = start + tag.size();
        const qsizetype end = message.indexOf(QLatin1Char('>'), from);
        const QString value = message.mid(from, end < 0 ? -1 : end - from);
        if (hasControlCharacter(value)) {
            return QStringLiteral("a control character in ") + tag;
        }
    }
    return std::nullopt;
}
