#pragma once

#include "base/AppError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

// An SMTP session with a relay, in three blocking steps: open (connect, secure,
// authenticate), send one message, close. Each step completes or returns an error
// with a number and a description. A step may block for up to the relay's
// time-out, so callers run it off the main thread; one step at a time.
class SmtpClient {
public:
    enum class Security {
        None,     // plain text all along
        StartTls, // plain connection upgraded to TLS before authenticating (required)
        Tls,      // TLS from the first byte
    };

    struct Relay {
        QString host;
        quint16 port = 0; // 0: the security's usual port (25, 587 or 465)
        Security security = Security::None;
        QString account; // empty: no authentication
        QString password;
        qint32 timeoutMs = 30000; // for the connection and for each step
    };

    // The error of a step that needs an open session while none is open.
    static constexpr qint32 NotConnectedError = -2147418113;

    virtual ~SmtpClient() = default;

    virtual AppError open(const Relay& relay) = 0;
    // The envelope (sender, recipients: bare addresses) and the message's bytes,
    // headers and body with CR LF line ends.
    virtual AppError send(const QByteArray& sender, const QList<QByteArray>& recipients,
                          const QByteArray& message) = 0;
    // Ends the session; closing a closed session completes.
    virtual AppError close() = 0;

    static AppError notConnected() {
        return {NotConnectedError, QStringLiteral("Connection to the server not active"),
                QStringLiteral("SMTP")};
    }

    // "none" (or empty), "starttls", "tls" (or "ssl"), letters of any case.
    static std::optional<Security> securityFrom(const QString& text) {
        const QString t = text.trimmed().toLower();
        if (t.isEmpty() || t == QLatin1String("none")) {
            return Security::None;
        }
        if (t == QLatin1String("starttls")) {
            return Security::StartTls;
        }
        if (t == QLatin1String("tls") || t == QLatin1String("ssl")) {
            return Security::Tls;
        }
        return std::nullopt;
    }
    static quint16 usualPort(Security security) {
        switch (security) {
        case Security::StartTls:
            return 587;
        case Security::Tls:
            return 465;
        case Security::None:
            break;
        }
        return 25;
    }
};
