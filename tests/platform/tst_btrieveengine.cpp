#include "LockHolder.h"
#include "platform/BtrieveFileControlRecord.h"
#include "platform/BtrieveFileLayout.h"
#include "platform/FileBtrieveEngine.h"
#include "platform/PathSpace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void put16(QByteArray& b, int at, int v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

// A control page laid out as the public descriptions of the 6.x-and-later format
// give it, written here field by field (not by the engine's writer): "FC", usage
// count, page size, keys, record lengths, version 0x0610 at 0x4A, the key count at
// 0x76 and the key attribute table at 0x78 pointing at 30-byte segment definitions.
QByteArray pagedControlPage(int pageSize, quint32 usage, int version = 0x0610) {
    QByteArray p(pageSize, '\0');
    p[0] = 'F';
    p[1] = 'C';
    put16(p, 4, int(usage & 0xFFFF));
    put16(p, 8, pageSize);
    put16(p, 0x14, 2);   // keys
    put16(p, 0x16, 300); // record length
    put16(p, 0x18, 318);
    put16(p, 0x28, 7); // pages, low word
    put16(p, 0x4A, version);
    p[0x76] = 2;
    put16(p, 0x78, 0x120);
    put16(p, 0x120, 0x130); // key 0
    put16(p, 0x122, 0x14E); // key 1
    put16(p, 0x130 + 8, 2); // key 0: 1/5, modifiable; stored position 0-based + 2
    put16(p, 0x130 + 0x14, 2);
    put16(p, 0x130 + 0x16, 5);
    put16(p, 0x14E + 8, 3);
    put16(p, 0x14E + 0x14, 7); // 6/10
    put16(p, 0x14E + 0x16, 10);
    return p;
}

// The same for the 5.x format: zero signature, version at 6, one control page with
// the segment definitions from 0x110, positions 0-based.
QByteArray legacyControlPage(int pageSize) {
    QByteArray p(pageSize, '\0');
    put16(p, 6, 0x0500);
    put16(p, 8, pageSize);
    put16(p, 0x14, 1);
    put16(p, 0x16, 100);
    put16(p, 0x18, 104);
    put16(p, 0x110 + 8, 2);
    put16(p, 0x110 + 0x14, 0);
    put16(p, 0x110 + 0x16, 8);
    return p;
}

BtrieveFileLayout spec41() {
    BtrieveFileLayout s;
    s.recordLength = 900;
    s.pageSize = 2048;
    s.keyCount = 3;
    s.fileFlags = BtrieveFileLayout::FileCompressed;
    s.segments[0] = {1, 10, 2, 0, 0};
    s.segments[1] = {11, 50, 1027, 0, 0};
    s.segments[2] = {61, 14, 1027, 0, 0};
    return s;
}

struct EngineFixture {
    QTemporaryDir root;
    PathSpace paths{root.path()};
    FileBtrieveEngine engine{paths};
    QByteArray buffer = QByteArray(1000, '\0');

    EngineFixture() { QDir().mkpath(root.path() + QStringLiteral("/c/Data")); }

