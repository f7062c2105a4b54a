#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

class Clock;
class ErrorReporter;

// Small stateless text helpers shared by the whole program: UTF-8 for the Sound4
// link, fixed-width numbers and dates for file names and trace lines, and the
// clean-up and splitting of Windows folder and file paths.

// UTF-8 form of a command for the Sound4 link, every ampersand turned into " et ".
QByteArray UTF8_Encode_System(const QString& text);
// Text of UTF-8 bytes received from a Sound4 unit; invalid sequences become U+FFFD.
QString UTF8_Decode_System(const QByteArray& bytes);

// A whole number right-aligned in a fixed width, padded with the first character of
// pad (a blank when pad is empty); see the implementation for the sign rules.
QString N2S(double number, qint16 width, qint16 decimals, const QString& pad);
// Eight digits year, month, day ("20240105"). An invalid date is reported under
// "Lib_Public:D2S" and gives today's date.
QString D2S(const QDate& date, const Clock& clock, ErrorReporter& errors);
// Formats with the classic date-pattern language ("dd/MM/yyyy", "HH:MM:SS", ...);
// an empty or blank format gives "HH:MM:SS".
QString Date2StringEx(const QDateTime& dateTime, const QString& format);

// Overwrites characters of source from position (1-based) without changing its length.
QString RemplaceChaine(const QString& source, const QString& replacement, qint32 position,
                       qint32 length);
// Raises value to minimum; lowers it to maximum when maximum is greater than 0.
void CheckValiditeValeurMin(qint32& value, qint32 minimum, qint32 maximum);
// A folder path with exactly one final backslash ("" stays "").
QString CheckRep(const QString& folder);
// Removes what cannot stand in a folder name.
QString NettoieNomDeDossier(const QString& folder);
// False when the path holds "*", "?", a double quote or "|".
bool NomFichierCorrect(const QString& path);

// Folder (with its final backslash), name and extension (with its point) of a path.
struct RepFicExt {
    QString Rep;
    QString Fic;
    QString Ext;
};
void EclateRepFicExt(const QString& path, RepFicExt& result);

// Blanks every character whose Windows-1252 code is below 32 or above 250, except
// the letters é è à ç û ô â ë ù. Changes the argument and returns it.
QString ClearChaine(QString& text);

// Windows-1252, the program's 8-bit code page: datagrams, profile files, trace logs.
QString fromWindows1252(const QByteArray& bytes);
// Characters that have no Windows-1252 code become "?".
QByteArray toWindows1252(const QString& text);
// The same, appended to out (one buffer for many lines).
void appendWindows1252(QByteArray& out, QStringView text);
// The Windows-1252 code of one character, 63 ("?") when it has none.
int windows1252Code(QChar c);

// Where the needle occurs in the text from `from` on, letters compared without
// case, as QString::indexOf(needle, from, Qt::CaseInsensitive) tells; -1 when it
// does not. Far faster than the toolkit's general search for the ASCII needles
// (tags, keywords) that the relay looks for in every message and answer line.
qsizetype indexOfIgnoringCase(const QString& text, QStringView needle, qsizetype from = 0);
