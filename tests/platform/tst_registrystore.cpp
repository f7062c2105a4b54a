#include "platform/PathSpace.h"
#include "platform/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr quint32 HKLM = RegistryStore::HKEY_LOCAL_MACHINE;
constexpr quint32 HKCU = RegistryStore::HKEY_CURRENT_USER;

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile::remove(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray text(const QString& s) {
    return RegistryValue::fromText(RegistryStore::REG_SZ, s).data;
}

const QByteArray Head("Windows Registry Editor Version 5.00\r\n\r\n");

} // namespace

class TestRegistryStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void reading_data();
    void reading();
    void roundTrip_data();
    void roundTrip();
    void fileLayout();
    void createKeyAddsParentsInPlace();
    void handEditedLinesSurviveWrites();
    void refusals();
    void readOnlyOrUnreadableFile();

private:
    QTemporaryDir m_dir;
    QString m_path;
};

void TestRegistryStore::init() {
    m_path = m_dir.filePath(QStringLiteral("registry.reg"));
    QFile::remove(m_path);
}

namespace {

QByteArray inKey(const QByteArray& lines) {
    return Head + "[HKEY_LOCAL_MACHINE\\Software\\K]\r\n" + lines + "\r\n";
}

// A query of HKEY_LOCAL_MACHINE\Software\K (or subkey) in each file.
struct ReadRow {
    const char* name;
    QByteArray file;
    QString value;
    int code;
    uint type;
    QByteArray data;
    QString subkey = QStringLiteral("Software\\K");
};

} // namespace

void TestRegistryStore::reading_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("subkey");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("data");
    QStringEncoder utf16(QStringEncoder::Utf16LE);
    const QByteArray x = text("x");
    const ReadRow rows[] = {
        {"text", inKey("\"v\"=\"abc\""), "v", 0, 1, text("abc")},
        {"escapes", inKey("\"v\"=\"C:\\\\a \\\"q\\\"\""), "v", 0, 1, text("C:\\a \"q\"")},
        {"other backslash kept", inKey("\"v\"=\"a\\b\""), "v", 0, 1, text("a\\b")},
        {"escaped name", inKey("\"a\\\"b\"=\"x\""), "a\"b", 0, 1, x},
        {"dword", inKey("\"v\"=dword:0000000f"), "v", 0, 4, QByteArray("\x0f\0\0\0", 4)},
        {"expand", inKey("\"v\"=hex(2):25,00,41,00,00,00"), "v", 0, 2, QByteArray("%\0A\0\0\0", 6)},
        {"binary", inKey("\"v\"=hex:01,ff"), "v", 0, 3, QByteArray("\x01\xff")},
        {"empty binary", inKey("\"v\"=hex:"), "v", 0, 3, QByteArray()},
        {"wrapped hex", inKey("\"v\"=hex(7):41,00,\\\r\n  00,00,\\\r\n  00,00"), "v", 0, 7,
         QByteArray("A\0\0\0\0\0", 6)},
        {"default value", inKey("@=\"d\"\r\n\"v\"=\"x\""), "", 0, 1, text("d")},
        {"blanks around equals", inKey(" \"v\" = \"x\" "), "v", 0, 1, x},
        {"name case", inKey("\"Style\"=\"x\""), "STYLE", 0, 1, x},
        {"key case", Head + "[hkey_local_machine\\SOFTWARE\\k]\r\n\"v\"=\"x\"", "v", 0, 1, x,
         "software\\K"},
        {"short root", Head + "[HKLM\\Software\\K]\r\n\"v\"=\"x\"", "v", 0, 1, x},
        {"doubled backslashes", Head + "[HKEY_LOCAL_MACHINE\\\\Software\\K\\]\r\n\"v\"=\"x\"", "v",
         0, 1, x, "\\Software\\\\K"},
        {"REGEDIT4 header", "REGEDIT4\r\n\r\n[HKLM\\Software\\K]\r\n\"v\"=\"x\"", "v", 0, 1, x},
        {"no header, LF only", "[HKLM\\Software\\K]\n\"v\"=\"x\"", "v", 0, 1, x},
        {"UTF-16LE export",
         "\xFF\xFE" +
             QByteArray(utf16.encode(QString::fromUtf8(inKey("\"v\"=\"\xC3\x89t\xC3\xA9\"")))),
         "v", 0, 1, text("Été")},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + inKey("\"v\"=\"\xC3\xA9\""), "v", 0, 1, text("é")},
        {"Windows-1252", inKey("\"v\"=\"\xE9\""), "v", 0, 1, text("é")},
        {"later duplicate wins", inKey("\"v\"=\"1\"\r\n\"V\"=\"2\""), "v", 0, 1, text("2")},
        {"sections merge", inKey("\"a\"=\"1\"\r\n[HKLM\\Software\\K]\r\n\"v\"=\"x\""), "v", 0, 1,
         x},
        {"missing value", inKey("\"a\"=\"1\""), "v", 2, 0, {}},
        {"missing key", Head, "v", 2, 0, {}},
        {"value before any key", Head + "\"v\"=\"x\"\r\n[HKLM\\Software\\K]", "v", 2, 0, {}},
        {"unterminated text", inKey("\"v\"=\"abc\r\n\"w\"=\"ok\""), "v", 2, 0, {}},
        {"text after text", inKey("\"v\"=\"a\" junk"), "v", 2, 0, {}},
        {"bad dword", inKey("\"v\"=dword:xyz"), "v", 2, 0, {}},
        {"dword too long", inKey("\"v\"=dword:100000000"), "v", 2, 0, {}},
        {"bad hex", inKey("\"v\"=hex:01,zz"), "v", 2, 0, {}},
        {"bad hex type", inKey("\"v\"=hex(q):01"), "v", 2, 0, {}},
        {"deletion mark", inKey("\"v\"=-"), "v", 2, 0, {}},
        {"comment", inKey(";\"v\"=\"x\""), "v", 2, 0, {}},
        {"header without bracket", inKey("[HKLM\\Software\\Other\r\n\"v\"=\"x\""), "v", 2, 0, {}},
        {"unknown root", Head + "[HKEY_NOWHERE\\Software\\K]\r\n\"v\"=\"x\"", "v", 2, 0, {}},
        {"garbage",
         QByteArrayLiteral("\0\xFF[\x80]\"=\r\n\"\"=\"\r\n@\r\n[]\r\n\\\r\n"),
         "v",
         2,
         0,
         {}},
    };
    for (const ReadRow& r : rows) {
        QTest::newRow(r.name) << r.file << r.subkey << r.value << r.code << r.type << r.data;
    }
}