    QString native(const QString& name) const { return root.path() + "/c/Data/" + name; }
    void write(const QString& name, const QByteArray& content) const {
        QFile f(native(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    qint16 call(qint16 op, const QString& windowsPath, BtrieveEngine::PositionBlock& block,
                qint8 keyNumber = 0, QByteArray* data = nullptr, quint8 keyLength = 255) {
        QByteArray key = windowsPath.toLatin1() + '\0';
        QByteArray& d = data ? *data : buffer;
        quint32 length = quint32(data ? data->size() : 300);
        return engine.BTRCALL(op, block, std::span<char>(d.data(), size_t(d.size())), length,
                              std::span<const char>(key.constData(), size_t(key.size())), keyLength,
                              keyNumber);
    }
    qint16 open(const QString& name, BtrieveEngine::PositionBlock* out = nullptr, qint8 mode = 0) {
        BtrieveEngine::PositionBlock block = BtrieveEngine::blankPositionBlock();
        const qint16 status = call(BtrieveEngine::OpOpen, "C:\\Data\\" + name, block, mode);
        if (out) {
            *out = block;
        }
        return status;
    }
    qint16 create(const QString& name, const BtrieveFileLayout& layout) {
        BtrieveEngine::PositionBlock block = BtrieveEngine::blankPositionBlock();
        QByteArray data = layout.encode();
        return call(BtrieveEngine::OpCreate, "C:\\Data\\" + name, block, 0, &data);
    }
};

} // namespace

class TestBtrieveEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layoutLayout() {
        const QByteArray b = spec41().encode();
        QCOMPARE(b.size(), 160);
        BtrieveFileLayout back;
        QVERIFY(BtrieveFileLayout::decode(std::span<const char>(b.constData(), 160), back));
        QCOMPARE(back.recordLength, quint16(900));
        QCOMPARE(back.segments[2], (BtrieveKeySegment{61, 14, 1027, 0, 0}));
        QCOMPARE(back.keys().size(), 3);
        QVERIFY(!BtrieveFileLayout::decode(std::span<const char>(b.constData(), 159), back));
    }

    void invalidLayouts_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("status");
        // field: 0 page size, 1 record length, 2 first segment position, 3 its length,
        // 4 key count
        QTest::newRow("page size not a multiple of 512") << 0 << 1000 << 24;
        QTest::newRow("page size too large") << 0 << 8192 << 24;
        QTest::newRow("record longer than a page") << 1 << 2040 << 28;
        QTest::newRow("record too short") << 1 << 2 << 28;
        QTest::newRow("segment beyond the record") << 2 << 899 << 27;
        QTest::newRow("segment at 0") << 2 << 0 << 27;
        QTest::newRow("segment of length 0") << 3 << 0 << 29;
        QTest::newRow("more keys than segments") << 4 << 12 << 26;
    }
    void invalidLayouts() {
        QFETCH(int, field);
        QFETCH(int, value);
        QFETCH(int, status);
        BtrieveFileLayout s = spec41();
        switch (field) {
        case 0:
            s.pageSize = quint16(value);
            break;
        case 1:
            s.recordLength = quint16(value);
            break;
        case 2:
            s.segments[0].position = quint16(value);
            break;
        case 3:
            s.segments[0].length = quint16(value);
            break;
        default:
            s.keyCount = quint16(value);
            break;
        }
        QCOMPARE(int(s.validate()), status);
        EngineFixture f;
        QCOMPARE(int(f.create("FRAD041.bt6", s)), status);
        QVERIFY(!QFile::exists(f.native("FRAD041.bt6")));
    }

