#pragma once

#include <QString>
#include <QtGlobal>

// An operation's failure: the classic run-time error number, its description and
// the component or project that raised it. Number 0 means no error.
struct AppError {
    qint32 number = 0;
    QString description;
    QString source;

    bool isError() const { return number != 0; }
    explicit operator bool() const { return isError(); }

    // Name of the project as error source, used for errors the program raises itself.
    static QString projectSource() { return QStringLiteral("KZ3_Trelvo"); }

    // A classic run-time error by number, with its standard English description.
    static AppError runtime(qint32 number, const QString& source = projectSource());

    static AppError invalidCall() { return runtime(5); }
    static AppError overflow() { return runtime(6); }
    static AppError subscriptOutOfRange() { return runtime(9); }
    static AppError typeMismatch() { return runtime(13); }
};
