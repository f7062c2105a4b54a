#include "base/AppError.h"

AppError AppError::runtime(qint32 number, const QString& source) {
    const char* text = "Application-defined or object-defined error";
    switch (number) {
    case 5:
        text = "Invalid procedure call or argument";
        break;
    case 6:
        text = "Overflow";
        break;
    case 7:
        text = "Out of memory";
        break;
    case 9:
        text = "Subscript out of range";
        break;
    case 11:
        text = "Division by zero";
        break;
    case 13:
        text = "Type mismatch";
        break;
    case 52:
        text = "Bad file name or number";
        break;
    case 53:
        text = "File not found";
        break;
    case 55:
        text = "File already open";
        break;
    case 57:
        text = "Device I/O error";
        break;
    case 58:
        text = "File already exists";
        break;
    case 61:
        text = "Disk full";
        break;
    case 70:
        text = "Permission denied";
        break;
    case 75:
        text = "Path/File access error";
        break;
    case 76:
        text = "Path not found";
        break;
    default:
        break;
    }
    return AppError{number, QString::fromLatin1(text), source};
}