    // What create writes reads back, field by field, at the offsets of the public
    // layout.
    void createdFileCarriesItsStructure() {
        EngineFixture f;
        f.write("FRAD041.bt6", "old content");
        QCOMPARE(int(f.create("FRAD041.bt6", spec41())), 0);
        QFile file(f.native("FRAD041.bt6"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 4 * 2048);
        QCOMPARE(bytes.left(4), QByteArray("FC\0\0", 4));
        auto u16 = [&bytes](int at) { return quint8(bytes[at]) | (quint8(bytes[at + 1]) << 8); };
        QCOMPARE(u16(0x08), 2048);
        QCOMPARE(u16(0x14), 3);
        QCOMPARE(u16(0x16), 900);
        QCOMPARE(u16(0x4A), 0x0600);
        QCOMPARE(u16(0x106), 8);
        QCOMPARE(bytes.mid(2048, 2), QByteArray("FC"));
        QCOMPARE(bytes.mid(4096, 2), QByteArray("PP"));
        BtrieveFileHeader h;
        QCOMPARE(int(BtrieveFileControlRecord::read(bytes, &h)), 0);
        QCOMPARE(h.recordLength, quint16(900));
        QCOMPARE(h.pageSize, quint16(2048));
        QCOMPARE(h.keyCount, quint16(3));
        QCOMPARE(h.segments, (QList<BtrieveKeySegment>{
                                 {1, 10, 2, 0, 0}, {11, 50, 1027, 0, 0}, {61, 14, 1027, 0, 0}}));
        BtrieveEngine::PositionBlock block;
        QCOMPARE(int(f.open("FRAD041.bt6", &block)), 0);
        QVERIFY(FileBtrieveEngine::handleOf(block) != 0);
    }

    void publicLayouts_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("keys");
        const QByteArray older = pagedControlPage(1024, 3);
        const QByteArray newer = pagedControlPage(1024, 4);
        QTest::newRow("6.x, page 0 current") << newer + older << 0 << 2;
        QTest::newRow("6.x, page 1 current") << older + newer << 0 << 2;
        QTest::newRow("7.x") << pagedControlPage(512, 2, 0x0700) + pagedControlPage(512, 1, 0x0700)
                             << 0 << 2;
        QTest::newRow("6.x without its second page") << newer << 2 << 0;
        QTest::newRow("5.x") << legacyControlPage(512) << 0 << 1;
        QByteArray inconsistent = legacyControlPage(512);
        inconsistent[0x22] = char(0xFF);
        inconsistent[0x23] = char(0xFF);
        QTest::newRow("5.x left inconsistent") << inconsistent << 2 << 0;
        QByteArray badVersion = pagedControlPage(1024, 1, 0x0300);
        QTest::newRow("FC with a 3.x version") << badVersion + badVersion << 30 << 0;
        QByteArray badPage = legacyControlPage(512);
        put16(badPage, 8, 700);
        QTest::newRow("page size 700") << badPage << 30 << 0;
        QByteArray katMismatch = pagedControlPage(1024, 1);
        katMismatch[0x76] = 5;
        QTest::newRow("key table disagrees") << katMismatch + katMismatch << 30 << 0;
        QByteArray katOutside = pagedControlPage(1024, 1);
        put16(katOutside, 0x120, 0x3F0);
        QTest::newRow("key table points outside the page") << katOutside + katOutside << 30 << 0;
        QTest::newRow("text") << QByteArray("[Base_01]\r\nLib=Radio\r\n").repeated(40) << 30 << 0;
        QTest::newRow("short") << QByteArray("FC\0\0", 4) << 30 << 0;
    }
    void publicLayouts() {
        QFETCH(QByteArray, content);
        QFETCH(int, status);
        QFETCH(int, keys);
        BtrieveFileHeader h;
        QCOMPARE(int(BtrieveFileControlRecord::read(content, &h)), status);
        if (status == 0) {
            QCOMPARE(int(h.keyCount), keys);
            QVERIFY(!h.segments.isEmpty());
            QCOMPARE(h.segments.first().position, quint16(1));
        }
        EngineFixture f;
        f.write("FRADA20.bt6", content);
        QCOMPARE(int(f.open("FRADA20.bt6")), status);
        QCOMPARE(f.engine.openFiles(), status == 0 ? 1 : 0);
    }

