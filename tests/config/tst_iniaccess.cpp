#include "config/IniAccess.h"

#include "ManualClock.h"
#include "RecordingReporter.h"
#include "RecordingTrace.h"
#include "base/UptimeCounter.h"
#include "platform/PathSpace.h"
#include "system/FileOperations.h"
#include "system/FolderChecks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& bytes) {
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile::remove(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A fresh root with the real folder and file helpers on it. As on a station, the
// drive C: and the share \\STUDIO\Partage exist; the folders below them may not.
struct Fixture {
    QTemporaryDir root;
    bool drives = QDir(root.path()).mkpath(QStringLiteral("c")) &&
                  QDir(root.path()).mkpath(QStringLiteral("unc/STUDIO/Partage"));
    PathSpace paths{root.path()};
    ManualClock clock;
    UptimeCounter uptime{clock};
    RecordingTrace trace;
    RecordingReporter errors;
    FolderChecks folders{paths, trace, errors};
    FileOperations files{paths, trace, errors, uptime};
    IniAccess ini{paths, errors, folders, files};

    QString native(const QString& windows) const { return paths.toNative(windows); }
};

const QString Settings = QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo.Ini");

} // namespace

class TestIniAccess : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reading_data();
    void reading();
    void refusedPathsTouchNothing();
    void blankSectionOrKey();
    void writeCreatesFolderChain();
    void readOnlyFileSucceedsOnThirdAttempt();
    void failureAfterThreeAttempts();
    void emptyValueAndAccentRoundTrip();
    void lineBreakRefusedAndReported();
    void bareNameLivesInWindowsFolder();
};

void TestIniAccess::reading_data() {
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("expected");
    const QByteArray file("[Sound4]\r\nIP_0=\"10.0.0.5\"\r\nLong=" + QByteArray(300, 'a') +
                          "\r\nEmpty=\r\n");
    const QString a254(254, QLatin1Char('a'));
    const QString d300(300, QLatin1Char('d'));
    const struct {
        const char* name;
        QByteArray content;
        QString section, key, defaultValue, expected;
    } rows[] = {
        {"value", file, "SOUND4", "ip_0", "127.0.0.1", "10.0.0.5"},
        {"no file", {}, "Sound4", "IP_0", "dflt", "dflt"},
        {"no section", file, "Other", "IP_0", "dflt", "dflt"},
        {"no key", file, "Sound4", "IP_9", "dflt", "dflt"},
        {"300 characters", file, "Sound4", "Long", "", a254},
        {"empty value, not the default", file, "Sound4", "Empty", "dflt", ""},
        {"default cut like a value", file, "Sound4", "IP_9", d300, d300.left(254)},
    };
    for (const auto& r : rows) {
        QTest::newRow(r.name) << r.content << r.section << r.key << r.defaultValue << r.expected;
    }
}

void TestIniAccess::reading() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, defaultValue);
    QFETCH(QString, expected);
    Fixture f;
    if (!content.isEmpty()) {
        put(f.native(Settings), content);
    }
    QCOMPARE(f.ini.LectureIni(Settings, section, key, defaultValue), expected);
    QVERIFY(f.errors.empty());
}

void TestIniAccess::refusedPathsTouchNothing() {
    Fixture f;
    for (const char* bad : {"C:\\x\\a*.ini", "C:\\x\\a?.ini", "C:\\x\\\"a\".ini", "C:\\x|a.ini"}) {
        const QString path = QString::fromLatin1(bad);
        QCOMPARE(
            f.ini.LectureIni(path, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("d")),
            QStringLiteral("d"));
        QVERIFY(!f.ini.EcritureIni(path, QStringLiteral("S"), QStringLiteral("k"),
                                   QStringLiteral("v")));
    }
    QVERIFY(QDir(f.root.path() + QStringLiteral("/c")).isEmpty());
    QVERIFY(f.trace.lines().isEmpty());
}

void TestIniAccess::blankSectionOrKey() {
    Fixture f;
    const QByteArray before("[S]\r\nk=1\r\n");
    put(f.native(Settings), before);
    QVERIFY(!f.ini.EcritureIni(Settings, QStringLiteral("   "), QStringLiteral("k"),
                               QStringLiteral("v")));
    QVERIFY(!f.ini.EcritureIni(Settings, QStringLiteral("S"), QString(), QStringLiteral("v")));
    QCOMPARE(bytesOf(f.native(Settings)), before);
}

