#include "shell/LaunchOptions.h"

#include <QtTest>

class TestLaunchOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
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

QTEST_GUILESS_MAIN(TestLaunchOptions)
#include "tst_launchoptions.moc"
