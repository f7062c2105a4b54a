#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The classic Val reading of a number in a text: blanks, tabs and line feeds are
// skipped anywhere, then an optional sign, digits, an optional decimal part and an
// optional exponent (E or D); "&H" and "&O" prefixes read hexadecimal and octal.
// Reading stops at the first character that cannot continue the number; a text that
// does not start with a number reads as 0. A value beyond the range of a double
// gives no result (an overflow). "&H" and "&O" values are signed 16-bit numbers up to
// 0xFFFF ("&HFFFF" is -1), signed 32-bit numbers up to 0xFFFFFFFF, and an overflow
// beyond.
std::optional<double> Val(const QString& text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2).
double RoundHalfEven(double value);

// The classic conversion to a 16-bit integer: rounded halves to even, no result
// when it does not fit (an overflow).
std::optional<qint16> ToInt16(double value);
// Same into a 32-bit integer.
std::optional<qint32> ToInt32(double value);
