#include "FakeDesktop.h"
#include "FakeHostInfo.h"
#include "FakePower.h"
#include "FakeTelnetConnection.h"
#include "FakeUdpSocket.h"
#include "ManualClock.h"
#include "ProgramFixture.h"
#include "RefusingPort.h"
#include "ScriptedDialogs.h"
#include "SmtpSink.h"
#include "platform/LinuxProcessControl.h"
#include "platform/QtEventPump.h"
#include "shell/Program.h"

#include <QTimer>
#include <QtTest>

namespace {

const QString SettingsIni =
    QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\KZ3_Trelvo.Ini");
const QString Caption = QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - Radio Nord");

// The whole program on the real event loop (the mail's session runs on a helper
// thread), a manual clock, fake sockets and scripted dialogs.
struct MailFixture {
    QTemporaryDir root;
    ManualClock clock;
    QtEventPump events;
    FakeHostInfo host;
    LinuxProcessControl processes;
    FakeDesktop desktop;
    FakePower power;
    ScriptedDialogs dialogs;
    FixedScreen screen;
    Program p;
    AlertMailer& mailer = p.mailer;

    MailFixture()
        : p(ProgramFixture::launchFor(root.path()),
            ProgramPlatform{clock, events, host, processes, desktop, power, screen,
                            [] { return std::make_unique<FakeTelnetConnection>(); },
                            [] { return std::make_unique<FakeUdpSocket>(); }, &dialogs, nullptr}) {
        host.name = QStringLiteral("studio1.radio-nord.test");
        host.resident = quint64(42) * 1024 * 1024;
        p.state.PbSIdRadio = QStringLiteral("Radio Nord");
        p.state.PbDDateDemarrage = clock.localDateTime().addSecs(-3725);
        p.frmMain.Caption.setText(Caption);
        set(AlertMailer::Keys::SenderAddress, "alertes@ondelia.test");
        set(AlertMailer::Keys::Support1Address, "support1@ondelia.test");
        set(AlertMailer::Keys::Support1Name, "Premier Support");
        set(AlertMailer::Keys::Support2Address, "support2@ondelia.test");
        set(AlertMailer::Keys::Support2Name, "Second Support");
        set(AlertMailer::Keys::ResellerAddress, "support@revendeur.test");
        set(AlertMailer::Keys::ResellerName, "Revendeur");
    }

    void set(const QString& key, const QString& value) {
        QVERIFY(p.ini.EcritureIni(SettingsIni, QStringLiteral("Email"), key, value));
    }
    void relay(quint16 port, const QString& account = QStringLiteral("compte"),
               const QString& password = QStringLiteral("secret")) {
        set(AlertMailer::Keys::Host, QStringLiteral("127.0.0.1"));
        set(AlertMailer::Keys::Port, QString::number(port));
        set(AlertMailer::Keys::Account, account);
        set(AlertMailer::Keys::Password, password);
        set(AlertMailer::Keys::Timeout, QStringLiteral("10"));
        set(AlertMailer::Keys::Security, QString());
    }
    QStringList log() const {
        return p.frmMainBis.ListeLogTemp.rows() + p.frmSetup.ListeLog.rows();
    }
    int logged(const QString& message) const {
        int n = 0;
        for (const QString& row : log()) {
            n += row.endsWith(QLatin1Char(':') + message) ? 1 : 0;
        }
        return n;
    }
    bool loggedContaining(const QString& part) const {
        return log().join(QLatin1Char('\n')).contains(part);
    }
};

QByteArray header(const QByteArray& raw, const QByteArray& name) {
    const qsizetype end = raw.indexOf("\r\n\r\n");
    QByteArray value;
    bool in = false;
    for (const QByteArray& line : raw.left(end).split('\n')) {
        const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
        if (l.startsWith(' ') || l.startsWith('\t')) {
            if (in) {
                value += l;
            }
            continue;
        }
        in = l.startsWith(name + ": ");
        if (in) {
            value = l.mid(name.size() + 2);
        }
    }
    return value;
}

QByteArray bodyOf(const QByteArray& raw) {
    return raw.mid(raw.indexOf("\r\n\r\n") + 4);
}

const QString Failure = QStringLiteral("Un problème est survenu lors de l'envoi du mail.\r\n\r\n"
                                       "Vérifiez votre paramétrage.");
const QString Success = QStringLiteral("Vérifiez dans votre boite mail si vous recevez bien ce "
                                       "mail de test.\r\n\r\nPensez à vérifier dans vos spams.");

} // namespace

