#pragma once

#include "incidents/AlertMail.h"

#include <QList>

#include <functional>

// Records every alert mail and answers with the result the test sets; a hook runs
// while a mail leaves, as the events of the real send would.
class RecordingAlertMail final : public AlertMail {
public:
    struct Mail {
        qint32 kind = 0;
        QString recipients;
        QString message;
        QString subject;
        bool support = false;
    };

    bool result = true;
    QList<Mail> mails;
    std::function<void()> whileSending; // what happens while the mail leaves

    bool EnvoiMail(qint32 kind, const QString& recipients, const QString& message,
                   const QString& subject, bool support) override {
        mails.push_back({kind, recipients, message, subject, support});
        if (whileSending) {
            whileSending();
        }
        return result;
    }
};
