#include "RefusingPort.h"
#include "SmtpSink.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The operations of the command line, on the real executable: the test mail of the
// settings, and the configuration check, which writes nothing.
namespace {

const QString SettingsFolder = QStringLiteral("/c/Mirevox/Ondelia/Settings/KZ3_Trelvo");

void write(const QString& path, const QByteArray& text) {
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

struct Run {
    int exitCode = -1;
    QByteArray out;
};

Run run(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(TRELVO_EXE_PATH), args);
    Run r;
    if (p.waitForFinished(60000)) {
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    r.out = p.readAll();
    return r;
}

// Every entry under the root with its bytes and its modification time.
QMap<QString, QByteArray> snapshot(const QString& root) {
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        QByteArray facts = QByteArray::number(info.lastModified().toMSecsSinceEpoch());
        QFile f(path);
        if (info.isFile() && f.open(QIODevice::ReadOnly)) {
            facts +=
                ' ' + QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
        }
        entries.insert(path.mid(root.size()), facts);
    }
    return entries;
}

// A station: its name, its registry, a database, a unit, a listener and an emitter.
void station(const QString& root, const QByteArray& port, const QByteArray& listenerAddress) {
    write(root + QStringLiteral("/c/Mirevox/Ondelia/Settings/KZ3_Config.ini"),
          "[Site]\r\nLib=Radio Nord\r\nNoRadio=12\r\n");
    write(root + QStringLiteral("/c/KZ_Data/FRAD000.bt6"), "data");
    write(root + QStringLiteral("/registry.reg"),
          "Windows Registry Editor Version 5.00\r\n\r\n"
          "[HKEY_LOCAL_MACHINE\\Software\\Mirevox\\Ondelia\\Look]\r\n\"Style\"=\"\"\r\n");
    write(root + SettingsFolder + QStringLiteral("/KZ3_Trelvo.Ini"),
          "[Sound4]\r\nIP_0=127.0.0.1\r\nPort_0=" + port +
              "\r\nConnected_0=1\r\n[Email]\r\nSmtp_Serveur=127.0.0.1\r\n"
              "[Peripheriques_Reseau_Reception_UDP_1]\r\nIP=" +
              listenerAddress +
              "\r\nPort=5001\r\nActif=1\r\n"
              "[Peripheriques_Reseau_Emission_UDP_0]\r\nIP=127.0.0.1\r\nPort1=7000\r\nActif=1\r\n");
    // The older place of the listeners, which a start would move: left as it is.
    write(root + QStringLiteral("/c/Windows/KZ3_Trelvo.Ini"),
          "[Peripheriques_Reseau_Reception_UDP_2]\r\nIP=127.0.0.1\r\nPort=5002\r\nActif=1\r\n");
}

} // namespace

class TestHeadlessOperations : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void testMail_data() {
        QTest::addColumn<bool>("relayListens");
        QTest::newRow("the relay takes it") << true;
        QTest::newRow("the relay's port refuses") << false;
    }
    void testMail() {
        QFETCH(bool, relayListens);
        SmtpSink sink(QStringLiteral("compte"), QStringLiteral("secret"));
        QVERIFY(sink.port() != 0);
        RefusingPort refusing;
        QTemporaryDir root;
        write(root.path() + QStringLiteral("/c/Mirevox/Ondelia/Settings/KZ3_Config.ini"),
              "[Site]\r\nLib=Radio Nord\r\n");
        const quint16 port = relayListens ? sink.port() : refusing.port();
        write(
            root.path() + SettingsFolder + QStringLiteral("/KZ3_Trelvo.Ini"),
            "[Email]\r\nEmails=ops@radio-nord.test ; chef@radio-nord.test\r\n"
            "Smtp_Serveur=127.0.0.1\r\nSmtp_Port=" +
                QByteArray::number(port) +
                "\r\nSmtp_Compte=compte\r\nSmtp_MotDePasse=secret\r\nSmtp_Delai=10\r\n"
                "Support1_Adresse=support1@ondelia.test\r\nExpediteur_Adresse=a@ondelia.test\r\n");
        const QMap<QString, QByteArray> before = snapshot(root.path());

        const Run r = run({QStringLiteral("--test-mail"), QStringLiteral("--root"), root.path()});
        qInfo("%s", r.out.constData());
        if (relayListens) {
            QCOMPARE(r.exitCode, 0);
            QVERIFY(r.out.contains("Test mail sent"));
            const QList<SmtpSink::Message> got = sink.messages();
            QCOMPARE(got.size(), 1);
            QCOMPARE(got[0].recipients,
                     (QList<QByteArray>{"ops@radio-nord.test", "chef@radio-nord.test",
                                        "support1@ondelia.test"}));
            QVERIFY(got[0].raw.contains("Subject: Trelvo - "));
            QVERIFY(got[0].raw.contains(" - Radio Nord\r\n"));
            QVERIFY(got[0].raw.contains("Message: Test d'envoi de mail."));
        } else {
            QCOMPARE(r.exitCode, 1);
            QVERIFY(r.out.contains("Test mail not sent"));
            QVERIFY(r.out.contains("connect")); // the relay's reason, as reported
            QVERIFY(sink.messages().isEmpty());
        }
        // Neither the settings nor a log: nothing under the root changed.
        QCOMPARE(snapshot(root.path()), before);
    }

    void checkConfig_data() {
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<QByteArray>("listenerAddress");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArrayList>("named");
        QTest::newRow("usable") << QByteArray("3003") << QByteArray("127.0.0.1") << 0
                                << QByteArrayList{"Sound4 1: connect to 127.0.0.1:3003",
                                                  "Listener 1: bind 127.0.0.1:5001",
                                                  "Emitter 0: send to 127.0.0.1:7000",
                                                  "Every value can be used."};
        QTest::newRow("bad port, foreign listener")
            << QByteArray("30x3") << QByteArray("192.0.2.77") << 1
            << QByteArrayList{"port \"30x3\" (Port_0) is not a port number",
                              "address \"192.0.2.77\" (IP of "
                              "[Peripheriques_Reseau_Reception_UDP_1]) is not an address of "
                              "this computer",
                              "2 values cannot be used"};
        QTest::newRow("no database") << QByteArray("3003") << QByteArray("127.0.0.1") << 1
                                     << QByteArrayList{"data folder C:\\KZ_Data\\ holds no "
                                                       "database (FRAD000.bt6)"};
        QTest::newRow("port out of range")
            << QByteArray("70000") << QByteArray("0.0.0.0") << 1
            << QByteArrayList{"port \"70000\" (Port_0)", "1 value cannot be used"};
    }
    void checkConfig() {
        QFETCH(QByteArray, port);
        QFETCH(QByteArray, listenerAddress);
        QFETCH(int, exitCode);
        QFETCH(QByteArrayList, named);
        QTemporaryDir root;
        station(root.path(), port, listenerAddress);
        if (QByteArray(QTest::currentDataTag()) == "no database") {
            QVERIFY(QFile::remove(root.path() + QStringLiteral("/c/KZ_Data/FRAD000.bt6")));
        }
        const QMap<QString, QByteArray> before = snapshot(root.path());
        QTest::qWait(20); // a write now would show in the times

        const Run r =
            run({QStringLiteral("--check-config"), QStringLiteral("--root"), root.path()});
        QCOMPARE(r.exitCode, exitCode);
        for (const QByteArray& text : named) {
            QVERIFY2(r.out.contains(text), text.constData());
        }
        QCOMPARE(snapshot(root.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestHeadlessOperations)
#include "tst_headless_operations.moc"
