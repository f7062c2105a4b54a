#include "FakeDesktop.h"
#include "FakeHostInfo.h"
#include "FakePower.h"
#include "FakeTelnetConnection.h"
#include "FakeUdpSocket.h"
#include "ManualClock.h"
#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "SmtpSink.h"
#include "incidents/MailMessage.h"
#include "platform/LinuxProcessControl.h"
#include "platform/QtEventPump.h"
#include "shell/Program.h"

#include <QtTest>

// The unit-down alert of the whole program, on fake Sound4 connections and the
// manual clock, mailing through a real SMTP server.
namespace {

const QString SettingsIni =
    QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\KZ3_Trelvo.Ini");

struct OutageFixture {
    QTemporaryDir root;
    ManualClock clock;
    QtEventPump events;
    FakeHostInfo host;
    LinuxProcessControl processes;
    FakeDesktop desktop;
    FakePower power;
    ScriptedDialogs dialogs;
    FixedScreen screen;
    SmtpSink sink;
    Program p;

    explicit OutageFixture(bool alertTicked = true)
        : p(ProgramFixture::launchFor(root.path()),
            ProgramPlatform{clock, events, host, processes, desktop, power, screen,
                            [] { return std::make_unique<FakeTelnetConnection>(); },
                            [] { return std::make_unique<FakeUdpSocket>(); }, &dialogs, nullptr}) {
        p.state.PbSIdRadio = QStringLiteral("Radio Nord");
        set(QStringLiteral("Smtp_Serveur"), QStringLiteral("127.0.0.1"));
        set(QStringLiteral("Smtp_Port"), QString::number(sink.port()));
        set(QStringLiteral("Smtp_Delai"), QStringLiteral("10"));
        set(QStringLiteral("Expediteur_Adresse"), QStringLiteral("alertes@ondelia.test"));
        p.frmSetup.TexteEmailsAdresses.setText(QStringLiteral("ops@radio-nord.test"));
        p.frmSetup.CheckEmail[0].setValue(alertTicked ? 1 : 0);
        p.frmSetup.TexteSound4IP[1].setText(QStringLiteral("10.0.0.2"));
        p.frmSetup.TexteSound4Port[1].setText(QStringLiteral("3003"));
        p.frmSetup.TexteSound4User[1].setText(QStringLiteral("admin"));
    }
    void set(const QString& key, const QString& value) {
        QVERIFY(p.ini.EcritureIni(SettingsIni, QStringLiteral("Email"), key, value));
    }
    FakeTelnetConnection& telnet() {
        return static_cast<FakeTelnetConnection&>(*p.sound4Link.connection(1));
    }
    void logIn() {
        p.sessions.CommandSound4Login_Click(1);
        QVERIFY(p.state.PbBSound4LoggedIn[1]);
    }
    void drop() { telnet().drop(); }
    void advance(qint64 seconds) {
        clock.advance(seconds * 1000);
        p.outageAlert.poll();
    }
    bool hasSubject(int mail, const QString& subject) const {
        const QList<SmtpSink::Message> got = sink.messages();
        return mail < got.size() &&
               got[mail].raw.contains("Subject: " + MailMessage::encodeHeaderText(subject) +
                                      "\r\n");
    }
    int incidents(const QString& part) const {
        int n = 0;
        for (const QString& row : p.frmMain.ListeIncidents[0].rows()) {
            n += row.contains(part) ? 1 : 0;
        }
        return n;
    }
};

} // namespace

class TestSound4OutageAlert : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Down for two minutes: one alert; flapping does not start another; holding
    // gives one back mail.
    void oneAlertPerOutageThenOneBackMail() {
        OutageFixture f;
        QVERIFY(f.sink.port() != 0);
        f.logIn();
        f.drop();
        f.advance(119);
        QVERIFY(f.sink.messages().isEmpty());
        f.advance(2);
        QCOMPARE(f.sink.messages().size(), 1);
        const SmtpSink::Message alert = f.sink.messages().first();
        QCOMPARE(alert.recipients, QList<QByteArray>{"ops@radio-nord.test"});
        QVERIFY(f.hasSubject(
            0, QStringLiteral("Sound4 N° 2 injoignable depuis 31/01/2024 09:05:03 - Radio Nord")));
        QVERIFY(alert.raw.contains("Derni\xe8re erreur: Sound4 N\xb0 2: Err: 10053: Connection "
                                   "aborted"));
        QCOMPARE(f.incidents(QStringLiteral("injoignable depuis")), 1);

        for (int i = 0; i < 10; ++i) {
            f.logIn();
            f.advance(20); // not long enough to count as back
            f.drop();
            f.advance(200);
        }
        QCOMPARE(f.sink.messages().size(), 1);

        f.logIn();
        f.advance(59);
        QCOMPARE(f.sink.messages().size(), 1);
        f.advance(2);
        QCOMPARE(f.sink.messages().size(), 2);
        // From the first loss to the login that held.
        QVERIFY(f.hasSubject(
            1,
            QStringLiteral("Sound4 N° 2 de nouveau joignable après 38 Min 41 Sec - Radio Nord")));
        QCOMPARE(f.incidents(QStringLiteral("de nouveau joignable")), 1);

        // A later outage is a new one.
        f.drop();
        f.advance(121);
        QCOMPARE(f.sink.messages().size(), 3);
    }

    void noAlert_data() {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("scenario");
        QTest::newRow("box clear") << false << QStringLiteral("down");
        QTest::newRow("back before the delay") << true << QStringLiteral("short");
        QTest::newRow("the operator's logout") << true << QStringLiteral("logout");
        QTest::newRow("never logged in") << true << QStringLiteral("nouser");
    }
    void noAlert() {
        QFETCH(bool, ticked);
        QFETCH(QString, scenario);
        OutageFixture f(ticked);
        if (scenario == u"nouser") {
            f.p.frmSetup.TexteSound4User[1].setText(QString()); // connected, no login sent
            f.p.sessions.CommandSound4Login_Click(1);
            QVERIFY(f.p.state.PbBSound4Connected[1]);
        } else {
            f.logIn();
        }
        if (scenario == u"logout") {
            f.p.sessions.CommandSound4Login_Click(1); // "Logout"
        } else {
            f.drop();
        }
        if (scenario == u"short") {
            f.advance(100);
            f.logIn();
            f.advance(61);
        }
        f.advance(600);
        QVERIFY(f.sink.messages().isEmpty());
        QCOMPARE(f.incidents(QStringLiteral("joignable")), 0);
        // Still down with the box clear: the outage is followed, only not mailed.
        QCOMPARE(f.p.outageAlert.inOutage(1), scenario == u"down");
    }

    void delaysAreSettings() {
        OutageFixture f;
        f.set(Sound4OutageAlert::AlertDelayKey, QStringLiteral("30"));
        f.set(Sound4OutageAlert::BackDelayKey, QStringLiteral("5"));
        f.logIn();
        f.drop();
        f.advance(31);
        QCOMPARE(f.sink.messages().size(), 1);
        f.logIn();
        f.advance(6);
        QCOMPARE(f.sink.messages().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSound4OutageAlert)
#include "tst_sound4outagealert.moc"
