#include "incidents/AlertMailer.h"
#include "incidents/MailMessage.h"

#include <QtTest>

namespace {

QList<QByteArray> headerLines(const QByteArray& raw) {
    return raw.left(raw.indexOf("\r\n\r\n")).split('\n');
}

} // namespace

class TestMailMessage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void libDuree_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("42 s") << 42.0 << "0 Min 42 Sec";
        QTest::newRow("3725 s") << 3725.0 << "1 H 2 Min 5 Sec";
        QTest::newRow("90061 s") << 90061.0 << "1 J 1 H 1 Min 1 Sec";
        QTest::newRow("86400 s") << 86400.0 << "1 J 0 H 0 Min 0 Sec";
        QTest::newRow("half to even, down") << 2.5 << "0 Min 2 Sec";
        QTest::newRow("half to even, up") << 3599.5 << "1 H 0 Min 0 Sec";
        QTest::newRow("milliseconds") << 59.999 << "1 Min 0 Sec";
        QTest::newRow("45 days of uptime") << 3888000.0 << "45 J 0 H 0 Min 0 Sec";
        QTest::newRow("clock set back") << -12.0 << "0 Min 0 Sec";
        QTest::newRow("unreadable") << qQNaN() << "0 Min 0 Sec";
    }
    void libDuree() {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(AlertMailer::LibDuree(seconds), text);
    }

    void recipientsList_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("blanks and an empty item")
            << "a@x ; b@y;;" << QStringList{QStringLiteral("a@x "), QStringLiteral(" b@y")};
        QTest::newRow("no final ;") << "a@x ; b@y" << QStringList{"a@x ", " b@y"};
        QTest::newRow("separators only") << " ; ;" << QStringList{};
        QTest::newRow("empty") << "" << QStringList{};
    }
    void recipientsList() {
        QFETCH(QString, text);
        QFETCH(QStringList, items);
        QStringList got;
        for (const MailAddress& m : MailMessage::recipientsList(text)) {
            QCOMPARE(m.name, m.address);
            got.push_back(m.address);
        }
        QCOMPARE(got, items);
    }

    // What a setting or a caller's text holds never breaks the message's layout: a
    // line break cannot start a header, names are quoted or encoded, long texts fold.
    void headersStayWellFormed() {
        MailMessage m;
        m.date = QDateTime(QDate(2024, 1, 31), QTime(9, 5, 3));
        m.from = {QStringLiteral("alertes@ondelia.test"), QStringLiteral("Ondelia \"Assistance\"")};
        m.to = {{QStringLiteral(" ops@station.test\r\nBcc: evil@x.test"), QStringLiteral("ops")},
                {QStringLiteral("chef@station.test"), QStringLiteral("Hélène Dupré")}};
        m.bcc = {{QStringLiteral("CHEF@station.test"), QString()}, {QString(), QString()}};
        m.subject = QStringLiteral("Alerte\r\nBcc: evil@x.test ") + QString(120, QLatin1Char('x')) +
                    QStringLiteral(" fin");
        m.body = QStringLiteral("un\ndeux\rtrois\r\nquatre €");
        const QByteArray raw = m.toBytes(QStringLiteral("ondelia.test"));

        for (const QByteArray& line : headerLines(raw)) {
            QVERIFY2(!line.startsWith("Bcc"), line.constData());
            QVERIFY2(line.size() <= 998, line.constData());
        }
        QVERIFY(raw.contains("From: \"Ondelia \\\"Assistance\\\"\" <alertes@ondelia.test>\r\n"));
        QVERIFY(raw.contains("\"ops\" <ops@station.testBcc: evil@x.test>"));
        QVERIFY(raw.contains("=?UTF-8?B?" + QStringLiteral("Hélène Dupré").toUtf8().toBase64() +
                             "?= <chef@station.test>"));
        // Folded at blanks: unfolding gives the subject back, line breaks removed.
        const qsizetype at = raw.indexOf("Subject: ") + 9;
        QByteArray subject = raw.mid(at, raw.indexOf("\r\nMessage-ID") - at);
        QVERIFY(subject.contains("\r\n "));
        subject.replace("\r\n", "");
        QCOMPARE(subject, "AlerteBcc: evil@x.test " + QByteArray(120, 'x') + " fin");
        QCOMPARE(raw.mid(raw.indexOf("\r\n\r\n") + 4), QByteArray("un\r\ndeux\r\ntrois\r\n"
                                                                  "quatre ?\r\n"));
        // Each recipient once, the visible ones first.
        QCOMPARE(m.envelopeRecipients(),
                 (QList<QByteArray>{"ops@station.testBcc: evil@x.test", "chef@station.test"}));
    }

    // A long subject that is not ASCII: encoded words of at most 75 characters that
    // never split a character.
    void longEncodedSubject() {
        const QString text =
            QString(40, QChar(0x00e9)) + QStringLiteral(" 🎙 ") + QString(30, u'x');
        const QByteArray encoded = MailMessage::encodeHeaderText(text);
        QString decoded;
        for (QByteArray word : encoded.split('\n')) {
            word = word.trimmed();
            QVERIFY(word.size() <= 75);
            QVERIFY(word.startsWith("=?UTF-8?B?") && word.endsWith("?="));
            const QByteArray bytes = QByteArray::fromBase64(word.mid(10, word.size() - 12));
            QStringDecoder utf8(QStringDecoder::Utf8);
            decoded += utf8(bytes);
            QVERIFY(!utf8.hasError());
        }
        QCOMPARE(decoded, text);
    }
};

QTEST_GUILESS_MAIN(TestMailMessage)
#include "tst_mailmessage.moc"
