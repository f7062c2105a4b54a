#include "config/RegistryAccess.h"

#include "RecordingReporter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr quint32 HKLM = RegistryStore::HKEY_LOCAL_MACHINE;
const QString Look = QStringLiteral("Software\\Mirevox\\Ondelia\\Look");

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

const QByteArray File("Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Mirevox\\Ondelia\\Look]\r\n"
                      "@=\"default\"\r\n"
                      "\"Style\"=\"15\"\r\n"
                      "\"Empty\"=\"\"\r\n"
                      "\"ZeroLength\"=hex(1):\r\n"
                      "\"Count\"=dword:0000000f\r\n"
                      "\"Max\"=dword:ffffffff\r\n"
                      "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
                      "\"Blob\"=hex:01,02,03\r\n"
                      "\"Byte\"=hex:01\r\n"
                      "\"NoNul\"=hex(1):41,00,42,00\r\n"
                      "\"InnerNul\"=hex(1):41,00,00,00,42,00,00,00\r\n"
                      "\"Wide\"=hex(4):01,00,00,00,00,00,00,00\r\n"
                      "\"Multi\"=hex(7):41,00,00,00,00,00\r\n"
                      "\"Broken\"=\"no end\r\n");

} // namespace

class TestRegistryAccess : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void getValue_data();
    void getValue();
    void readingNeverWrites();
    void setValue();
    void shares();

private:
    QTemporaryDir m_dir;
    QString m_path;
    RecordingReporter m_errors;
};

void TestRegistryAccess::init() {
    m_path = m_dir.filePath(QStringLiteral("registry.reg"));
    QFile::remove(m_path);
    put(m_path, File);
    m_errors.clear();
}

void TestRegistryAccess::getValue_data() {
    QTest::addColumn<uint>("root");
    QTest::addColumn<QString>("subkey");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("value");
    QTest::newRow("text") << uint(HKLM) << Look << "style" << 0 << "15";
    QTest::newRow("default value") << uint(HKLM) << Look << "" << 0 << "default";
    QTest::newRow("missing value") << uint(HKLM) << Look << "Nothing" << 0 << "";
    QTest::newRow("empty text") << uint(HKLM) << Look << "Empty" << 0 << "";
    QTest::newRow("zero-length text") << uint(HKLM) << Look << "ZeroLength" << 0 << "";
    QTest::newRow("dword 15") << uint(HKLM) << Look << "Count" << 0 << "15";
    QTest::newRow("dword max") << uint(HKLM) << Look << "Max" << 0 << "4294967295";
    QTest::newRow("expand not expanded") << uint(HKLM) << Look << "Expand" << 0 << "%TEMP%";
    QTest::newRow("binary") << uint(HKLM) << Look << "Blob" << 234 << "";
    QTest::newRow("one-byte binary") << uint(HKLM) << Look << "Byte" << 0 << "";
    QTest::newRow("text without NUL") << uint(HKLM) << Look << "NoNul" << 0 << "AB";
    QTest::newRow("text with inner NUL") << uint(HKLM) << Look << "InnerNul" << 0 << "A";
    QTest::newRow("eight-byte dword") << uint(HKLM) << Look << "Wide" << 234 << "";
    QTest::newRow("multi-string") << uint(HKLM) << Look << "Multi" << 234 << "";
    QTest::newRow("unreadable line") << uint(HKLM) << Look << "Broken" << 0 << "";
    QTest::newRow("empty subkey") << uint(HKLM) << ""
                                  << "Style" << 1010 << "";
    QTest::newRow("unknown root") << 0x80000009u << Look << "Style" << 6 << "";
}

void TestRegistryAccess::getValue() {
    QFETCH(uint, root);
    QFETCH(QString, subkey);
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(QString, value);
    RegistryStore store(m_path);
    RegistryAccess registry(store, m_errors);
    QString out = QStringLiteral("stale");
    QCOMPARE(registry.Reg_GetValue(root, subkey, name, out), code);
    QCOMPARE(out, value);
    QCOMPARE(bytesOf(m_path), File); // reading an existing key writes nothing
    QVERIFY(m_errors.empty());
}

void TestRegistryAccess::readingNeverWrites() {
    QFile::remove(m_path);
    RegistryStore store(m_path);
    RegistryAccess registry(store, m_errors);
    QString out;
    QCOMPARE(registry.Reg_GetValue(RegistryStore::HKEY_CURRENT_USER,
                                   QStringLiteral("Software\\New\\Key"), QStringLiteral("v"), out),
             0);
    QCOMPARE(out, QString());
    QVERIFY(!QFileInfo::exists(m_path)); // a missing key reads as empty; nothing is created
    // A file the store cannot make sense of stays as it is, byte for byte.
    const QByteArray garbage = QByteArrayLiteral("\x01garbage [not a key\r\n").repeated(50);
    put(m_path, garbage);
    QCOMPARE(registry.Reg_GetValue(RegistryStore::HKEY_CURRENT_USER, QStringLiteral("Other"),
                                   QStringLiteral("v"), out),
             0);
    QCOMPARE(bytesOf(m_path), garbage);
    // Writing the value already stored leaves the file untouched; a new one is written.
    put(m_path, File);
    QCOMPARE(registry.Reg_SetValue(RegistryStore::HKEY_LOCAL_MACHINE,
                                   QStringLiteral("Software\\Mirevox\\Ondelia\\Look"),
                                   QStringLiteral("Style"), QStringLiteral("15"), 1),
             0);
    QCOMPARE(bytesOf(m_path), File);
    QCOMPARE(registry.Reg_SetValue(RegistryStore::HKEY_LOCAL_MACHINE,
                                   QStringLiteral("Software\\Mirevox\\Ondelia\\Look"),
                                   QStringLiteral("Style"), QStringLiteral("16"), 1),
             0);
    QVERIFY(bytesOf(m_path).contains("\"Style\"=\"16\""));
}

