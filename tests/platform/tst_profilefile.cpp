#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile::remove(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QString None = QStringLiteral("<none>");
const QByteArray X300(300, 'x');

// The text as a file Windows' Notepad saves as "Unicode": UTF-16 LE with its mark.
QByteArray utf16le(const char* text) {
    const QString wide = QString::fromUtf8(text);
    return QByteArrayLiteral("\xFF\xFE") +
           QByteArray(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2);
}

// What a profile read gives for each file.
struct ReadRow {
    const char* name;
    QByteArray content;
    QString section;
    QString key;
    QString expected;
};
const ReadRow ReadRows[] = {
    {"plain", "[S]\r\nk=v\r\n", "S", "k", "v"},
    {"double quotes", "[S]\r\nk=\"v\"\r\n", "S", "k", "v"},
    {"single quotes", "[S]\r\nk='v'\r\n", "S", "k", "v"},
    {"one pair only", "[S]\r\nk=\"\"v\"\"\r\n", "S", "k", "\"v\""},
    {"opening quote only", "[S]\r\nk=\"v\r\n", "S", "k", "\"v"},
    {"closing quote only", "[S]\r\nk=v\"\r\n", "S", "k", "v\""},
    {"mixed quotes", "[S]\r\nk=\"v'\r\n", "S", "k", "\"v'"},
    {"lone quote", "[S]\r\nk=\"\r\n", "S", "k", "\""},
    {"quotes inside", "[S]\r\nk=a \"b\" c\r\n", "S", "k", "a \"b\" c"},
    {"blanks inside quotes", "[S]\r\nk= \" v \" \r\n", "S", "k", " v "},
    {"empty quotes", "[S]\r\nk=\"\"\r\n", "S", "k", ""},
    {"blanks around", "[S]\r\n  k  =  v  \r\n", "S", "k", "v"},
    {"tabs around", "[S]\r\n\tk\t=\tv\t\r\n", "S", "k", "v"},
    {"tab inside value", "[S]\r\nk=a\tb\r\n", "S", "k", "a\tb"},
    {"blanks in header", " \t[ S\t]\r\nk=v\r\n", "S", "k", "v"},
    {"text after header", "[S] ; note\r\nk=v\r\n", "S", "k", "v"},
    {"caller blanks", "[S]\r\nk=v\r\n", " S ", "\tk ", "v"},
    {"case", "[sEcTiOn]\r\nKEY=v\r\n", "Section", "key", "v"},
    {"accented case", "[\xC9t\xE9]\r\nCl\xE9=v\r\n", "ÉTÉ", "clÉ", "v"},
    {"byte E9", "[S]\r\nk=\xE9t\xE9\r\n", "S", "k", "été"},
    {"value with equals", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
    {"key with blanks", "[S]\r\nmy key = v\r\n", "S", "my key", "v"},
    {"duplicate key", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1"},
    {"duplicate section", "[S]\r\nk=1\r\n[s]\r\nk=2\r\n", "S", "k", "1"},
    {"key only in duplicate", "[S]\r\na=1\r\n[S]\r\nk=2\r\n", "S", "k", None},
    {"key before sections", "k=v\r\n[S]\r\n", "S", "k", None},
    {"other section", "[T]\r\nk=v\r\n[S]\r\n", "S", "k", None},
    {"next section ends", "[S]\r\n[T]\r\nk=v\r\n", "S", "k", None},
    {"no equals", "[S]\r\nk\r\n", "S", "k", None},
    {"comment", "[S]\r\n;k=v\r\n", "S", "k", None},
    {"comment then key", "[S]\r\n ;k=1\r\nk=2\r\n", "S", "k", "2"},
    {"equals line", "[S]\r\n=v\r\n", "S", "", None},
    {"equals line and key", "[S]\r\n= v\r\nk=w\r\n", "S", "k", "w"},
    {"header without bracket keeps section", "[S]\r\n[T\r\nk=v\r\n", "S", "k", "v"},
    {"header without bracket is no section", "[S]\r\n[T\r\nk=v\r\n", "T", "k", None},
    {"empty header", "[]\r\nk=v\r\n", " ", "k", None},
    {"blank key asked", "[S]\r\nk=v\r\n", "S", "  ", None},
    {"no final line end", "[S]\r\nk=v", "S", "k", "v"},
    {"LF only", "[S]\nk=v\n", "S", "k", "v"},
    {"CR only", "[S]\rk=v\r", "S", "k", "v"},
    {"mixed line ends", "[T]\na=1\r\n[S]\rk=v", "S", "k", "v"},
    {"300 characters", "[S]\r\nk=" + X300 + "\r\n", "S", "k", QString(254, QLatin1Char('x'))},
    {"300 quoted", "[S]\r\nk=\"" + X300 + "\"\r\n", "S", "k", QString(254, QLatin1Char('x'))},
    {"empty value", "[S]\r\nk=\r\n", "S", "k", ""},
    {"blank value", "[S]\r\nk=  \t\r\n", "S", "k", ""},
    {"empty file", "", "S", "k", None},
    {"UTF-8 mark, first section", "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9t\xC3\xA9\r\n", "S", "k", "été"},
    {"UTF-16 LE mark", utf16le("[S]\r\nk=\xC3\xA9t\xC3\xA9 \xE2\x82\xAC\r\n"), "S", "k", "été €"},
    {"UTF-16 LE mark, CR LF inside", utf16le("[A]\r\nx=1\r\n[S]\r\nk=v\r\n"), "s", "K", "v"},
    {"Ctrl-Z after the last value", "[S]\r\nk=v\x1A", "S", "k", "v"},
    {"Ctrl-Z after the last line", "[S]\r\nk=v\r\n\x1A", "S", "k", "v"},
    {"UTF-16 and Ctrl-Z", utf16le("[S]\r\nk=v\x1A"), "S", "k", "v"},
    {"binary garbage", QByteArrayLiteral("\x80\xFF\0\x01\x80]\r\n[\r\n[S]\r\nk=v\0w\r\n"), "S", "k",
     QStringLiteral("v") + QChar(u'\0') + QStringLiteral("w")},
};

// A write on a file's bytes; after is nullptr when the write must be refused.
struct WriteRow {
    const char* name;
    QByteArray before;
    const char* section;
    const char* key;
    const char* value;
    QByteArray after; // empty: refused
};
const WriteRow WriteRows[] = {
    {"replace, caller's spelling", "; head\r\n[S]\r\n; c\r\n  KEY = old ; x\r\nz=1\r\n", "s", "Key",
     "new", "; head\r\n[S]\r\n; c\r\nKey=new\r\nz=1\r\n"},
    {"first of duplicates", "[S]\r\nk=1\r\n[S]\r\nk=old\r\n", "S", "k", "v",
     "[S]\r\nk=v\r\n[S]\r\nk=old\r\n"},
    {"append after last key", "[S]\r\na=1\r\n\r\n; about T\r\n[T]\r\n", "S", "k", "v",
     "[S]\r\na=1\r\nk=v\r\n\r\n; about T\r\n[T]\r\n"},
    {"append into first duplicate", "[S]\r\na=1\r\n[S]\r\n", "S", "k", "v",
     "[S]\r\na=1\r\nk=v\r\n[S]\r\n"},
    {"append after header", "[S]\r\n\r\n[T]\r\n", "S", "k", "v", "[S]\r\nk=v\r\n\r\n[T]\r\n"},
    {"append, no final line end", "[S]\r\na=1", "S", "k", "v", "[S]\r\na=1\r\nk=v\r\n"},
    {"header, no final line end", "[S]", "S", "k", "v", "[S]\r\nk=v\r\n"},
    {"new section", "[S]\r\na=1\r\n", "T", "k", "v", "[S]\r\na=1\r\n[T]\r\nk=v\r\n"},
    {"new section, no line end", "[S]\r\na=1", "T", "k", "v", "[S]\r\na=1\r\n[T]\r\nk=v\r\n"},
    {"empty file, names trimmed", "", " S ", " k\t", "v", "[S]\r\nk=v\r\n"},
    {"key before sections untouched", "k=top\r\n[S]\r\n", "S", "k", "v", "k=top\r\n[S]\r\nk=v\r\n"},
    {"LF file stays LF", "[S]\na=1\n", "S", "k", "v", "[S]\na=1\nk=v\n"},
    {"line keeps its own end", "[S]\nk=1\r\nz=2", "S", "k", "v", "[S]\nk=v\r\nz=2"},
    {"empty value", "[S]\r\nk=old\r\n", "S", "k", "", "[S]\r\nk=\r\n"},
    {"value as given", "", "S", "k", " \"q\" ", "[S]\r\nk= \"q\" \r\n"},
    {"e acute as one byte", "[S]\r\n", "S", "k", "é", "[S]\r\nk=\xE9\r\n"},
    {"other bytes untouched", "\xFF\x01 junk\r\n[S]\r\nk=1\r\n\t; \x80\r\n", "S", "k", "2",
     "\xFF\x01 junk\r\n[S]\r\nk=2\r\n\t; \x80\r\n"},
    {"UTF-16 stays UTF-16", utf16le("[S]\r\nk=1\r\n"), "S", "k", "€",
     utf16le("[S]\r\nk=\xE2\x82\xAC\r\n")},
    {"UTF-16 new section", utf16le("[S]\r\n"), "T", "k", "v", utf16le("[S]\r\n[T]\r\nk=v\r\n")},
    {"UTF-8 mark kept", "\xEF\xBB\xBF[S]\r\n", "S", "k", "é", "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n"},
    {"Ctrl-Z stays last", "[S]\r\nk=1\r\n\x1A", "S", "k", "2", "[S]\r\nk=2\r\n\x1A"},
    {"line break in value", "[S]\r\n", "S", "k", "a\r\n[T]", nullptr},
    {"LF in key", "[S]\r\n", "S", "k\nx", "v", nullptr},
    {"CR in section", "[S]\r\n", "S\r", "k", "v", nullptr},
    {"equals in key", "[S]\r\n", "S", "a=b", "v", nullptr},
    {"bracket in section", "[S]\r\n", "a]b", "k", "v", nullptr},
    {"key opening a header", "[S]\r\n", "S", "[k", "v", nullptr},
    {"key opening a comment", "[S]\r\n", "S", " ;k", "v", nullptr},
    {"tab-only key", "[S]\r\n", "S", "\t", "v", nullptr},
};

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void reading_data();
    void reading();
    void writing_data();
    void writing();
    void fileAccess();
    void readOnlyFileIsNeverWritten();
    void failedWriteLeavesFileIntact();

private:
    QTemporaryDir m_dir;
};

void TestProfileFile::reading_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    for (const ReadRow& r : ReadRows) {
        QTest::newRow(r.name) << r.content << r.section << r.key << r.expected;
    }
}

