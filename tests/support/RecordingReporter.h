#pragma once

#include "base/ErrorReporter.h"

#include <QList>

// Records the trapped errors handed to the report, for tests of single procedures.
class RecordingReporter final : public ErrorReporter {
public:
    struct Report {
        QString caller;
        qint32 line = 0;
        AppError error;
    };

    void report(const QString& callerName, qint32 line, const AppError& error) override {
        m_reports.push_back({callerName, line, error});
    }

    const QList<Report>& reports() const { return m_reports; }
    bool empty() const { return m_reports.isEmpty(); }
    void clear() { m_reports.clear(); }

private:
    QList<Report> m_reports;
};
