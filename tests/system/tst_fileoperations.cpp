#include "RecordingReporter.h"
#include "RecordingTrace.h"
#include "base/UptimeCounter.h"
#include "platform/PathSpace.h"
#include "system/FileOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// An uptime counter that moves by `step` at every reading.
class SteppingClock final : public Clock {
public:
    quint64 millisecondsSinceBoot() const override { return m_now += step; }
    QDateTime localDateTime() const override { return {}; }
    quint64 step = 0;

private:
    mutable quint64 m_now = 1000;
};

// A whole-file lock held through another open file, as another program would.
struct HeldLock {
    int fd;
    HeldLock(const QString& native, short type)
        : fd(::open(QFile::encodeName(native).constData(), O_RDWR)) {
        struct flock fl {};
        fl.l_type = type;
        fl.l_whence = SEEK_SET;
        ::fcntl(fd, F_OFD_SETLK, &fl);
    }
    ~HeldLock() { ::close(fd); }
};

struct Fixture {
    QTemporaryDir root;
    PathSpace paths{root.path()};
    RecordingTrace trace;
    RecordingReporter errors;
    SteppingClock clock;
    UptimeCounter uptime{clock};
    FileOperations ops{paths, trace, errors, uptime};

    Fixture() { QDir(root.path()).mkpath(QStringLiteral("c/Out")); }
    QString native(const QString& path) const { return paths.toNative(path); }
    void write(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(native(path)).absolutePath());
        QFile f(native(path));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString& path) const {
        QFile f(native(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    QStringList folderEntries(const QString& path) const {
        return QDir(native(path)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

const QString Src = QStringLiteral("C:\\Data\\a.ini");
const QString Tgt = QStringLiteral("C:\\Out\\b.ini");
const QString Caller = QStringLiteral("Lib_Public:TraceLogForce");
const QString Sub = QStringLiteral(" |Sub: Lib_Public:TraceLogForce>Lib_Systeme:File_Delete");

} // namespace

using Step = FileOperations::ShellStep;
Q_DECLARE_METATYPE(FileOperations::ShellStep)

class TestFileOperations : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shellErrorCode_data() {
        QTest::addColumn<Step>("step");
        QTest::addColumn<int>("error");
        QTest::addColumn<qint32>("code");
        QTest::newRow("source missing") << Step::CopySource << ENOENT << 1026;
        QTest::newRow("target folder missing") << Step::CopyTarget << ENOENT << 53;
        QTest::newRow("file in the target's way") << Step::CopyTarget << ENOTDIR << 53;
        QTest::newRow("delete: not found") << Step::Delete << ENOENT << 2;
        QTest::newRow("busy") << Step::Delete << EBUSY << 32;
        QTest::newRow("text busy") << Step::CopyTarget << ETXTBSY << 32;
        QTest::newRow("no memory") << Step::CopyTarget << ENOMEM << 14;
        QTest::newRow("access") << Step::CopyTarget << EACCES << 5;
        QTest::newRow("folder as file") << Step::Delete << EISDIR << 5;
        QTest::newRow("disk full") << Step::CopyTarget << ENOSPC << 112;
        QTest::newRow("unknown") << Step::CopySource << EXDEV << 31;
    }
    void shellErrorCode() {
        QFETCH(Step, step);
        QFETCH(int, error);
        QFETCH(qint32, code);
        QCOMPARE(FileOperations::shellErrorCode(step, error), code);
    }

    void fileExist_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("checkSize");
        QTest::addColumn<bool>("found");
        const QString myFile = QStringLiteral("C:\\Data\\My file.ini");
        QTest::newRow("blank before point")
            << myFile << 3 << "C:\\Data\\My file .ini" << true << true;
        QTest::newRow("name as given, after the change fails")
            << "C:\\Data\\My file .ini" << 3 << "C:\\Data\\My file .ini" << true << true;
        QTest::newRow("case") << myFile << 3 << "c:\\DATA\\MY FILE.INI" << false << true;
        QTest::newRow("empty file, size checked") << myFile << 0 << myFile << true << false;
        QTest::newRow("a folder") << myFile << 3 << "C:\\Data" << true << true;
        QTest::newRow("missing") << myFile << 3 << "C:\\Data\\other.ini" << false << false;
        QTest::newRow("wildcard") << myFile << 3 << "C:\\Data\\*.ini" << false << false;
    }
    void fileExist() {
        QFETCH(QString, file);
        QFETCH(int, size);
        QFETCH(QString, query);
        QFETCH(bool, checkSize);
        QFETCH(bool, found);
        Fixture f;
        f.write(file, QByteArray(size, 'x'));
        QCOMPARE(f.ops.File_Exist(query, Caller, checkSize), found);
        QVERIFY(f.errors.empty());
    }

    void fileSize() {
        Fixture f;
        f.write(Src, "12345");
        QCOMPARE(f.ops.TailleDuFichier(Src), 5);
        QCOMPARE(f.ops.TailleDuFichier(QStringLiteral("C:\\Data\\none.ini")), -1);
        QCOMPARE(f.ops.TailleDuFichier(QStringLiteral("C:\\Data")), -1);
        // Low 32 bits of the size; a 4 GiB + 7 file is still no empty file.
        QVERIFY(QFile::resize(f.native(Src), (qint64(1) << 32) + 7));
        QCOMPARE(f.ops.TailleDuFichier(Src), 7);
        QVERIFY(f.ops.File_Exist(Src, Caller, true));
        QVERIFY(f.trace.lines().isEmpty());
        f.clock.step = 1001;
        f.ops.TailleDuFichier(Src);
        QCOMPARE(f.trace.messages(),
                 QStringList{"Function Lib_Systeme:TailleDuFichier Duration: 1001 ms (File: "
                             "C:\\Data\\a.ini)"});
    }

    void copyRefusals_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("blank") << " " << QStringList{"Warning: File_Copy: File name null"};
        QTest::newRow("missing") << "C:\\x.ini"
                                 << QStringList{"Warning: File_Copy: File not found: C:\\x.ini"};
        QTest::newRow("empty source")
            << Src << QStringList{"Warning: File_Copy: File not found: " + Src};
        QTest::newRow("missing .gpx") << "C:\\X.GPX" << QStringList{};
    }
    void copyRefusals() {
        QFETCH(QString, source);
        QFETCH(QStringList, lines);
        Fixture f;
        f.write(Src, QByteArray());
        QVERIFY(!f.ops.File_Copy(source, Tgt));
        QCOMPARE(f.trace.messages(), lines);
    }

    void copyReplacesTargetWhole() {
        Fixture f;
        f.write(Src, "new content");
        f.write(Tgt, "old");
        QVERIFY(f.ops.File_Copy(Src, Tgt));
        QCOMPARE(f.read(Tgt), QByteArray("new content"));
        QCOMPARE(f.folderEntries(QStringLiteral("C:\\Out")), QStringList{"b.ini"});
        // Into a folder.
        QVERIFY(f.ops.File_Copy(Src, QStringLiteral("C:\\Out\\")));
        QCOMPARE(f.read(QStringLiteral("C:\\Out\\a.ini")), QByteArray("new content"));
        QVERIFY(f.trace.lines().isEmpty());
    }

    void copyFailures_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("freeSpace");
        const QString folder = QStringLiteral(" |Folder not found. Source: ");
        QTest::newRow("missing folder") << "C:\\Missing\\b.ini"
                                        << "53" + folder << true;
        QTest::newRow("missing folder by name") << "C:\\Missing\\"
                                                << "53" + folder << true;
        QTest::newRow("file in the way") << "C:\\Data\\a.ini\\b.ini"
                                         << "53" + folder << true;
        QTest::newRow("missing share") << "\\\\SRV\\Share\\b.ini"
                                       << "53" + folder << false;
        QTest::newRow("same file") << "c:\\DATA\\A.INI"
                                   << "113 |Fichiers source et cible identiques. Source: " << true;
    }
    void copyFailures() {
        QFETCH(QString, target);
        QFETCH(QString, line);
        QFETCH(bool, freeSpace);
        Fixture f;
        f.write(Src, "content");
        QVERIFY(!f.ops.File_Copy(Src, target));
        const QList<RecordingTrace::Line> lines = f.trace.lines();
        QCOMPARE(lines.size(), freeSpace ? 2 : 1);
        QCOMPARE(lines[0].message, "File_Copy: Err: " + line + Src + "  Target: " + target);
        QVERIFY(lines[0].incident);
        if (freeSpace) {
            QVERIFY(lines[1].message.startsWith(QStringLiteral("Free space for ") + target.left(3) +
                                                QStringLiteral(": ")));
            QVERIFY(!lines[1].incident);
        }
        QCOMPARE(f.read(Src), QByteArray("content"));
    }

    void failedCopyLeavesNoHalfTarget() {
        Fixture f;
        f.write(Src, QByteArray(64 * 1024, 'n'));
        f.write(Tgt, "old");
        // The file-size limit stops the copy part way, as a full disk would.
        struct rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit low = saved;
        low.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &low);
        const bool copied = f.ops.File_Copy(Src, Tgt);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!copied);
        QCOMPARE(f.trace.messages().value(0),
                 "File_Copy: Err: 223 |Source: " + Src + "  Target: " + Tgt);
        QCOMPARE(f.read(Tgt), QByteArray("old"));
        QCOMPARE(f.folderEntries(QStringLiteral("C:\\Out")), QStringList{"b.ini"});
    }

    void lockedFilesAreInUse() {
        Fixture f;
        f.write(Src, "new");
        f.write(Tgt, "old");
        {
            HeldLock lock(f.native(Tgt), F_RDLCK);
            QVERIFY(!f.ops.File_Copy(Src, Tgt));
            QVERIFY(!f.ops.File_Delete(Tgt, Caller));
        }
        {
            HeldLock lock(f.native(Src), F_WRLCK);
            QVERIFY(!f.ops.File_Copy(Src, Tgt));
        }
        const QStringList lines = f.trace.messages();
        QCOMPARE(lines.value(0),
                 "File_Copy: Err: 32 |File in use. Source: " + Src + "  Target: " + Tgt);
        QCOMPARE(lines.value(2), "File_Delete: Warning: 32 |File in use: " + Tgt + Sub);
        QCOMPARE(lines.value(3), lines.value(0));
        QCOMPARE(f.read(Tgt), QByteArray("old"));
        QVERIFY(f.ops.File_Copy(Src, Tgt) &&
                f.ops.File_Delete(QStringLiteral("c:\\OUT\\B.ini"), Caller));
        QVERIFY(!QFileInfo::exists(f.native(Tgt)));
    }

    void deleteFailures_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("incident");
        QTest::newRow("blank") << ""
                               << "Warning: File_Delete: File name null" + Sub << false;
        QTest::newRow("missing") << "C:\\Data\\none.ini"
                                 << "File_Delete: Warning: 2 |File not found: C:\\Data\\none.ini" +
                                        Sub
                                 << false;
        QTest::newRow("folder") << "C:\\Data"
                                << "File_Delete: Err: 5 |C:\\Data" + Sub << true;
    }
    void deleteFailures() {
        QFETCH(QString, path);
        QFETCH(QString, line);
        QFETCH(bool, incident);
        Fixture f;
        f.write(Src, "x");
        QVERIFY(!f.ops.File_Delete(path, Caller));
        QCOMPARE(f.trace.messages(), QStringList{line});
        QCOMPARE(f.trace.lines()[0].incident, incident);
        QVERIFY(QFileInfo::exists(f.native(Src)));
    }

    void removeFlag() {
        Fixture f;
        f.write(Src, "x");
        QFile::setPermissions(f.native(Src), QFile::ReadOwner | QFile::ReadGroup);
        f.ops.File_RemoveFlag(Src, 2);
        QVERIFY(!(QFile::permissions(f.native(Src)) & QFile::WriteOwner));
        f.ops.File_RemoveFlag(Src, 1 | 32);
        QCOMPARE(QFile::permissions(f.native(Src)) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        f.ops.File_RemoveFlag(QStringLiteral("C:\\none.ini"), 1);
        QCOMPARE(f.trace.messages(),
                 QStringList{"Warning: File_RemoveFlag: File not found: C:\\none.ini"});
    }

    void freeSpace() {
        Fixture f;
        QCOMPARE(f.ops.EspaceLibreDisque(QStringLiteral("  ")), 0.0);
        QCOMPARE(f.ops.EspaceLibreDisque(QStringLiteral("Q:\\")), 0.0);
        QVERIFY(f.ops.EspaceLibreDisque(QStringLiteral("C:\\")) > 0.0);
    }

    void libSize_data() {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QString>("text");
        const QString nnbsp(QChar(0x202F));
        QTest::newRow("500") << 500.0 << "500,00 Octets";
        QTest::newRow("1023") << 1023.0 << "1" + nnbsp + "023,00 Octets";
        QTest::newRow("1536") << 1536.0 << "1,50 Ko";
        QTest::newRow("1 Go") << 1024.0 * 1024 * 1024 << "1,00 Go";
        QTest::newRow("beyond Yo") << std::pow(1024.0, 9) << "1" + nnbsp + "024,00 Yo";
    }
    void libSize() {
        QFETCH(double, bytes);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(QLocale::French));
        QCOMPARE(FileOperations::LibSize(bytes), text);
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(TestFileOperations)
#include "tst_fileoperations.moc"
