#pragma once

#include "base/ErrorReporter.h"

#include <QString>

// The trap every procedure arms on entry. The procedure marks its progress with
// at(10), at(20), ... and hands a failure to fail(); the failure is reported with
// the last line reached and the procedure goes on with its next step.
class ErrorTrap {
public:
    ErrorTrap(ErrorReporter& reporter, QString callerName)
        : m_reporter(reporter), m_caller(std::move(callerName)) {}

    // Caller name of a helper reporting on behalf of its caller: "caller>Module:Name".
    static QString nested(const QString& caller, const QString& helper) {
        return caller + QLatin1Char('>') + helper;
    }

    void at(qint32 line) { m_line = line; }
    qint32 line() const { return m_line; }
    const QString& callerName() const { return m_caller; }
    int failures() const { return m_failures; }

    // Reports the error (a no-op for number 0) and returns whether one was reported.
    bool fail(const AppError& error) {
        if (!error.isError()) {
            return false;
        }
        ++m_failures;
        m_reporter.report(m_caller, m_line, error);
        return true;
    }

private:
    ErrorReporter& m_reporter;
    QString m_caller;
    qint32 m_line = 0;
    int m_failures = 0;
};