void TestRegistryStore::reading() {
    QFETCH(QByteArray, file);
    QFETCH(QString, subkey);
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(uint, type);
    QFETCH(QByteArray, data);
    put(m_path, file);
    RegistryStore store(m_path);
    RegistryValue value;
    QCOMPARE(store.query(HKLM, subkey, name, value), code);
    QCOMPARE(value.type, type);
    QCOMPARE(value.data, data);
    // Whatever the file holds, a write goes through and keeps what was readable.
    QCOMPARE(store.setValue(HKLM, QStringLiteral("Software\\New"), QStringLiteral("n"),
                            RegistryValue::fromDword(1)),
             0);
    RegistryValue again;
    QCOMPARE(store.query(HKLM, subkey, name, again), code);
    QCOMPARE(again.data, data);
}

void TestRegistryStore::roundTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<uint>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("text") << "Style" << 1u << text("15");
    QTest::newRow("quotes and backslashes") << "a\"b\\" << 1u << text("C:\\x\\ \"y\"");
    QTest::newRow("unicode") << QStringLiteral("clé") << 1u << text(QStringLiteral("Été ★"));
    QTest::newRow("empty text") << "e" << 1u << text("");
    QTest::newRow("zero-length text") << "z" << 1u << QByteArray();
    QTest::newRow("text without NUL") << "n" << 1u << QByteArray("A\0", 2);
    QTest::newRow("text with line break") << "l" << 1u << text("a\r\nb");
    QTest::newRow("odd-length text") << "o" << 1u << QByteArray("abc");
    QTest::newRow("default value") << "" << 1u << text("d");
    QTest::newRow("dword") << "d" << 4u << QByteArray("\xff\xff\xff\xff");
    QTest::newRow("short dword") << "s" << 4u << QByteArray("\x01\x02");
    QTest::newRow("expand") << "x" << 2u << RegistryValue::fromText(2, "%TEMP%").data;
    QTest::newRow("long binary") << "b" << 3u << QByteArray(300, '\x5a');
    QTest::newRow("qword") << "q" << 11u << QByteArray(8, '\x01');
}

