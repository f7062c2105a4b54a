#include "RecordingReporter.h"
#include "RecordingTrace.h"
#include "platform/PathSpace.h"
#include "system/FolderChecks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A root with drives C: and D: and one reachable server; "nosrv" is unreachable.
struct Fixture {
    QTemporaryDir root;
    PathSpace paths{root.path()};
    RecordingTrace trace;
    RecordingReporter errors;
    QList<ShareInfo> shares;
    FolderChecks checks{paths, trace, errors, [this] { return shares; }};

    Fixture() {
        for (const char* folder : {"c", "d", "unc/server"}) {
            QDir(root.path()).mkpath(QString::fromLatin1(folder));
        }
    }
    bool isDir(const QString& path) const { return QFileInfo(paths.toNative(path)).isDir(); }
    void makeFile(const QString& path) {
        QFile f(paths.toNative(path));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    bool found(const QString& folder) {
        QString f = folder;
        return checks.FolderFound(f);
    }
};

const QString Verification =
    QStringLiteral(" |Source: Lib_Systeme:VerificationEtCreationRepertoire");

} // namespace

class TestFolderChecks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void chainIsCreatedOnce() {
        Fixture f;
        f.checks.VerificationEtCreationRepertoire(QStringLiteral("C:\\A\\B"), true);
        QVERIFY(f.isDir(QStringLiteral("C:\\A\\B")));
        QCOMPARE(f.checks.DossiersVerifies(), QStringLiteral(",C:\\A\\,C:\\A\\B\\,"));
        QCOMPARE(f.checks.DernierDossierVerifie(), QStringLiteral("C:\\A\\B\\"));
        // Known folders are not probed again, whatever their case.
        QVERIFY(QDir(f.paths.toNative(QStringLiteral("C:\\A"))).removeRecursively());
        f.checks.VerificationEtCreationRepertoire(QStringLiteral("c:\\a\\b\\"), true);
        f.checks.VerificationEtCreationRepertoire(QStringLiteral("C:\\A\\"), true);
        QVERIFY(!f.isDir(QStringLiteral("C:\\A")));
        QVERIFY(f.trace.lines().isEmpty() && f.errors.empty());
        // On a reachable server the share is created like any folder.
        f.checks.VerificationEtCreationRepertoire(QStringLiteral("\\\\SERVER\\share\\a\\"), true);
        QVERIFY(f.isDir(QStringLiteral("\\\\server\\share\\a")));
    }

    void missingFolders_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("report");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("missing");
        const QString unreachable = QStringLiteral("\\\\nosrv\\share\\a\\b\\");
        QTest::newRow("unreachable server")
            << unreachable << true
            << QStringList{"Err: 76: Folder not found: " + unreachable + Verification,
                           "Folder '\\\\nosrv\\share\\' not found"}
            << "\\\\nosrv\\share\\,";
        QTest::newRow("not reported")
            << unreachable << false
            << QStringList{"Err: 76: Folder not found: " + unreachable + Verification}
            << "\\\\nosrv\\share\\,";
        QTest::newRow("dollar share")
            << "\\\\nosrv\\C$\\Data\\" << true
            << QStringList{"Err: 76: Folder not found: \\\\nosrv\\C$\\Data\\" + Verification} << "";
        QTest::newRow("file in the way")
            << "C:\\f.txt\\sub\\" << true
            << QStringList{"Err: 75: Folder not found: C:\\f.txt\\sub\\" + Verification,
                           "Folder 'C:\\f.txt\\' not found"}
            << "C:\\f.txt\\,";
    }
    void missingFolders() {
        QFETCH(QString, folder);
        QFETCH(bool, report);
        QFETCH(QStringList, lines);
        QFETCH(QString, missing);
        Fixture f;
        f.makeFile(QStringLiteral("C:\\f.txt"));
        f.checks.VerificationEtCreationRepertoire(folder, report);
        QCOMPARE(f.trace.messages(), lines);
        QCOMPARE(f.trace.incidents(), lines.mid(0, 1));
        QCOMPARE(f.checks.DossiersManquants(), missing);
        QCOMPARE(f.checks.DernierDossierVerifie(), folder);
        // The server level is never created.
        QVERIFY(!QFileInfo::exists(f.root.path() + QStringLiteral("/unc/nosrv")));
        QVERIFY(f.errors.empty());
    }

    void missingNetworkFolderIsProbedOnce() {
        Fixture f;
        const QString folder = QStringLiteral("\\\\nosrv\\share\\Logs");
        QVERIFY(!f.found(folder));
        const qsizetype lines = f.trace.lines().size();
        QVERIFY(QDir().mkpath(f.root.path() + QStringLiteral("/unc/nosrv/share/Logs")));
        QVERIFY(!f.found(QStringLiteral("\\\\NOSRV\\share\\logs\\")));
        QCOMPARE(f.trace.lines().size(), lines);
        QCOMPARE(f.checks.DossiersNonTrouves(), folder + QStringLiteral(",,"));
    }

    void foundFolderKeepsItsVerdict() {
        Fixture f;
        QVERIFY(f.found(QStringLiteral("C:\\New\\Sub"))); // created
        QVERIFY(f.isDir(QStringLiteral("C:\\New\\Sub")));
        QVERIFY(QDir(f.paths.toNative(QStringLiteral("C:\\New"))).removeRecursively());
        QVERIFY(f.found(QStringLiteral("C:\\New\\Sub")));
        QCOMPARE(f.checks.DossiersTrouves(), QStringLiteral("C:\\New\\Sub,,"));
    }

    void absentFolders() {
        Fixture f;
        QVERIFY(QDir().mkpath(f.paths.toNative(QStringLiteral("C:\\Logs"))));
        f.makeFile(QStringLiteral("C:\\Logs\\Old"));
        QVERIFY(!f.found(QStringLiteral("C:\\Logs\\Old"))); // a file is no folder
        QVERIFY(f.found(QStringLiteral("C:\\Logs")));       // whole entries only
        f.trace.clear();
        const QString folder = QStringLiteral("C:\\") + QString(300, QLatin1Char('x'));
        QVERIFY(!f.found(folder));
        QCOMPARE(f.trace.incidents().size(), 1);
        QVERIFY(f.trace.incidents()[0].startsWith("Err: Folder not found: " + folder +
                                                  " |Source: Lib_Systeme:FolderFound"));
        QVERIFY(f.errors.empty());
    }

    void uncToLocal_data() {
        QTest::addColumn<QStringList>("shares"); // name=local folder
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("result");
        const QString logs = QStringLiteral("\\\\PC1\\Data\\Logs\\");
        QTest::newRow("share of this computer")
            << QStringList{"Data=D:\\Data"} << logs << "D:\\Data\\Logs\\";
        QTest::newRow("case") << QStringList{"DATA=D:\\Data"} << "\\\\pc1\\data\\Logs\\"
                              << "D:\\Data\\Logs\\";
        QTest::newRow("whole drive") << QStringList{"Data=D:\\"} << logs << "D:\\Logs\\";
        QTest::newRow("first match only")
            << QStringList{"Other=D:\\Other", "Data=Q:\\Data", "Data=D:\\Data"} << logs << logs;
        QTest::newRow("name prefix") << QStringList{"Dat=D:\\Dat"} << logs << logs;
    }
    void uncToLocal() {
        QFETCH(QStringList, shares);
        QFETCH(QString, path);
        QFETCH(QString, result);
        Fixture f;
        for (const QString& s : shares) {
            f.shares.push_back({s.section(QLatin1Char('='), 0, 0), s.section(QLatin1Char('='), 1)});
        }
        QCOMPARE(f.checks.ChangeUNCFolder2LocalFolder(path, QStringLiteral("PC1")), result);
    }

    void uncToLocalTrace() {
        Fixture f;
        const QString path = QStringLiteral("\\\\PC1\\Data\\Logs\\");
        QCOMPARE(f.checks.ChangeUNCFolder2LocalFolder(path, QStringLiteral("PC1")), path);
        QVERIFY(f.trace.lines().isEmpty()); // no shares: nothing to say
        f.shares = {{QStringLiteral("Music"), QStringLiteral("E:\\Music")},
                    {QStringLiteral("Data"), QStringLiteral("D:\\Data")}};
        f.checks.ChangeUNCFolder2LocalFolder(path, QStringLiteral("PC1"));
        const QString framed = QStringLiteral("Shared Paths List |UNC Path to Change: ") + path;
        QCOMPARE(f.trace.messages(),
                 (QStringList{QString(framed.size(), QLatin1Char('=')), framed,
                              QString(framed.size(), QLatin1Char('=')),
                              "01: UNC: Local Path found: D:\\Data\\Logs\\",
                              "01: UNC: Path change from: " + path + " to: D:\\Data\\Logs\\"}));
    }
};

QTEST_GUILESS_MAIN(TestFolderChecks)
#include "tst_folderchecks.moc"