    void openStatuses_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("missing") << "C:\\Data\\FRADA20.bt6" << 12;
        QTest::newRow("missing folder") << "C:\\Nowhere\\FRADA20.bt6" << 12;
        QTest::newRow("wildcard") << "C:\\Data\\FRAD*.bt6" << 11;
        QTest::newRow("colon") << "C:\\Data\\FR:AD.bt6" << 11;
        QTest::newRow("blank") << "   " << 11;
        QTest::newRow("name too long") << "C:\\Data\\" + QString(300, 'x') << 11;
        QTest::newRow("folder") << "C:\\Data\\Folder.bt6" << 30;
        QTest::newRow("pipe") << "C:\\Data\\Pipe.bt6" << 30;
    }
    void openStatuses() {
        QFETCH(QString, path);
        QFETCH(int, status);
        EngineFixture f;
        QDir().mkpath(f.native("Folder.bt6"));
        QCOMPARE(::mkfifo(QFile::encodeName(f.native("Pipe.bt6")).constData(), 0600), 0);
        BtrieveEngine::PositionBlock block = BtrieveEngine::blankPositionBlock();
        QCOMPARE(int(f.call(BtrieveEngine::OpOpen, path, block)), status);
        QCOMPARE(block, BtrieveEngine::blankPositionBlock());
    }

    // A name the key length would cut is refused, never opened or created cut short.
    void nameLongerThanTheKeyLength() {
        EngineFixture f;
        f.write("FRAD041.bt6", QByteArray());
        BtrieveEngine::PositionBlock block = BtrieveEngine::blankPositionBlock();
        QCOMPARE(int(f.call(BtrieveEngine::OpOpen, "C:\\Data\\FRAD041.bt6", block, 0, nullptr, 10)),
                 11);
        QByteArray key("C:\\Data\\FRAD041.bt6");
        QCOMPARE(FileBtrieveEngine::fileName(std::span<const char>(key.constData(), 19), 19),
                 std::optional<QString>(QStringLiteral("C:\\Data\\FRAD041.bt6")));
    }

    void dataLengthBeyondTheBuffer() {
        EngineFixture f;
        QByteArray small(10, '\0');
        quint32 length = 11;
        const QByteArray key("C:\\Data\\FRAD041.bt6\0", 20);
        BtrieveEngine::PositionBlock block = BtrieveEngine::blankPositionBlock();
        QCOMPARE(
            int(f.engine.BTRCALL(BtrieveEngine::OpOpen, block, std::span<char>(small.data(), 10),
                                 length, std::span<const char>(key.constData(), 20), 255, 0)),
            22);
        QCOMPARE(int(f.call(7, "C:\\Data\\FRAD041.bt6", block)), 1);
    }

    // Shared as the suite shares: other programs' shared locks let the file open, an
    // exclusive one refuses it; the stop lets every file go.
    void sharing() {
        EngineFixture f;
        QCOMPARE(int(f.create("FRAD041.bt6", spec41())), 0);
        {
            LockHolder reader(f.native("FRAD041.bt6"), false);
            QVERIFY(reader.locked());
            BtrieveEngine::PositionBlock first;
            BtrieveEngine::PositionBlock second;
            QCOMPARE(int(f.open("FRAD041.bt6", &first)), 0);
            QCOMPARE(int(f.open("FRAD041.bt6", &second)), 0);
            QVERIFY(FileBtrieveEngine::handleOf(first) != FileBtrieveEngine::handleOf(second));
            QCOMPARE(f.engine.openFiles(), 2);
            // Replacing a file in use is refused.
            QCOMPARE(int(f.create("FRAD041.bt6", spec41())), 46);
        }
        BtrieveEngine::PositionBlock block = BtrieveEngine::blankPositionBlock();
        QCOMPARE(int(f.call(BtrieveEngine::OpStop, QString(), block)), 0);
        QCOMPARE(f.engine.openFiles(), 0);
        // Nothing of this engine holds the file any more: an exclusive lock is free.
        const int fd = ::open(QFile::encodeName(f.native("FRAD041.bt6")).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        ::close(fd);
    }

    void exclusiveLockElsewhere() {
        EngineFixture f;
        QCOMPARE(int(f.create("FRAD041.bt6", spec41())), 0);
        LockHolder holder(f.native("FRAD041.bt6"), true);
        QVERIFY(holder.locked());
        QCOMPARE(int(f.open("FRAD041.bt6")), 46);
        QCOMPARE(f.engine.openFiles(), 0);
    }
};

QTEST_GUILESS_MAIN(TestBtrieveEngine)
#include "tst_btrieveengine.moc"
