#pragma once

#include <QString>

// "Blanks" are spaces only, as the classic Trim sees them: tabs, CR and LF are
// ordinary characters of a message or a command.
inline QString trimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' ')) {
        ++first;
    }
    while (last > first && text.at(last - 1) == QLatin1Char(' ')) {
        --last;
    }
    return text.mid(first, last - first);
}

// True for the empty text and for a text made of spaces only.
inline bool isBlank(const QString& text) {
    for (const QChar c : text) {
        if (c != QLatin1Char(' ')) {
            return false;
        }
    }
    return true;
}