void TestIniAccess::writeCreatesFolderChain() {
    Fixture f;
    const QString path = QStringLiteral("\\\\STUDIO\\Partage\\Config\\Base_01\\MX_SYS.ini");
    QVERIFY(f.ini.EcritureIni(path, QStringLiteral("Repertoires"), QStringLiteral("REPPARTAGE"),
                              QStringLiteral("D:\\Shared\\")));
    QCOMPARE(
        bytesOf(f.root.path() + QStringLiteral("/unc/STUDIO/Partage/Config/Base_01/MX_SYS.ini")),
        QByteArray("[Repertoires]\r\nREPPARTAGE=D:\\Shared\\\r\n"));
    QCOMPARE(f.ini.LectureIni(path, QStringLiteral("repertoires"), QStringLiteral("reppartage"),
                              QString()),
             QStringLiteral("D:\\Shared\\"));
}

void TestIniAccess::readOnlyFileSucceedsOnThirdAttempt() {
    Fixture f;
    const QString native = f.native(Settings);
    put(native, "; settings\r\n[S]\r\nk=1\r\n");
    QFile::setPermissions(native, QFile::ReadOwner | QFile::ReadGroup);
    QVERIFY(
        f.ini.EcritureIni(Settings, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("2")));
    QCOMPARE(bytesOf(native), QByteArray("; settings\r\n[S]\r\nk=2\r\n"));
    QCOMPARE(QFileInfo(native).permissions() &
                 (QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    QVERIFY(f.errors.empty());
}

void TestIniAccess::failureAfterThreeAttempts() {
    Fixture f;
    QVERIFY(QDir().mkpath(f.native(Settings))); // a folder where the file should be
    QVERIFY(!f.ini.EcritureIni(Settings, QStringLiteral("S"), QStringLiteral("k"),
                               QStringLiteral("v")));
    QVERIFY(QFileInfo(f.native(Settings)).isDir());
}

void TestIniAccess::emptyValueAndAccentRoundTrip() {
    Fixture f;
    QVERIFY(f.ini.EcritureIni(Settings, QStringLiteral("S"), QStringLiteral("Vide"), QString()));
    QVERIFY(f.ini.EcritureIni(Settings, QStringLiteral("S"), QStringLiteral("Nom"),
                              QStringLiteral("é")));
    QCOMPARE(bytesOf(f.native(Settings)), QByteArray("[S]\r\nVide=\r\nNom=\xE9\r\n"));
    QCOMPARE(f.ini.LectureIni(Settings, QStringLiteral("S"), QStringLiteral("Vide"),
                              QStringLiteral("dflt")),
             QString());
    QCOMPARE(f.ini.LectureIni(Settings, QStringLiteral("S"), QStringLiteral("Nom"), QString()),
             QStringLiteral("é"));
}

void TestIniAccess::lineBreakRefusedAndReported() {
    Fixture f;
    const QByteArray before("[S]\r\nk=1\r\n");
    put(f.native(Settings), before);
    QFile::setPermissions(f.native(Settings), QFile::ReadOwner);
    QVERIFY(!f.ini.EcritureIni(Settings, QStringLiteral("S"), QStringLiteral("k"),
                               QStringLiteral("2\r\n[Other]")));
    QCOMPARE(bytesOf(f.native(Settings)), before);
    // No retry: the read-only attribute is still there.
    QVERIFY(!QFileInfo(f.native(Settings)).permissions().testFlag(QFile::WriteOwner));
    QCOMPARE(f.errors.reports().size(), 1);
    QCOMPARE(f.errors.reports().at(0).caller, QStringLiteral("Lib_Systeme:EcritureIni"));
    QCOMPARE(f.errors.reports().at(0).error.number, 5);
}

void TestIniAccess::bareNameLivesInWindowsFolder() {
    Fixture f;
    QCOMPARE(IniAccess::profilePath(QStringLiteral("KZ3_Trelvo.Ini")),
             QStringLiteral("C:\\Windows\\KZ3_Trelvo.Ini"));
    QCOMPARE(IniAccess::profilePath(QStringLiteral("D:/Data/x.ini")),
             QStringLiteral("D:\\Data\\x.ini"));
    QVERIFY(f.ini.EcritureIni(QStringLiteral("KZ3_Trelvo.Ini"), QStringLiteral("UDP_In"),
                              QStringLiteral("Port_0"), QStringLiteral("8000")));
    QVERIFY(QFileInfo::exists(f.native(QStringLiteral("C:\\Windows\\KZ3_Trelvo.Ini"))));
    QCOMPARE(f.ini.LectureIni(QStringLiteral("kz3_trelvo.ini"), QStringLiteral("UDP_In"),
                              QStringLiteral("Port_0"), QString()),
             QStringLiteral("8000"));
}

QTEST_GUILESS_MAIN(TestIniAccess)
#include "tst_iniaccess.moc"
