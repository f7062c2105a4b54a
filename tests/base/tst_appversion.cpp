#include "RecordingReporter.h"
#include "base/AppVersion.h"

#include <QtTest>

class TestAppVersion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionApplication_data();
    void versionApplication();
    void dateBeyondTheCalendarIsReported();
};

void TestAppVersion::versionApplication_data() {
    QTest::addColumn<qint32>("major");
    QTest::addColumn<qint32>("minor");
    QTest::addColumn<qint32>("revision");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("version");

    QTest::newRow("stamp") << 2021 << 614 << 905 << ""
                           << "2021.0614.0905";
    QTest::newRow("no stamp, no date") << 1999 << 614 << 905 << "Trelvo"
                                       << "2000.0101.0000";
    QTest::newRow("no stamp, French date") << 1 << 0 << 0 << "15/03/2019"
                                           << "2019.0315.0000";
    QTest::newRow("no stamp, ISO date and time") << 1999 << 0 << 0 << " 2019-03-15T10:20:00 "
                                                 << "2019.0315.1020";
    QTest::newRow("month 13") << 2020 << 1301 << 0 << ""
                              << "2021.0101.0000";
    QTest::newRow("month 0") << 2021 << 5 << 7 << ""
                             << "2020.1205.0007";
    QTest::newRow("30 February") << 2021 << 230 << 1200 << ""
                                 << "2021.0302.1200";
    QTest::newRow("24:60") << 2021 << 1231 << 2460 << ""
                           << "2022.0101.0100";
    QTest::newRow("five-digit minor") << 2021 << 10614 << 905 << ""
                                      << "2021.0614.0905";
}

void TestAppVersion::versionApplication() {
    QFETCH(qint32, major);
    QFETCH(qint32, minor);
    QFETCH(qint32, revision);
    QFETCH(QString, description);
    QFETCH(QString, version);
    RecordingReporter errors;
    const AppVersion v({major, minor, revision, description, QStringLiteral("Trelvo")}, errors);
    QCOMPARE(v.VersionApplication(), version);
    QVERIFY(errors.empty());
}

void TestAppVersion::dateBeyondTheCalendarIsReported() {
    RecordingReporter errors;
    const AppVersion v({65535, 101, 0, QString(), QString()}, errors);
    QCOMPARE(v.VersionApplication(), QStringLiteral("1899.1230.0000"));
    QCOMPARE(errors.reports().size(), 1);
    QCOMPARE(errors.reports().front().caller, QStringLiteral("Lib_Systeme:DateApplication"));
    QCOMPARE(errors.reports().front().error.number, 5);
}

QTEST_GUILESS_MAIN(TestAppVersion)
#include "tst_appversion.moc"
