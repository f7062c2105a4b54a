#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "settings/Settings.h"

#include <QtTest>

namespace {

const QString SettingsIni =
    QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\KZ3_Trelvo.Ini");
const QString PeripheralsIni = QStringLiteral("C:\\Mirevox\\Ondelia\\Peripheriques.Ini");

struct SettingsFixture {
    ProgramFixture f;
    Program& p = f.program;
    FrmSetup& setup = p.frmSetup;
    ScriptedDialogs dialogs;
    Settings settings{p.state,           p.frmSetup, p.ini,   p.errors,    p.trace,
                      p.platform.events, p.sessions, dialogs, SettingsIni, PeripheralsIni};

    QString read(const QString& file, const char* section, const QByteArray& key) {
        return p.ini.LectureIni(file, QLatin1String(section), QString::fromLatin1(key),
                                QStringLiteral("<none>"));
    }
    bool exists(const QString& file) { return QFile::exists(p.paths.toNative(file)); }
    bool logged(const QString& message) const {
        for (const QString& row : p.frmMainBis.ListeLogTemp.rows() + setup.ListeLog.rows()) {
            if (row.endsWith(message)) {
                return true;
            }
        }
        return false;
    }
};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A save that cannot write says so, keeps the edit to save, and writes nothing.
    void failedSaveIsReported() {
        SettingsFixture s;
        s.setup.TexteSound4IP[0].setText(QStringLiteral("10.1.1.1"));
        s.setup.TexteEmailsAdresses.setText(QStringLiteral("a@b.c"));
        QVERIFY(s.p.state.PbBOptionsModifiees);
        const QString native = s.p.paths.toNative(SettingsIni);
        QVERIFY(QDir().mkpath(native)); // a folder where the file should be
        QVERIFY(!s.settings.SaveSettings());
        QVERIFY(s.p.state.PbBOptionsModifiees);
        QCOMPARE(s.dialogs.questions.size(), 1);
        QVERIFY(s.dialogs.questions.at(0).text.contains(SettingsIni));
        QVERIFY(s.logged(QStringLiteral("Err: Settings: not saved, the file cannot be written: ") +
                         SettingsIni));
        QVERIFY(QDir(native).removeRecursively());
        QVERIFY(s.settings.SaveSettings());
        QVERIFY(!s.p.state.PbBOptionsModifiees);
        QCOMPARE(s.read(SettingsIni, "Sound4", "IP_0"), QStringLiteral("10.1.1.1"));
        QCOMPARE(s.read(SettingsIni, "Email", "Emails"), QStringLiteral("a@b.c"));
    }

    void defaultsWithoutFiles() {
        SettingsFixture s;
        s.p.state.PbBOptionsModifiees = s.p.state.PbBPeripheriquesModifies = true;
        s.settings.InitSettings();
        s.settings.InitSettingsPeripheriques();
        for (int i = 0; i < FrmSetup::NbSound4; ++i) {
            QCOMPARE(s.setup.TexteSound4IP[i].text(), QString());
            QCOMPARE(s.setup.TexteSound4Port[i].text(), QStringLiteral("3003"));
            QCOMPARE(s.setup.TexteSound4NoSerie[i].text(), QString());
            QCOMPARE(s.setup.TexteSound4User[i].text(), QStringLiteral("admin"));
            QCOMPARE(s.setup.TexteSound4PW[i].text(), QStringLiteral("ravin"));
            QCOMPARE(s.setup.CheckSound4AutoLogin[i].value(), 0);
        }
        QCOMPARE(s.setup.TexteEmailsAdresses.text(), QString());
        for (const CheckField& c : s.setup.CheckEmail) {
            QCOMPARE(c.value(), 0);
        }
        for (int i = 0; i < FrmSetup::NbUdp; ++i) {
            for (const TextField* t :
                 {&s.setup.TexteUDPIPSource[i], &s.setup.TexteUDPPortSource[i],
                  &s.setup.TexteUDPIPCible[i], &s.setup.TexteUDPPortBCible[i]}) {
                QCOMPARE(t->text(), QString());
            }
            QCOMPARE(s.setup.TexteUDPPortCible[i].text(), QString::number(96 + i));
            QCOMPARE(s.setup.CheckUDPInActif[i].value() + s.setup.CheckUDPOutActif[i].value(), 0);
        }
        QVERIFY(!s.p.state.PbBOptionsModifiees);
        QVERIFY(!s.p.state.PbBPeripheriquesModifies);
        QVERIFY(!s.exists(SettingsIni)); // reading creates nothing
        QVERIFY(!s.exists(PeripheralsIni));
    }

