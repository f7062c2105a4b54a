#include "platform/PathSpace.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestPathSpace : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mapping_data();
    void mapping();
    void existingNamesMatchWithoutCase();
    void mounts();
    void backFromNative_data();
    void backFromNative();
    void rootChoice();
};

void TestPathSpace::mapping_data() {
    QTest::addColumn<QString>("windows");
    QTest::addColumn<QString>("native"); // relative to the root
    QTest::newRow("drive") << "C:\\AudioLog\\Histo_KZ3_Trelvo\\"
                           << "c/AudioLog/Histo_KZ3_Trelvo";
    QTest::newRow("drive letter lowered") << "D:\\Data\\file.ini"
                                          << "d/Data/file.ini";
    QTest::newRow("drive root") << "E:\\"
                                << "e";
    QTest::newRow("unc") << "\\\\SERVER\\Share\\dir\\f.txt"
                         << "unc/SERVER/Share/dir/f.txt";
    QTest::newRow("rooted") << "\\Windows\\x.ini"
                            << "c/Windows/x.ini";
    QTest::newRow("relative") << "KZ3_Trelvo.Ini"
                              << "c/Mirevox/Ondelia/KZ3_Trelvo.Ini";
    QTest::newRow("slashes") << "C:/a/b"
                             << "c/a/b";
    QTest::newRow("doubled backslashes") << "C:\\a\\\\b\\"
                                         << "c/a/b";
    QTest::newRow("dot dot stays inside") << "C:\\..\\..\\etc\\passwd"
                                          << "c/etc/passwd";
    QTest::newRow("dot dot inside") << "C:\\a\\b\\..\\c"
                                    << "c/a/c";
    QTest::newRow("unc dot dot") << "\\\\..\\..\\x"
                                 << "unc/x";
}

void TestPathSpace::mapping() {
    QFETCH(QString, windows);
    QFETCH(QString, native);
    QTemporaryDir root;
    PathSpace space(root.path());
    QCOMPARE(space.toNative(windows), root.path() + QLatin1Char('/') + native);
}

void TestPathSpace::backFromNative_data() {
    QTest::addColumn<QString>("native"); // relative to the root; "/..." is outside it
    QTest::addColumn<QString>("windows");
    QTest::newRow("drive") << "c/AudioLog/20240131.Log"
                           << "C:\\AudioLog\\20240131.Log";
    QTest::newRow("drive root") << "e"
                                << "E:\\";
    QTest::newRow("unc") << "unc/SERVER/Share/dir"
                         << "\\\\SERVER\\Share\\dir";
    QTest::newRow("server without share") << "unc/SERVER"
                                          << "";
    QTest::newRow("not a drive") << "cd/x"
                                 << "";
    QTest::newRow("the root itself") << "."
                                     << "";
    QTest::newRow("climbing out") << "c/../../etc"
                                  << "";
    QTest::newRow("outside") << "/etc/passwd"
                             << "";
}

void TestPathSpace::backFromNative() {
    QFETCH(QString, native);
    QFETCH(QString, windows);
    QTemporaryDir root;
    PathSpace space(root.path());
    const QString path =
        native.startsWith(QLatin1Char('/')) ? native : root.path() + QLatin1Char('/') + native;
    QCOMPARE(space.toWindows(path), windows);
    if (!windows.isEmpty()) {
        QCOMPARE(space.toNative(windows), QDir::cleanPath(path));
    }
}

void TestPathSpace::existingNamesMatchWithoutCase() {
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("c/AudioLog/Histo")));
    PathSpace space(root.path());
    QCOMPARE(space.toNative(QStringLiteral("c:\\AUDIOLOG\\histo\\20240131.Log")),
             root.path() + QStringLiteral("/c/AudioLog/Histo/20240131.Log"));
    QCOMPARE(space.toNative(QString()), QString());
}

void TestPathSpace::mounts() {
    QTemporaryDir root;
    QTemporaryDir autostart;
    PathSpace space(root.path());
    space.addMount(PathSpace::startupFolder(), autostart.path());
    QCOMPARE(
        space.toNative(PathSpace::startupFolder() + QStringLiteral("\\Ondelia - Trelvo.desktop")),
        autostart.path() + QStringLiteral("/Ondelia - Trelvo.desktop"));
    space.addMount(QStringLiteral("\\\\SERVER\\Share"), QStringLiteral("/srv/share"));
    QCOMPARE(space.toNative(QStringLiteral("\\\\server\\SHARE\\a")),
             QStringLiteral("/srv/share/a"));
    QCOMPARE(space.toNative(QStringLiteral("\\\\server\\other\\a")),
             root.path() + QStringLiteral("/unc/server/other/a"));
}

void TestPathSpace::rootChoice() {
    qputenv("TRELVO_ROOT", "/tmp/trelvo-env-root");
    QCOMPARE(PathSpace::resolveRoot(QStringLiteral("/tmp/cli-root/")),
             QStringLiteral("/tmp/cli-root"));
    QCOMPARE(PathSpace::resolveRoot(QString()), QStringLiteral("/tmp/trelvo-env-root"));
    qunsetenv("TRELVO_ROOT");
    qputenv("XDG_DATA_HOME", "/tmp/xdg-data");
    QCOMPARE(PathSpace::resolveRoot(QString()), QStringLiteral("/tmp/xdg-data/trelvo"));
}

QTEST_GUILESS_MAIN(TestPathSpace)
#include "tst_pathspace.moc"
