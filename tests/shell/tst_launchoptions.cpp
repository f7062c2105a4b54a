#include "shell/LaunchOptions.h"

#include <QtTest>

class TestLaunchOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
    void operations_data();
    void operations();
};

void TestLaunchOptions::parse_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("headless");
    QTest::addColumn<QString>("root");
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<bool>("failed");

    QTest::newRow("nothing") << QStringList{} << false << "" << QStringList{} << false;
    QTest::newRow("headless with root")
        << QStringList{"--headless", "--root", "/srv/t", "/Instance=2"} << true << "/srv/t"
        << QStringList{"/Instance=2"} << false;
    QTest::newRow("root=") << QStringList{"--root=/x", "/Wait=100", "/Veille=True"} << false << "/x"
                           << QStringList{"/Wait=100", "/Veille=True"} << false;
    QTest::newRow("root without folder")
        << QStringList{"--root"} << false << "" << QStringList{} << true;
    QTest::newRow("root= empty") << QStringList{"--root="} << false << "" << QStringList{} << true;
    QTest::newRow("unknown option")
        << QStringList{"--frobnicate"} << false << "" << QStringList{} << true;
}

void TestLaunchOptions::parse() {
    QFETCH(QStringList, args);
    QFETCH(bool, headless);
    QFETCH(QString, root);
    QFETCH(QStringList, switches);
    QFETCH(bool, failed);
    const LaunchOptions o = LaunchOptions::parse(args);
    QCOMPARE(!o.error.isEmpty(), failed);
    if (!failed) {
        QCOMPARE(o.headless, headless);
        QCOMPARE(o.root, root);
        QCOMPARE(o.stationSwitches, switches);
    }
}

void TestLaunchOptions::operations_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("logStderr");
    QTest::addColumn<bool>("testMail");
    QTest::addColumn<bool>("checkConfig");
    QTest::addColumn<bool>("failed");
    QTest::newRow("service") << QStringList{"--headless", "--log-stderr"} << true << false << false
                             << false;
    QTest::newRow("test mail") << QStringList{"--test-mail", "--root", "/srv/t", "/I=2"} << false
                               << true << false << false;
    QTest::newRow("check") << QStringList{"--check-config"} << false << false << true << false;
    QTest::newRow("both operations")
        << QStringList{"--test-mail", "--check-config"} << false << true << true << true;
}

void TestLaunchOptions::operations() {
    QFETCH(QStringList, args);
    QFETCH(bool, logStderr);
    QFETCH(bool, testMail);
    QFETCH(bool, checkConfig);
    QFETCH(bool, failed);
    const LaunchOptions o = LaunchOptions::parse(args);
    QCOMPARE(!o.error.isEmpty(), failed);
    QCOMPARE(o.logStderr, logStderr);
    QCOMPARE(o.testMail, testMail);
    QCOMPARE(o.checkConfig, checkConfig);
    for (const char* option : {"--log-stderr", "--test-mail", "--check-config"}) {
        QVERIFY(LaunchOptions::usage().contains(QLatin1String(option)));
    }
}

QTEST_GUILESS_MAIN(TestLaunchOptions)
#include "tst_launchoptions.moc"
