#pragma once

#include "base/AppError.h"

#include <QString>

// Receives a procedure's trapped error: fills the error snapshot and hands the
// error to the program's report under the caller name ("Frm_MainBis:UDPDataArrival").
class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual void report(const QString& callerName, qint32 line, const AppError& error) = 0;
};