void TestProfileFile::reading() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const QString path = m_dir.filePath(QStringLiteral("read.ini"));
    put(path, content);
    QCOMPARE(ProfileFile::read(path, section, key).value_or(None), expected);
    // The file read once for many keys answers the same.
    QCOMPARE(ProfileFile::readIndex(path).find(section, key).value_or(None), expected);
}

void TestProfileFile::writing_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after"); // empty: refused
    for (const WriteRow& r : WriteRows) {
        QTest::newRow(r.name) << r.before << QString::fromUtf8(r.section)
                              << QString::fromUtf8(r.key) << QString::fromUtf8(r.value) << r.after;
    }
}

void TestProfileFile::writing() {
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    const QString path = m_dir.filePath(QStringLiteral("write.ini"));
    put(path, before);
    if (after.isEmpty()) {
        QCOMPARE(ProfileFile::write(path, section, key, value), ProfileFile::WriteStatus::Refused);
        QCOMPARE(bytesOf(path), before);
        return;
    }
    QCOMPARE(ProfileFile::write(path, section, key, value), ProfileFile::WriteStatus::Written);
    QCOMPARE(bytesOf(path), after);
    QCOMPARE(ProfileFile::read(path, section, key).value_or(None),
             value.trimmed().remove(QLatin1Char('"')));
}

