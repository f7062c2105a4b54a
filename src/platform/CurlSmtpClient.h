#pragma once

#include "platform/SmtpClient.h"

#include <array>

// The SMTP session on libcurl. Opening connects, secures the connection as the
// relay asks, authenticates when an account is given, and checks the session with
// NOOP; sending reuses that connection for MAIL FROM, RCPT TO and DATA (a
// recipient the relay refuses is skipped while another is accepted); closing says
// QUIT. Certificates are verified against the system's authorities.
//
// Errors carry libcurl's code in the component range (0x80040000 + code, which the
// error report shows as the bare code with the source "libcurl") and a
// description with the relay's reply code when it refused something.
class CurlSmtpClient final : public SmtpClient {
public:
    static constexpr qint32 ComponentErrorBase = -2147221504;

    CurlSmtpClient();
    ~CurlSmtpClient() override;
    CurlSmtpClient(const CurlSmtpClient&) = delete;
    CurlSmtpClient& operator=(const CurlSmtpClient&) = delete;

    AppError open(const Relay& relay) override;
    AppError send(const QByteArray& sender, const QList<QByteArray>& recipients,
                  const QByteArray& message) override;
    AppError close() override;

    // Whether a host name or address may go into the relay's URL: letters, digits,
    // '.', '-', '_', or an IPv6 address (hex digits and ':', brackets optional).
    static bool acceptableHost(const QString& host);

private:
    AppError failure(int code) const;

    void* m_curl = nullptr; // the open session's handle, none while closed
    std::array<char, 256> m_errorText{};
};