    void roundTrip() {
        SettingsFixture s;
        FrmSetup& w = s.setup;
        // Every setting control gets a text (or value) made of a tag and its index.
        const auto fill = [&w](const QString& tag) {
            for (int i = 0; i < FrmSetup::NbSound4; ++i) {
                for (TextField* t :
                     {&w.TexteSound4IP[i], &w.TexteSound4Port[i], &w.TexteSound4NoSerie[i],
                      &w.TexteSound4User[i], &w.TexteSound4PW[i]}) {
                    t->setText(tag + QString::number(i));
                }
                w.CheckSound4AutoLogin[i].setValue(tag == u"a" ? i % 2 : 0);
            }
            w.TexteEmailsAdresses.setText(tag + QStringLiteral("@b.fr;c@d.fr"));
            for (int i = 0; i < FrmSetup::NbEmailChecks; ++i) {
                w.CheckEmail[i].setValue(tag == u"a" ? i % 2 : 0);
            }
            for (int i = 0; i < FrmSetup::NbUdp; ++i) {
                for (TextField* t : {&w.TexteUDPPortSource[i], &w.TexteUDPIPCible[i],
                                     &w.TexteUDPPortCible[i], &w.TexteUDPPortBCible[i]}) {
                    t->setText(tag + QString::number(i));
                }
                w.CheckUDPOutActif[i].setValue(tag == u"a" ? i % 2 : 0);
            }
        };
        fill(QStringLiteral("a"));
        QVERIFY(s.p.state.PbBOptionsModifiees && s.p.state.PbBPeripheriquesModifies);
        s.settings.CommandSave_Click();
        QVERIFY(!s.p.state.PbBOptionsModifiees && !s.p.state.PbBPeripheriquesModifies);
        QCOMPARE(s.read(SettingsIni, "Sound4", "User_2"), QStringLiteral("a2"));
        QCOMPARE(s.read(PeripheralsIni, "Peripheriques_Reseau_Emission_UDP_9", "Port2"),
                 QStringLiteral("a9"));

        fill(QStringLiteral("b"));
        s.settings.InitSettings();
        s.settings.InitSettingsPeripheriques();
        for (int i = 0; i < FrmSetup::NbSound4; ++i) {
            for (const TextField* t :
                 {&w.TexteSound4IP[i], &w.TexteSound4Port[i], &w.TexteSound4NoSerie[i],
                  &w.TexteSound4User[i], &w.TexteSound4PW[i]}) {
                QCOMPARE(t->text(), QStringLiteral("a") + QString::number(i));
            }
            QCOMPARE(w.CheckSound4AutoLogin[i].value(), i % 2);
        }
        QCOMPARE(w.TexteEmailsAdresses.text(), QStringLiteral("a@b.fr;c@d.fr"));
        for (int i = 0; i < FrmSetup::NbEmailChecks; ++i) {
            QCOMPARE(w.CheckEmail[i].value(), i % 2);
        }
        for (int i = 0; i < FrmSetup::NbUdp; ++i) {
            for (const TextField* t : {&w.TexteUDPPortSource[i], &w.TexteUDPIPCible[i],
                                       &w.TexteUDPPortCible[i], &w.TexteUDPPortBCible[i]}) {
                QCOMPARE(t->text(), QStringLiteral("a") + QString::number(i));
            }
            QCOMPARE(w.CheckUDPOutActif[i].value(), i % 2);
        }
        QVERIFY(!s.p.state.PbBOptionsModifiees && !s.p.state.PbBPeripheriquesModifies);
    }