void TestRegistryStore::roundTrip() {
    QFETCH(QString, name);
    QFETCH(uint, type);
    QFETCH(QByteArray, data);
    RegistryStore store(m_path);
    QCOMPARE(store.setValue(HKCU, QStringLiteral("Software\\T"), name, RegistryValue{type, data}),
             0);
    RegistryValue back;
    QCOMPARE(RegistryStore(m_path).query(HKCU, QStringLiteral("software\\t"), name, back), 0);
    QCOMPARE(back.type, type);
    QCOMPARE(back.data, data);
    for (const QByteArray& line : bytesOf(m_path).split('\n')) {
        QVERIFY2(line.size() <= 80, line.constData()); // long hex lists are wrapped
    }
}

void TestRegistryStore::fileLayout() {
    RegistryStore store(m_path);
    QCOMPARE(store.setValue(HKLM, QStringLiteral("Software\\Mirevox\\Ondelia\\Look"),
                            QStringLiteral("Style"), RegistryValue::fromText(1, "15")),
             0);
    QCOMPARE(store.setValue(HKLM, QStringLiteral("Software\\Mirevox\\Ondelia\\Look"),
                            QStringLiteral("N"), RegistryValue::fromDword(15)),
             0);
    QCOMPARE(store.setValue(HKLM, QStringLiteral("Software\\Mirevox\\Ondelia\\Look"), QString(),
                            RegistryValue::fromText(2, "%A%")),
             0);
    QCOMPARE(bytesOf(m_path), Head + "[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\Software\\Mirevox]\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\Software\\Mirevox\\Ondelia]\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\Software\\Mirevox\\Ondelia\\Look]\r\n"
                                     "\"Style\"=\"15\"\r\n"
                                     "\"N\"=dword:0000000f\r\n"
                                     "@=hex(2):25,00,41,00,25,00,00,00\r\n\r\n");
    QCOMPARE(RegistryStore::filePath(PathSpace(QStringLiteral("/srv/trelvo"))),
             QStringLiteral("/srv/trelvo/registry.reg"));
}

void TestRegistryStore::createKeyAddsParentsInPlace() {
    put(m_path, Head + "[HKEY_LOCAL_MACHINE\\A]\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\B]\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\Z]\r\n\r\n");
    RegistryStore store(m_path);
    QCOMPARE(store.createKey(HKLM, QStringLiteral("a\\C\\D")), 0);
    QCOMPARE(bytesOf(m_path), Head + "[HKEY_LOCAL_MACHINE\\A]\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\A\\B]\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\A\\C]\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\A\\C\\D]\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\Z]\r\n\r\n");
    // An existing key is not written again.
    const QDateTime written = QFileInfo(m_path).lastModified();
    QFile::setPermissions(m_path, QFile::ReadOwner);
    QCOMPARE(store.createKey(HKLM, QStringLiteral("A\\c\\d")), 0);
    QCOMPARE(store.createKey(HKLM, QString()), 0); // the root itself
    QCOMPARE(QFileInfo(m_path).lastModified(), written);

    // A key whose only section is one of a key below it exists already; it gets a
    // section of its own, before its branch, when it takes a value.
    put(m_path, Head + "[HKEY_LOCAL_MACHINE\\P\\Q\\R]\r\n\r\n");
    QCOMPARE(store.createKey(HKLM, QStringLiteral("p\\q")), 0);
    QCOMPARE(store.createKey(HKLM, QStringLiteral("p\\q\\S")), 0);
    QCOMPARE(store.setValue(HKLM, QStringLiteral("p\\q"), QStringLiteral("v"),
                            RegistryValue::fromDword(1)),
             0);
    QCOMPARE(bytesOf(m_path), Head + "[HKEY_LOCAL_MACHINE\\P\\Q]\r\n\"v\"=dword:00000001\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\P\\Q\\R]\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\P\\Q\\S]\r\n\r\n");
}

