#include "incidents/MailMessage.h"

#include <QRandomGenerator>
#include <QSet>

namespace {

const QByteArray Crlf = QByteArrayLiteral("\r\n");

// Control characters (line breaks, tabs, NUL, DEL) removed, then trimmed.
QString clean(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= 32 && c.unicode() != 127) {
            out += c;
        }
    }
    return out.trimmed();
}

bool isPlainAscii(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 32 || c.unicode() > 126) {
            return false;
        }
    }
    return true;
}

// Encoded words of at most 75 characters, never cutting a character in two.
QByteArray encodedWords(const QString& text) {
    constexpr qsizetype MaxBytes = 45; // 60 characters of base64 per word
    QByteArray out;
    QByteArray chunk;
    const auto flush = [&out, &chunk] {
        if (chunk.isEmpty()) {
            return;
        }
        if (!out.isEmpty()) {
            out += Crlf + ' ';
        }
        out += "=?UTF-8?B?" + chunk.toBase64() + "?=";
        chunk.clear();
    };
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
                ? 2
                : 1;
        const QByteArray bytes = text.mid(i, n).toUtf8();
        if (chunk.size() + bytes.size() > MaxBytes) {
            flush();
        }
        chunk += bytes;
        i += n;
    }
    flush();
    return out;
}

// ASCII words folded before a line would pass 78 characters.
QByteArray foldedAscii(const QString& text, qsizetype firstLineUsed) {
    QByteArray out;
    qsizetype used = firstLineUsed;
    const QList<QByteArray> words = text.toLatin1().split(' ');
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0) {
            if (used + 1 + words[i].size() > 78) {
                out += Crlf;
                used = 0;
            }
            out += ' ';
            ++used;
        }
        out += words[i];
        used += words[i].size();
    }
    return out;
}

QByteArray quoted(const QString& name) {
    QByteArray out = "\"";
    for (const char c : name.toLatin1()) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

} // namespace

QList<MailAddress> MailMessage::recipientsList(const QString& text) {
    QString all = text;
    if (!all.endsWith(QLatin1Char(';'))) {
        all += QLatin1Char(';');
    }
    QStringList items = all.split(QLatin1Char(';'));
    items.removeLast(); // the empty item after the final ";"
    QList<MailAddress> list;
    for (const QString& item : items) {
        if (!item.trimmed().isEmpty()) {
            list.push_back({item, item});
        }
    }
    return list;
}

QByteArray MailMessage::encodeHeaderText(const QString& text) {
    const QString t = clean(text);
    return isPlainAscii(t) ? foldedAscii(t, 9) : encodedWords(t);
}

QByteArray MailMessage::mailbox(const MailAddress& box) {
    const QString address = clean(box.address);
    const QString name = clean(box.name);
    if (name.isEmpty() || name == address) {
        return address.toUtf8();
    }
    return (isPlainAscii(name) ? quoted(name) : encodedWords(name)) + " <" + address.toUtf8() + '>';
}

QByteArray MailMessage::envelopeSender() const {
    return clean(from.address).toUtf8();
}

QList<QByteArray> MailMessage::envelopeRecipients() const {
    QList<QByteArray> out;
    QSet<QString> seen;
    for (const QList<MailAddress>* list : {&to, &bcc}) {
        for (const MailAddress& box : *list) {
            const QString address = clean(box.address);
            if (!address.isEmpty() && !seen.contains(address.toLower())) {
                seen.insert(address.toLower());
                out.push_back(address.toUtf8());
            }
        }
    }
    return out;
}

QByteArray MailMessage::toBytes(const QString& messageIdDomain) const {
    QByteArray m;
    m += "Date: " + date.toString(Qt::RFC2822Date).toLatin1() + Crlf;
    m += "From: " + mailbox(from) + Crlf;
    QByteArray toLine;
    for (const MailAddress& box : to) {
        if (clean(box.address).isEmpty()) {
            continue;
        }
        toLine += (toLine.isEmpty() ? QByteArray() : QByteArray("," + Crlf + ' ')) + mailbox(box);
    }
    m +=
        "To: " + (toLine.isEmpty() ? QByteArrayLiteral("undisclosed-recipients:;") : toLine) + Crlf;
    m += "Subject: " + encodeHeaderText(subject) + Crlf;
    QString domain = clean(messageIdDomain);
    domain.remove(QLatin1Char('<')).remove(QLatin1Char('>')).remove(QLatin1Char(' '));
    m += "Message-ID: <" + date.toString(QStringLiteral("yyyyMMddHHmmsszzz")).toLatin1() + '.' +
         QByteArray::number(QRandomGenerator::global()->generate(), 16) + '@' +
         (domain.isEmpty() ? QByteArrayLiteral("localhost") : domain.toUtf8()) + '>' + Crlf;
    m += "MIME-Version: 1.0" + Crlf;
    m += "Content-Type: text/plain; charset=iso-8859-1" + Crlf;
    m += "Content-Transfer-Encoding: 8bit" + Crlf;
    m += Crlf;
    // Every line break, whatever its form, is CR LF.
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    if (!text.endsWith(QStringLiteral("\r\n"))) {
        text += QStringLiteral("\r\n");
    }
    m += text.toLatin1();
    return m;
}