void TestProfileFile::fileAccess() {
    const QString fresh = m_dir.filePath(QStringLiteral("fresh.ini"));
    const QString S = QStringLiteral("S");
    const QString k = QStringLiteral("k");
    QVERIFY(!ProfileFile::read(fresh, S, k));
    QCOMPARE(ProfileFile::write(fresh, S, k, QStringLiteral("v")),
             ProfileFile::WriteStatus::Written);
    QCOMPARE(bytesOf(fresh), QByteArray("[S]\r\nk=v\r\n"));

    // Permission bits survive the replacement.
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QFile::setPermissions(fresh, mode);
    QCOMPARE(ProfileFile::write(fresh, S, k, QStringLiteral("w")),
             ProfileFile::WriteStatus::Written);
    QCOMPARE(QFileInfo(fresh).permissions() & ~(QFile::ReadUser | QFile::WriteUser), mode);

    // A missing folder or a folder in the file's place: no value, no write.
    const QString inMissing = m_dir.filePath(QStringLiteral("missing/f.ini"));
    QCOMPARE(ProfileFile::write(inMissing, S, k, QString()), ProfileFile::WriteStatus::Failed);
    QVERIFY(!QFileInfo::exists(inMissing));
    const QString folder = m_dir.filePath(QStringLiteral("folder.ini"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(!ProfileFile::read(folder, S, k));
    QCOMPARE(ProfileFile::write(folder, S, k, QString()), ProfileFile::WriteStatus::Failed);
    QVERIFY(!ProfileFile::read(QString(), S, k));
}

void TestProfileFile::readOnlyFileIsNeverWritten() {
    const QString path = m_dir.filePath(QStringLiteral("readonly.ini"));
    const QByteArray before("[S]\r\nk=1\r\n");
    put(path, before);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QCOMPARE(
        ProfileFile::write(path, QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("2")),
        ProfileFile::WriteStatus::Failed);
    QCOMPARE(bytesOf(path), before);
}

// A write cut short (here by the file-size limit, as a full disk would) leaves the
// old file byte for byte and no stray file beside it.
void TestProfileFile::failedWriteLeavesFileIntact() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("atomic.ini"));
    const QByteArray before("; keep\r\n[S]\r\nk=1\r\n");
    put(path, before);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const ProfileFile::WriteStatus status = ProfileFile::write(
        path, QStringLiteral("S"), QStringLiteral("k"), QString(8000, QLatin1Char('x')));
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

    QCOMPARE(status, ProfileFile::WriteStatus::Failed);
    QCOMPARE(bytesOf(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"atomic.ini"});
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