void TestRegistryStore::handEditedLinesSurviveWrites() {
    const QByteArray before = "\xEF\xBB\xBF" + Head +
                              "; made by hand\r\n"
                              "[HKEY_LOCAL_MACHINE\\K]\r\n"
                              "; the style\r\n"
                              "\"Style\"=\"1\"\r\n"
                              "\"Bad\"=dword:zz\r\n"
                              "[HKEY_LOCAL_MACHINE\\Broken\r\n"
                              "\"Lost\"=\"x\"\r\n";
    put(m_path, before);
    RegistryStore store(m_path);
    QCOMPARE(store.setValue(HKLM, QStringLiteral("K"), QStringLiteral("style"),
                            RegistryValue::fromText(1, "2")),
             0);
    // A new value goes before the header that cannot be read, or it would be lost.
    QCOMPARE(store.setValue(HKLM, QStringLiteral("K"), QStringLiteral("New"),
                            RegistryValue::fromText(1, "n")),
             0);
    QCOMPARE(bytesOf(m_path), Head + "; made by hand\r\n\r\n"
                                     "[HKEY_LOCAL_MACHINE\\K]\r\n"
                                     "; the style\r\n"
                                     "\"Style\"=\"2\"\r\n"
                                     "\"Bad\"=dword:zz\r\n"
                                     "\"New\"=\"n\"\r\n"
                                     "[HKEY_LOCAL_MACHINE\\Broken\r\n"
                                     "\"Lost\"=\"x\"\r\n\r\n");
    QCOMPARE(store.values(HKLM, QStringLiteral("K")).size(), 2);
}

void TestRegistryStore::refusals() {
    RegistryStore store(m_path);
    RegistryValue v;
    QCOMPARE(store.createKey(0x80000010u, QStringLiteral("K")), RegistryStore::ErrorInvalidHandle);
    QCOMPARE(store.query(0x12u, QStringLiteral("K"), QString(), v),
             RegistryStore::ErrorInvalidHandle);
    QCOMPARE(store.createKey(HKLM, QStringLiteral("A\r\n[B]")), RegistryStore::ErrorBadPathname);
    QCOMPARE(store.setValue(HKLM, QStringLiteral("K"), QStringLiteral("a\nb"), v),
             RegistryStore::ErrorInvalidParameter);
    QVERIFY(!QFileInfo::exists(m_path));
    for (quint32 root = 0x80000000u; root <= 0x80000006u; ++root) {
        QCOMPARE(store.createKey(root, QStringLiteral("K")), 0);
    }
    QCOMPARE(store.values(RegistryStore::HKEY_USERS, QStringLiteral("K")).size(), 0);
}

void TestRegistryStore::readOnlyOrUnreadableFile() {
    const QByteArray before = Head + "[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"1\"\r\n";
    put(m_path, before);
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadGroup);
    RegistryStore store(m_path);
    QCOMPARE(store.setValue(HKLM, QStringLiteral("K"), QStringLiteral("v"),
                            RegistryValue::fromText(1, "2")),
             RegistryStore::ErrorAccessDenied);
    QCOMPARE(store.createKey(HKLM, QStringLiteral("K\\New")), RegistryStore::ErrorAccessDenied);
    QCOMPARE(bytesOf(m_path), before);
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);

    const QString folder = m_dir.filePath(QStringLiteral("folder.reg"));
    QVERIFY(QDir().mkpath(folder));
    RegistryStore broken(folder);
    RegistryValue v;
    QCOMPARE(broken.query(HKLM, QStringLiteral("K"), QStringLiteral("v"), v),
             RegistryStore::ErrorRegistryIo);
    QCOMPARE(broken.createKey(HKLM, QStringLiteral("K")), RegistryStore::ErrorRegistryIo);
}

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "tst_registrystore.moc"