class TestAlertMail : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void testButtonAsksForAnAddress_data() {
        QTest::addColumn<QString>("addresses");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
    }
    void testButtonAsksForAnAddress() {
        QFETCH(QString, addresses);
        MailFixture f;
        f.p.frmSetup.TexteEmailsAdresses.setText(addresses);
        f.mailer.CommandEmailTest_Click();
        QCOMPARE(f.dialogs.questions.size(), 1);
        QCOMPARE(f.dialogs.questions[0].title, Caption);
        QCOMPARE(f.dialogs.questions[0].text,
                 QStringLiteral("Veuillez renseigner un ou plusieurs emails (séparés pas des ;)."));
        QCOMPARE(f.dialogs.questions[0].icon, DialogsHost::Icon::Warning);
        QVERIFY(!f.loggedContaining(QStringLiteral("Mail")));
        // An alert with nobody to send to is dropped without a word.
        QVERIFY(!f.mailer.EnvoiMail(0, addresses, QStringLiteral("x"), QStringLiteral("s"), false));
        QVERIFY(f.log().isEmpty());
    }

    // The operator's addresses are the visible recipients, as typed; the maker's
    // support mailboxes, or the reseller's alone, are blind copies.
    void testMailRecipients_data() {
        QTest::addColumn<int>("station");
        QTest::addColumn<QList<QByteArray>>("envelope");
        QTest::newRow("maker's customer")
            << 12
            << QList<QByteArray>{"a@x", "b@y", "support1@ondelia.test", "support2@ondelia.test"};
        QTest::newRow("reseller's station 57")
            << 57 << QList<QByteArray>{"a@x", "b@y", "support@revendeur.test"};
    }
    void testMailRecipients() {
        QFETCH(int, station);
        QFETCH(QList<QByteArray>, envelope);
        SmtpSink sink(QStringLiteral("compte"), QStringLiteral("secret"));
        QVERIFY(sink.port() != 0);
        MailFixture f;
        f.relay(sink.port());
        f.p.state.PbINoRadio = qint16(station);
        f.p.frmSetup.TexteEmailsAdresses.setText(QStringLiteral("a@x ; b@y;;"));
        f.mailer.CommandEmailTest_Click();

        QCOMPARE(f.dialogs.questions.size(), 1);
        QCOMPARE(f.dialogs.questions[0].text, Success);
        QCOMPARE(f.dialogs.questions[0].icon, DialogsHost::Icon::Information);
        QCOMPARE(f.dialogs.questions[0].title, Caption);
        const QList<SmtpSink::Message> got = sink.messages();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].recipients, envelope);
        QCOMPARE(got[0].sender, QByteArray("alertes@ondelia.test"));
        QCOMPARE(got[0].login, QByteArray("compte"));
        QCOMPARE(header(got[0].raw, "To"), QByteArray("a@x, b@y"));
        QCOMPARE(header(got[0].raw, "From"),
                 QByteArray("\"Ondelia Assistance\" <alertes@ondelia.test>"));
        QCOMPARE(header(got[0].raw, "Subject"), QByteArray("Trelvo - 2024.0131.0905 - Radio Nord"));
        QVERIFY(!got[0].raw.contains("support"));
        QVERIFY(bodyOf(got[0].raw).endsWith("Message: Test d'envoi de mail.\r\n"));
    }

    // The body's lines, byte for byte in iso-8859-1; the subject as given, encoded.
    void alertBodyIsExact() {
        SmtpSink sink(QStringLiteral("compte"), QStringLiteral("secret"));
        MailFixture f;
        f.relay(sink.port());
        QVERIFY(f.mailer.EnvoiMail(AlertMailer::KindAlert, QStringLiteral("ops@station.test"),
                                   QStringLiteral("Première ligne|Deuxième ligne"),
                                   QStringLiteral("Réception coupée"), false));
        const QList<SmtpSink::Message> got = sink.messages();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].recipients, QList<QByteArray>{"ops@station.test"});
        const QString expected =
            QStringLiteral("Radio: Radio Nord\r\n"
                           "Ordinateur: studio1\r\n"
                           "OS: ") +
            f.p.systemInfo.GetOSDisplayString() +
            QStringLiteral("\r\n"
                           "Mémoire: 42 Mo\r\n"
                           "\r\n"
                           "Date du poste: 31/01/2024 09:05:03\r\n"
                           "Poste démarré depuis: 16 Min 40 Sec\r\n"
                           "Application démarrée depuis: 1 H 2 Min 5 Sec\r\n"
                           "\r\n"
                           "Application: C:\\Mirevox\\Ondelia\\KZ3_Trelvo.exe\r\n"
                           "Version: 2024.0131.0905\r\n"
                           "\r\n"
                           "Message: Première ligne\r\n"
                           "Deuxième ligne\r\n");
        QCOMPARE(bodyOf(got[0].raw), expected.toLatin1());
        QVERIFY(bodyOf(got[0].raw).contains("M\xe9moire: 42 Mo"));
        QCOMPARE(header(got[0].raw, "Content-Type"), QByteArray("text/plain; charset=iso-8859-1"));
        QCOMPARE(header(got[0].raw, "Subject"),
                 "=?UTF-8?B?" + QStringLiteral("Réception coupée").toUtf8().toBase64() + "?=");
        QVERIFY(!header(got[0].raw, "Date").isEmpty());
        QVERIFY(f.dialogs.questions.isEmpty());
        QVERIFY(!f.loggedContaining(QStringLiteral("Err: ")));
    }

    // For support: the maker's two mailboxes only, whatever the operator typed.
    void supportAlertGoesToSupportOnly_data() {
        QTest::addColumn<QString>("recipients");
        QTest::addColumn<int>("station");
        QTest::newRow("no address typed") << QString() << 0;
        QTest::newRow("operator's address") << QStringLiteral("ops@station.test") << 0;
        QTest::newRow("reseller's station") << QStringLiteral("ops@station.test") << 57;
    }
    void supportAlertGoesToSupportOnly() {
        QFETCH(QString, recipients);
        QFETCH(int, station);
        SmtpSink sink(QStringLiteral("compte"), QStringLiteral("secret"));
        MailFixture f;
        f.relay(sink.port());
        f.p.state.PbINoRadio = qint16(station);
        QVERIFY(f.mailer.EnvoiMail(0, recipients, QStringLiteral("x"), QStringLiteral("s"), true));
        const QList<SmtpSink::Message> got = sink.messages();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].recipients,
                 (QList<QByteArray>{"support1@ondelia.test", "support2@ondelia.test"}));
        QCOMPARE(header(got[0].raw, "To"),
                 QByteArray("\"Premier Support\" <support1@ondelia.test>, "
                            "\"Second Support\" <support2@ondelia.test>"));
    }

    // A relay that cannot be used: the failure box for a test mail, the failure
    // line for an alert, and the next mail leaves normally.
    void failedRelayThenASecondMail_data() {
        QTest::addColumn<QString>("relay");
        QTest::addColumn<QString>("reported");
        QTest::newRow("refused") << QStringLiteral("refused")
                                 << QStringLiteral("Lib_Sound4:EnvoiMail:100 (Source: libcurl)");
        QTest::newRow("wrong password")
            << QStringLiteral("password") << QStringLiteral("(SMTP 535)");
        // The account never crosses a connection that could not be secured.
        QTest::newRow("no STARTTLS offered")
            << QStringLiteral("starttls") << QStringLiteral("Err: 64 (STARTTLS not supported.)");
        QTest::newRow("none set") << QString()
                                  << QStringLiteral("Warning: Mail: No SMTP relay set (Email, "
                                                    "Smtp_Serveur) |Sub: Lib_Sound4:EnvoiMail");
    }
    void failedRelayThenASecondMail() {
        QFETCH(QString, relay);
        QFETCH(QString, reported);
        SmtpSink sink(QStringLiteral("compte"), QStringLiteral("secret"));
        MailFixture f;
        const RefusingPort refusing;
        if (relay == u"refused") {
            f.relay(refusing.port());
        } else if (relay == u"password") {
            f.relay(sink.port(), QStringLiteral("compte"), QStringLiteral("wrong"));
        } else if (relay == u"starttls") {
            f.relay(sink.port());
            f.set(AlertMailer::Keys::Security, QStringLiteral("STARTTLS"));
        }
        f.p.frmSetup.TexteEmailsAdresses.setText(QStringLiteral("ops@station.test"));
        f.mailer.CommandEmailTest_Click();
        QCOMPARE(f.dialogs.questions.size(), 1);
        QCOMPARE(f.dialogs.questions[0].text, Failure);
        QCOMPARE(f.dialogs.questions[0].icon, DialogsHost::Icon::Warning);
        QVERIFY(!f.mailer.EnvoiMail(0, QStringLiteral("ops@station.test"), QStringLiteral("x"),
                                    QStringLiteral("s"), false));
        QCOMPARE(f.logged(QStringLiteral("Err: Mail: Not sended")), 1);
        QVERIFY2(f.loggedContaining(reported), qPrintable(f.log().join('\n')));
        if (!relay.isEmpty()) {
            // Sending after a failed opening finds no session.
            QVERIFY(f.loggedContaining(
                QStringLiteral("Err: -2147418113: Connection to the server not active |Sub: "
                               "Lib_Sound4:EnvoiMail:110")));
        }
        QVERIFY(!f.mailer.busy());

        f.relay(sink.port());
        QVERIFY(f.mailer.EnvoiMail(0, QStringLiteral("ops@station.test"), QStringLiteral("y"),
                                   QStringLiteral("s"), false));
        QCOMPARE(sink.messages().size(), 1);
        QCOMPARE(f.logged(QStringLiteral("Err: Mail: Not sended")), 1);
    }

    // Events run while a slow relay takes the message; a mail asked for by one of
    // them is turned away without a word, and the first one still leaves.
    void callDuringSlowSendIsTurnedAway() {
        SmtpSink sink(QStringLiteral("compte"), QStringLiteral("secret"), 1.0);
        MailFixture f;
        f.relay(sink.port());
        int nested = -1;
        bool nestedWhileBusy = false;
        QTimer::singleShot(200, [&f, &nested, &nestedWhileBusy] {
            nestedWhileBusy = f.mailer.busy();
            nested = f.mailer.EnvoiMail(0, QStringLiteral("other@station.test"),
                                        QStringLiteral("second"), QStringLiteral("s"), true);
        });
        QVERIFY(f.mailer.EnvoiMail(0, QStringLiteral("ops@station.test"), QStringLiteral("first"),
                                   QStringLiteral("s"), false));
        QVERIFY(nestedWhileBusy);
        QCOMPARE(nested, 0); // an accepted mail would have left before EnvoiMail returned
        QCOMPARE(sink.messages().size(), 1);
        QVERIFY(bodyOf(sink.messages()[0].raw).endsWith("Message: first\r\n"));
        QVERIFY(!f.loggedContaining(QStringLiteral("Mail")));
        QVERIFY(!f.mailer.busy());
    }

    // A listener that reports a blocking read is closed, announced to support
    // through the relay, and bound again.
    void wouldBlockAlertLeavesThroughTheRelay() {
        SmtpSink sink(QStringLiteral("compte"), QStringLiteral("secret"));
        MailFixture f;
        f.relay(sink.port());
        FrmSetup& s = f.p.frmSetup;
        s.TexteEmailsAdresses.setText(QStringLiteral("ops@station.test"));
        s.TexteUDPIPSource[1].setText(QStringLiteral("127.0.0.1"));
        s.TexteUDPPortSource[1].setText(QStringLiteral("5001"));
        s.CheckUDPInActif[1].setValue(1);
        auto& listener = static_cast<FakeUdpSocket&>(*f.p.reception.SocketWrenchUDPIn[1]);
        listener.readFailure = 10035;
        listener.arrive("x");

        const QList<SmtpSink::Message> got = sink.messages();
        QCOMPARE(got.size(), 1);
        QCOMPARE(got[0].recipients,
                 (QList<QByteArray>{"support1@ondelia.test", "support2@ondelia.test"}));
        QCOMPARE(header(got[0].raw, "Subject"), QByteArray("SocketWrenchUDPIn"));
        QVERIFY(
            bodyOf(got[0].raw)
                .endsWith(
                    "Message: Re-Init SocketWrenchUDPIn due to swErrorOperationWouldBlock\r\n"));
        QCOMPARE(listener.binds.size(), 2);
        QVERIFY(listener.handle() != -1);
        QCOMPARE(f.logged(QStringLiteral("Err: Mail: Not sended")), 0);
    }
};

QTEST_GUILESS_MAIN(TestAlertMail)
#include "tst_alertmail.moc"
