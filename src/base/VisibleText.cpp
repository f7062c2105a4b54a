#include "base/VisibleText.h"

namespace {

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

} // namespace

bool hasControlCharacter(const QString& text) {
    for (const QChar c : text) {
        if (isControl(c)) {
            return true;
        }
    }
    return false;
}

QString withVisibleControls(const QString& text) {
    if (!hasControlCharacter(text)) {
        return text;
    }
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (!isControl(c)) {
            out += c;
            continue;
        }
        switch (c.unicode()) {
        case '\r':
            out += QStringLiteral("<CR>");
            break;
        case '\n':
            out += QStringLiteral("<LF>");
            break;
        case '\0':
            out += QStringLiteral("<NUL>");
            break;
        case '\t':
            out += QStringLiteral("<TAB>");
            break;
        default:
            out += QStringLiteral("<0x%1>")
                       .arg(c.unicode(), 2, 16, QLatin1Char('0'))
                       .toUpper()
                       .replace(QLatin1String("<0X"), QLatin1String("<0x"));
            break;
        }
    }
    return out;
}
