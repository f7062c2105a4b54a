#include "TestProgram.h"
#include "base/ErrorTrap.h"

#include <QtTest>

class TestErrorReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void framedLine_data();
    void framedLine();
    void trapKeepsLineAndSnapshot();
    void nothingWhileClosing();
    void numberZeroIsRememberedNotLogged();
    void nestedReportIsDropped();
    void automationErrorRestartsMachine();
};

void TestErrorReport::framedLine_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("caller");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << 5 << "Bad value"
                           << "KZ3_Trelvo"
                           << "Frm_Main:Quitter" << 30
                           << "Err: 5 (Bad value)  Err: Frm_Main:Quitter:30";
    QTest::newRow("component code")
        << (-2147221504 + 1001) << "Broken"
        << "MyComponent"
        << "Lib_Email:EnvoiMail" << 20
        << "Err: 1001 (Broken)  Err: Lib_Email:EnvoiMail:20 (Source: MyComponent)";
    QTest::newRow("component code, blank source") << (-2147221504 + 7) << "X"
                                                  << "  "
                                                  << "A:B" << 0 << "Err: 7 (X)  Err: A:B:0";
    QTest::newRow("own code keeps no source")
        << 53 << "File not found"
        << "KZ3_Trelvo"
        << "A:B" << 10 << "Err: 53 (File not found)  Err: A:B:10";
    QTest::newRow("empty caller") << 9 << "Subscript out of range"
                                  << ""
                                  << "  " << 10 << "Err: 9 (Subscript out of range)";
    QTest::newRow("code beyond component range stays")
        << (-2147221504 + 70000) << "Y"
        << "S"
        << "" << 0 << QStringLiteral("Err: %1 (Y)").arg(-2147221504 + 70000);
    QTest::newRow("overflowing subtraction") << 2147483647 << "Z"
                                             << "S"
                                             << "" << 0 << "Err: 2147483647 (Z)";
    const QString longText = QStringLiteral("First sentence. Second sentence. ") + QString(80, 'x');
    QTest::newRow("long description")
        << 1 << longText << ""
        << "" << 0 << "Err: 1 (First sentence  Second sentence  " + QString(80, 'x') + ")";
    const QString shortText = QStringLiteral("Short. Text.");
    QTest::newRow("short description keeps points") << 1 << shortText << ""
                                                    << "" << 0 << "Err: 1 (Short. Text.)";
}

void TestErrorReport::framedLine() {
    QFETCH(int, number);
    QFETCH(QString, description);
    QFETCH(QString, source);
    QFETCH(QString, caller);
    QFETCH(int, line);
    QFETCH(QString, expected);

    TestProgram p;
    p.errors.report(caller, line, AppError{number, description, source});
    const QStringList lines = p.trace.messages();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(1), expected);
    QCOMPARE(lines.at(0), QString(expected.size(), QLatin1Char('=')));
    QCOMPARE(lines.at(2), lines.at(0));
    QCOMPARE(p.trace.incidents(), QStringList{expected});
}

void TestErrorReport::trapKeepsLineAndSnapshot() {
    TestProgram p;
    ErrorTrap trap(p.errors, ErrorTrap::nested(QStringLiteral("Frm_Main:Form_Initialize"),
                                               QStringLiteral("Lib_Systeme:File_Exist")));
    trap.at(10);
    QVERIFY(!trap.fail(AppError{}));
    trap.at(40);
    QVERIFY(trap.fail(AppError::runtime(53)));
    QCOMPARE(p.state.PbLErreurNumero, 53);
    QCOMPARE(p.state.PbLErreurLigne, 40);
    QCOMPARE(p.state.PbSErreurDescription, QStringLiteral("File not found"));
    QCOMPARE(p.state.PbSErreurSource, QStringLiteral("KZ3_Trelvo"));
    QCOMPARE(
        p.trace.messages().at(1),
        QStringLiteral(
            "Err: 53 (File not found)  Err: Frm_Main:Form_Initialize>Lib_Systeme:File_Exist:40"));
    QCOMPARE(p.errors.lastCaller(), trap.callerName());
    QCOMPARE(p.errors.lastNumber(), 53);
    QCOMPARE(p.errors.lastDateTime(), p.clock.localDateTime());
    QCOMPARE(trap.failures(), 1);
}

void TestErrorReport::nothingWhileClosing() {
    TestProgram p;
    p.state.PbBFermetureApplication = true;
    p.errors.report(QStringLiteral("A:B"), 10, AppError::overflow());
    QVERIFY(p.trace.lines().isEmpty());
    QCOMPARE(p.errors.lastNumber(), 0);
    QVERIFY(p.errors.lastCaller().isEmpty());
}

void TestErrorReport::numberZeroIsRememberedNotLogged() {
    TestProgram p;
    p.errors.report(QStringLiteral("A:B"), 10, AppError::overflow());
    p.errors.GestionDesErreurs(QStringLiteral("C:D")); // snapshot still holds 6
    p.state.PbLErreurNumero = 0;
    p.errors.GestionDesErreurs(QStringLiteral("E:F"));
    QCOMPARE(p.trace.lines().size(), 6);
    QCOMPARE(p.errors.lastNumber(), 0);
    QCOMPARE(p.errors.lastCaller(), QStringLiteral("E:F"));
}

void TestErrorReport::nestedReportIsDropped() {
    // A failure raised while a report is written (by the trace log, by an event
    // handler running in its event pass) makes no second report.
    TestProgram p;
    int nested = 0;
    p.events.setOnEvents([&] {
        if (nested++ == 0) {
            p.errors.report(QStringLiteral("Inner:Handler"), 5, AppError::runtime(11));
        }
    });
    p.errors.report(QStringLiteral("Outer:Proc"), 20, AppError::runtime(13));
    QCOMPARE(nested, 1);
    QCOMPARE(p.trace.incidents(),
             QStringList{QStringLiteral("Err: 13 (Type mismatch)  Err: Outer:Proc:20")});
    // Once the report is over, the next one is made again.
    p.events.setOnEvents({});
    p.errors.report(QStringLiteral("Next:Proc"), 10, AppError::runtime(11));
    QCOMPARE(p.trace.incidents().size(), 2);
}

void TestErrorReport::automationErrorRestartsMachine() {
    TestProgram p;
    int restarts = 0;
    p.errors.setMachineRestart([&] { ++restarts; });
    p.errors.report(QStringLiteral("Frm_MainBis:TelnetSound4_Receive"), 30,
                    AppError{ErrorReport::DisconnectedComponentError,
                             QStringLiteral("Automation error"), QStringLiteral("DartTelnet")});
    QCOMPARE(restarts, 1);
    const QStringList incidents = p.trace.incidents();
    QCOMPARE(incidents.size(), 2);
    QCOMPARE(incidents.at(0), QStringLiteral("Err: -2147417848 (Automation error)  "
                                             "Err: Frm_MainBis:TelnetSound4_Receive:30"));
    QCOMPARE(incidents.at(1), QStringLiteral("Reboot the Computer because of Automation Error"));
    // The reboot line's frame rows are blank and dropped: 3 + 1 lines.
    QCOMPARE(p.trace.lines().size(), 4);
}

QTEST_GUILESS_MAIN(TestErrorReport)
#include "tst_errorreport.moc"
