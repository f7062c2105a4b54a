#include "platform/CurlSmtpClient.h"

#include <curl/curl.h>

#include <cstring>
#include <mutex>

namespace {

const QString Source = QStringLiteral("libcurl");

size_t discardReply(char*, size_t size, size_t count, void*) {
    return size * count;
}

// The message handed to libcurl piece by piece.
struct Upload {
    const QByteArray& bytes;
    qsizetype offset = 0;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* data) {
    Upload& upload = *static_cast<Upload*>(data);
    const qsizetype left = upload.bytes.size() - upload.offset;
    const qsizetype n = qMin<qsizetype>(left, qsizetype(size * count));
    std::memcpy(buffer, upload.bytes.constData() + upload.offset, size_t(n));
    upload.offset += n;
    return size_t(n);
}

QString urlHost(const QString& host) {
    const QString h = host.trimmed();
    if (h.contains(QLatin1Char(':')) && !h.startsWith(QLatin1Char('['))) {
        return QLatin1Char('[') + h + QLatin1Char(']');
    }
    return h;
}

} // namespace

CurlSmtpClient::CurlSmtpClient() {
    // Global set-up is not thread-safe: done once, from the thread that makes the
    // first client, before any session runs on a helper thread.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CurlSmtpClient::~CurlSmtpClient() {
    close();
}

bool CurlSmtpClient::acceptableHost(const QString& host) {
    const QString h = host.trimmed();
    if (h.isEmpty() || h.size() > 253) {
        return false;
    }
    if (h.contains(QLatin1Char(':'))) {
        const QString inner = h.startsWith(QLatin1Char('[')) && h.endsWith(QLatin1Char(']'))
                                  ? h.mid(1, h.size() - 2)
                                  : h;
        for (const QChar c : inner) {
            if (!(c.isDigit() || c == QLatin1Char(':') || c == QLatin1Char('.') ||
                  (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))) {
                return false;
            }
        }
        return !inner.isEmpty();
    }
    for (const QChar c : h) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('.') &&
            c != QLatin1Char('-') && c != QLatin1Char('_')) {
            return false;
        }
    }
    return true;
}

AppError CurlSmtpClient::failure(int code) const {
    QString description = QString::fromUtf8(m_errorText.data());
    if (description.isEmpty()) {
        description = QString::fromUtf8(curl_easy_strerror(CURLcode(code)));
    }
    long reply = 0;
    if (m_curl != nullptr) {
        curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &reply);
    }
    if (reply >= 400) {
        description += QStringLiteral(" (SMTP ") + QString::number(reply) + QLatin1Char(')');
    }
    return {ComponentErrorBase + code, description, Source};
}

AppError CurlSmtpClient::open(const Relay& relay) {
    close();
    m_errorText.fill('\0');
    if (!acceptableHost(relay.host)) {
        return {ComponentErrorBase + CURLE_URL_MALFORMAT,
                QStringLiteral("Invalid relay host: ") + relay.host, Source};
    }
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        return {ComponentErrorBase + CURLE_FAILED_INIT,
                QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)), Source};
    }
    m_curl = curl;
    const quint16 port = relay.port != 0 ? relay.port : usualPort(relay.security);
    const QByteArray url = (relay.security == Security::Tls ? QByteArrayLiteral("smtps://")
                                                            : QByteArrayLiteral("smtp://")) +
                           urlHost(relay.host).toUtf8() + ':' + QByteArray::number(port);
    const long timeout = qMax<long>(1, relay.timeoutMs);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // runs on a helper thread
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, m_errorText.data());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeout);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeout);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discardReply);
    if (relay.security == Security::StartTls) {
        curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    }
    // libcurl copies the strings it is given.
    const QByteArray account = relay.account.toUtf8();
    const QByteArray password = relay.password.toUtf8();
    if (!account.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, account.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "NOOP");
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr);
    if (result != CURLE_OK) {
        const AppError error = failure(result);
        close();
        return error;
    }
    return {};
}

AppError CurlSmtpClient::send(const QByteArray& sender, const QList<QByteArray>& recipients,
                              const QByteArray& message) {
    if (m_curl == nullptr) {
        return notConnected();
    }
    if (recipients.isEmpty()) {
        return {ComponentErrorBase + CURLE_SEND_ERROR, QStringLiteral("No recipient"), Source};
    }
    m_errorText.fill('\0');
    const QByteArray from = '<' + sender + '>';
    curl_slist* to = nullptr;
    for (const QByteArray& r : recipients) {
        curl_slist* next = curl_slist_append(to, QByteArray('<' + r + '>').constData());
        if (next == nullptr) {
            curl_slist_free_all(to);
            return {ComponentErrorBase + CURLE_OUT_OF_MEMORY,
                    QString::fromUtf8(curl_easy_strerror(CURLE_OUT_OF_MEMORY)), Source};
        }
        to = next;
    }
    Upload upload{message};
    curl_easy_setopt(m_curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(m_curl, CURLOPT_MAIL_RCPT, to);
    curl_easy_setopt(m_curl, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 1L);
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
    const CURLcode result = curl_easy_perform(m_curl);
    // Nothing set here outlives this call.
    curl_easy_setopt(m_curl, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(m_curl, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 0L);
    curl_slist_free_all(to);
    return result == CURLE_OK ? AppError{} : failure(result);
}

AppError CurlSmtpClient::close() {
    if (m_curl != nullptr) {
        curl_easy_cleanup(m_curl); // says QUIT on a live connection
        m_curl = nullptr;
    }
    return {};
}