void TestRegistryAccess::setValue() {
    RegistryStore store(m_path);
    RegistryAccess registry(store, m_errors);
    QCOMPARE(registry.Reg_SetValue(HKLM, Look, QString(), QStringLiteral("x"), 1), 1010);
    QCOMPARE(
        registry.Reg_SetValue(HKLM, QString(), QStringLiteral("Style"), QStringLiteral("x"), 1),
        1010);
    QCOMPARE(bytesOf(m_path), File);

    // Always a REG_SZ with its NUL, whatever type is asked for.
    QCOMPARE(registry.Reg_SetValue(HKLM, Look, QStringLiteral("Count"), QStringLiteral("16"),
                                   RegistryStore::REG_DWORD),
             0);
    RegistryValue stored;
    QCOMPARE(store.query(HKLM, Look, QStringLiteral("Count"), stored), 0);
    QCOMPARE(stored.type, RegistryStore::REG_SZ);
    QCOMPARE(stored.data, QByteArray("1\0"
                                     "6\0\0\0",
                                     6));
    QVERIFY(bytesOf(m_path).contains("\r\n\"Count\"=\"16\"\r\n"));

    QCOMPARE(registry.Reg_SetValue(HKLM, Look, QStringLiteral("Style"), QString(), 1), 0);
    QCOMPARE(store.query(HKLM, Look, QStringLiteral("Style"), stored), 0);
    QCOMPARE(stored.data, QByteArray()); // zero-length
    QString out = QStringLiteral("stale");
    QCOMPARE(registry.Reg_GetValue(HKLM, Look, QStringLiteral("Style"), out), 0);
    QCOMPARE(out, QString());

    QCOMPARE(registry.Reg_SetValue(HKLM, QStringLiteral("Software\\Fresh"), QStringLiteral("U"),
                                   QStringLiteral("Éric \"D\" C:\\"), 1),
             0);
    QCOMPARE(
        registry.Reg_GetValue(HKLM, QStringLiteral("software\\fresh"), QStringLiteral("u"), out),
        0);
    QCOMPARE(out, QStringLiteral("Éric \"D\" C:\\"));

    QFile::setPermissions(m_path, QFile::ReadOwner);
    const QByteArray before = bytesOf(m_path);
    QCOMPARE(registry.Reg_SetValue(HKLM, Look, QStringLiteral("Style"), QStringLiteral("1"), 1),
             RegistryStore::ErrorAccessDenied);
    QCOMPARE(bytesOf(m_path), before);
    QVERIFY(m_errors.empty());
}

void TestRegistryAccess::shares() {
    const QByteArray multi =
        RegistryValue::fromText(RegistryStore::REG_MULTI_SZ,
                                QStringLiteral("CSCFlags=0") + QChar(u'\0') +
                                    QStringLiteral("Path=E:\\Jingles") + QChar(u'\0') +
                                    QStringLiteral("Type=0") + QChar(u'\0'))
            .data.toHex(',');
    put(m_path,
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\LanmanServer\\Shares]\r\n"
        "\"Sons\"=\"D:\\\\Sons\"\r\n"
        "\"Printer\"=hex(7):50,00,61,00,74,00,68,00,3d,00,58,00,00,00,54,00,79,00,70,00,"
        "65,00,3d,00,31,00,00,00,00,00\r\n"
        "\"Empty\"=\"\"\r\n"
        "\"Jingles\"=hex(7):" +
            multi + "\r\n");
    RegistryStore store(m_path);
    RegistryAccess registry(store, m_errors);
    const QList<ShareInfo> shares = registry.RegistryShares();
    QCOMPARE(shares.size(), 2);
    QCOMPARE(shares.at(0).name, QStringLiteral("Sons"));
    QCOMPARE(shares.at(0).localPath, QStringLiteral("D:\\Sons"));
    QCOMPARE(shares.at(1).name, QStringLiteral("Jingles"));
    QCOMPARE(shares.at(1).localPath, QStringLiteral("E:\\Jingles"));

    QFile::remove(m_path);
    QVERIFY(registry.RegistryShares().isEmpty());
    QVERIFY(!QFileInfo::exists(m_path)); // listing creates nothing
}

QTEST_GUILESS_MAIN(TestRegistryAccess)
#include "tst_registryaccess.moc"
