#pragma once

#include "log/TraceSink.h"

#include <QString>
#include <QtGlobal>

// The one mail operation of the program: alert and test mails to the addresses of
// the settings window. Returns whether the mail left.
class AlertMail {
public:
    virtual ~AlertMail() = default;
    virtual bool EnvoiMail(qint32 kind, const QString& recipients, const QString& message,
                           const QString& subject, bool support) = 0;
};

// Stands in while no mail client is configured: says so in the trace log and
// reports the mail as not sent.
class NoAlertMail final : public AlertMail {
public:
    explicit NoAlertMail(TraceSink& trace) : m_trace(trace) {}

    bool EnvoiMail(qint32, const QString&, const QString&, const QString&, bool) override {
        m_trace.line(QStringLiteral("Err: Mail: Not sended"));
        return false;
    }

private:
    TraceSink& m_trace;
};
