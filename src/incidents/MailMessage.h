#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// One mailbox: its address and the name shown with it.
struct MailAddress {
    QString address;
    QString name;
};

// A plain-text mail: the headers the alert mail sets, a body in iso-8859-1 with
// CR LF line ends, and its envelope. Blind copies go to the envelope only.
//
// Addresses and names are written as given, trimmed, with their control
// characters removed (a line break typed into a setting never starts a header of
// its own). A name that is not ASCII, and a subject that is not, are written as
// UTF-8 encoded words; a character of the body that iso-8859-1 lacks becomes "?".
struct MailMessage {
    QDateTime date;
    MailAddress from;
    QList<MailAddress> to;
    QList<MailAddress> bcc;
    QString subject;
    QString body;

    // The list of a recipients text ("a@x ; b@y;;"): a final ";" is added when
    // missing, then every item between two ";" that is not blank, as typed, is
    // both the address and the name. No address is checked.
    static QList<MailAddress> recipientsList(const QString& text);

    // The envelope: MAIL FROM, and the RCPT TO addresses of the visible recipients
    // then the blind copies, each once, blank ones left out.
    QByteArray envelopeSender() const;
    QList<QByteArray> envelopeRecipients() const;

    // Headers and body as sent; messageIdDomain ends the Message-ID.
    QByteArray toBytes(const QString& messageIdDomain) const;

    // A header's text, folded: ASCII as it is, anything else as encoded words.
    static QByteArray encodeHeaderText(const QString& text);
    // "name <address>", or the bare address when the name is empty or the address.
    static QByteArray mailbox(const MailAddress& mailbox);
};