    void storedCheckValues_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("email");     // CheckEmail: anything but "0" ticks
        QTest::addColumn<int>("autoLogin"); // other boxes: the leading number
        QTest::newRow("empty") << QString() << 1 << 0;
        QTest::newRow("zero") << QStringLiteral("0") << 0 << 0;
        QTest::newRow("one") << QStringLiteral("1") << 1 << 1;
        QTest::newRow("text") << QStringLiteral("abc") << 1 << 0;
        QTest::newRow("other number ticks") << QStringLiteral("7") << 1 << 1;
    }
    void storedCheckValues() {
        QFETCH(QString, stored);
        QFETCH(int, email);
        QFETCH(int, autoLogin);
        SettingsFixture s;
        s.p.ini.EcritureIni(SettingsIni, QStringLiteral("Email"), QStringLiteral("Check_3"),
                            stored);
        s.p.ini.EcritureIni(SettingsIni, QStringLiteral("Sound4"), QStringLiteral("AutoLogin_2"),
                            stored);
        s.settings.InitSettings();
        QCOMPARE(s.setup.CheckEmail[3].value(), email);
        QCOMPARE(s.setup.CheckSound4AutoLogin[2].value(), autoLogin);
    }

    void numberOfBases_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("bases");
        QTest::newRow("missing") << QString() << 1;
        QTest::newRow("0") << QStringLiteral("0") << 1;
        QTest::newRow("9") << QStringLiteral("9") << 5;
        QTest::newRow("abc") << QStringLiteral("abc") << 1;
        QTest::newRow("3") << QStringLiteral("3") << 3;
        QTest::newRow("-4") << QStringLiteral("-4") << 1;
        QTest::newRow("huge") << QStringLiteral("99999999999") << 5;
    }
    void numberOfBases() {
        QFETCH(QString, stored);
        QFETCH(int, bases);
        SettingsFixture s;
        if (!stored.isNull()) {
            s.p.ini.EcritureIni(SettingsIni, QStringLiteral("General_Out"),
                                QStringLiteral("NbZones"), stored);
        }
        s.settings.InitNbBase();
        QCOMPARE(int(s.p.state.PbINbBase), bases);
        QVERIFY(s.logged(QStringLiteral("PbINbBase: ") + QString::number(bases) +
                         QStringLiteral("/A")));
    }

    void saveWritesOnlyWhatWasEdited() {
        SettingsFixture s;
        s.settings.InitSettings();
        s.settings.InitSettingsPeripheriques();
        s.settings.CommandSave_Click(); // no edit: nothing written
        QVERIFY(!s.exists(SettingsIni) && !s.exists(PeripheralsIni));

        s.setup.TexteSound4User[1].setText(QStringLiteral("studio"));
        QVERIFY(s.p.state.PbBOptionsModifiees && !s.p.state.PbBPeripheriquesModifies);
        s.settings.CommandSave_Click();
        QCOMPARE(s.read(SettingsIni, "Sound4", "User_1"), QStringLiteral("studio"));
        QCOMPARE(s.read(SettingsIni, "Email", "Check_5"), QStringLiteral("0"));
        QCOMPARE(s.read(SettingsIni, "Sound4", "Connected_0"), QStringLiteral("<none>"));
        QVERIFY(!s.exists(PeripheralsIni));
        QVERIFY(!s.p.state.PbBOptionsModifiees);
    }

    void activeListenerOpensDuringLoad() {
        SettingsFixture s;
        const QString section = QStringLiteral("Peripheriques_Reseau_Reception_UDP_3");
        s.p.ini.EcritureIni(PeripheralsIni, section, QStringLiteral("IP"),
                            QStringLiteral("127.0.0.1"));
        s.p.ini.EcritureIni(PeripheralsIni, section, QStringLiteral("Port"),
                            QStringLiteral("5003"));
        s.p.ini.EcritureIni(PeripheralsIni, section, QStringLiteral("Actif"), QStringLiteral("1"));
        s.settings.InitSettingsPeripheriques();
        auto& socket = static_cast<FakeUdpSocket&>(*s.p.reception.SocketWrenchUDPIn[3]);
        QCOMPARE(socket.binds.size(), 1);
        QCOMPARE(socket.binds.front(), (QPair<QString, qint32>{QStringLiteral("127.0.0.1"), 5003}));
        QVERIFY(!s.p.state.PbBPeripheriquesModifies);
        // Saved back unchanged.
        s.setup.TexteUDPPortBCible[0].setText(QStringLiteral("1"));
        s.settings.CommandSave_Click();
        QCOMPARE(s.read(PeripheralsIni, "Peripheriques_Reseau_Reception_UDP_3", "Actif"),
                 QStringLiteral("1"));
    }

    void connectedKeys() {
        SettingsFixture s;
        s.p.state.PbBSound4Connected = {true, false, true, false};
        s.settings.saveConnectedKeys();
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(
                s.read(SettingsIni, "Sound4", QByteArray("Connected_") + QByteArray::number(i)),
                i % 2 == 0 ? QStringLiteral("1") : QStringLiteral("0"));
        }
        s.p.state.PbBSound4Connected = {};
        for (int i = 0; i < 4; ++i) {
            s.setup.TexteSound4IP[i].setText(QStringLiteral("10.0.0.") + QString::number(i));
        }
        s.settings.reconnectSavedUnits();
        QVERIFY(!s.f.telnet(0).connects.isEmpty());
        QVERIFY(s.f.telnet(1).connects.isEmpty());
        QVERIFY(!s.f.telnet(2).connects.isEmpty());
        QVERIFY(s.f.telnet(3).connects.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
