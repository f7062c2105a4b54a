#pragma once

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
