#include "TraceLogFixture.h"

#include <QCoreApplication>
#include <QtTest>

class TestDailyTraceLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void elapsedColumn_data();
    void elapsedColumn();
    void markers_data();
    void markers();
    void blankAndClosingDropLines();
    void longLineIsCut();
    void heldLinesMoveWhenSettingsLoad();
    void batchAtConfiguredSize();
    void incidentWrittenAtOnce();
    void bannerOncePerRunAndDay();
    void purgeKeeps45Days();
    void rebootWarnings_data();
    void rebootWarnings();
    void incidentListCap();
    void failedWriteKeepsLines();
    void backgroundWrites();
    void linesOnTheirWayDoNotCount();
    void waitingLinesAreBounded();
    void uptimeText_data();
    void uptimeText();
};

void TestDailyTraceLog::elapsedColumn_data() {
    QTest::addColumn<QList<int>>("gaps");
    QTest::addColumn<QStringList>("columns");
    QTest::newRow("short gaps add up")
        << QList<int>{0, 10, 15} << QStringList{"    :", "    :", "  25:"};
    QTest::newRow("20 ms is short")
        << QList<int>{0, 20, 1} << QStringList{"    :", "    :", "  21:"};
    QTest::newRow("widths") << QList<int>{0, 35, 1234, 9999}
                            << QStringList{"    :", "  35:", "1234:", "9999:"};
    QTest::newRow("long gap") << QList<int>{0, 10000, 5} << QStringList{"    :", "xxxx:", "    :"};
}

void TestDailyTraceLog::elapsedColumn() {
    QFETCH(QList<int>, gaps);
    QFETCH(QStringList, columns);
    TraceLogFixture f;
    for (int gap : gaps) {
        f.p.clock.advance(gap);
        f.log.line(QStringLiteral("m"));
    }
    QCOMPARE(f.listeLogTemp.count(), columns.size());
    for (int i = 0; i < columns.size(); ++i) {
        QCOMPARE(f.listeLogTemp.at(i).mid(18, 5), columns.at(i));
    }
}

void TestDailyTraceLog::markers_data() {
    QTest::addColumn<int>("m1");
    QTest::addColumn<int>("m2");
    QTest::addColumn<QString>("line");
    QTest::newRow("normal") << -1 << -1 << "*9:05:03:042 : : :    :Some message";
    QTest::newRow("debug") << -2 << -2 << "*9:05:03:042 :Debug:    :Some message";
    QTest::newRow("digits") << 12 << 7 << "*9:05:03:042 :12:7:    :Some message";
    QTest::newRow("letter") << 0 << 11 << "*9:05:03:042 :0:B:    :Some message";
}

void TestDailyTraceLog::markers() {
    QFETCH(int, m1);
    QFETCH(int, m2);
    QFETCH(QString, line);
    TraceLogFixture f;
    f.log.TraceLog(qint16(m1), qint16(m2), QStringLiteral("Some message"));
    QCOMPARE(f.listeLogTemp.rows(), QStringList{line});
}

void TestDailyTraceLog::blankAndClosingDropLines() {
    TraceLogFixture f;
    f.log.TraceLog(-1, -1, QStringLiteral("   "), true);
    QVERIFY(f.listeLogTemp.isEmpty());
    QVERIFY(f.listeIncidents.isEmpty());
    f.log.line(QStringLiteral("  :: kept as is"));
    QCOMPARE(f.listeLogTemp.at(0).mid(23), QStringLiteral("  :: kept as is"));
    f.p.state.PbBFermetureApplication = true;
    f.log.line(QStringLiteral("after close"));
    QCOMPARE(f.listeLogTemp.count(), 1);
}

void TestDailyTraceLog::longLineIsCut() {
    TraceLogFixture f;
    f.log.line(QString(2000, u'a'));
    f.log.line(QString(5000, u'b'));
    QVERIFY(f.listeLogTemp.at(0).endsWith(QString(2000, u'a')));
    QVERIFY(f.listeLogTemp.at(1).endsWith(QString(2000, u'b') +
                                          QStringLiteral(" ... (3000 characters cut)")));
}

void TestDailyTraceLog::heldLinesMoveWhenSettingsLoad() {
    TraceLogFixture f;
    f.log.line(QStringLiteral("early 1"));
    f.log.line(QStringLiteral("early 2"));
    QVERIFY(!QFile::exists(f.fileNative(QStringLiteral("20240131"))));
    f.p.state.PbBFrmSetupChargee = true;
    f.log.line(QStringLiteral("loaded"));
    QVERIFY(f.listeLogTemp.isEmpty());
    QCOMPARE(f.listeLog.count(), 3);
    QVERIFY(f.listeLog.at(0).startsWith(QLatin1Char('*')));
    QVERIFY(!f.listeLog.at(2).startsWith(QLatin1Char('*')));
    QVERIFY(f.listeLog.at(2).endsWith(QStringLiteral(":loaded")));
}

void TestDailyTraceLog::batchAtConfiguredSize() {
    TraceLogFixture f;
    f.p.state.PbBFrmSetupChargee = true;
    for (int i = 1; i < 200; ++i) {
        f.log.line(QStringLiteral("line ") + QString::number(i));
    }
    QVERIFY(!QFile::exists(f.fileNative(QStringLiteral("20240131"))));
    f.log.line(QStringLiteral("line 200 é"));
    QVERIFY(f.listeLog.isEmpty());
    const QStringList lines = f.fileLines(QStringLiteral("20240131"));
    QCOMPARE(lines.size(), 9 + 200);
    QVERIFY(lines.at(9).startsWith(QLatin1Char('*')));
    QVERIFY(lines.last().endsWith(QStringLiteral("line 200 \u00e9"))); // Windows-1252 on disk
    // A text that is not a number writes every line.
    f.texteLogNbMaxlignes.setText(QStringLiteral("abc"));
    f.log.line(QStringLiteral("alone"));
    QVERIFY(f.listeLog.isEmpty());
    QCOMPARE(f.fileLines(QStringLiteral("20240131")).size(), 9 + 201);
}

void TestDailyTraceLog::incidentWrittenAtOnce() {
    TraceLogFixture f;
    f.p.state.PbBFrmSetupChargee = true;
    f.log.line(QStringLiteral("before"));
    f.p.clock.advance(35);
    f.log.line(QStringLiteral("::Lost"), true);
    QVERIFY(f.listeLog.isEmpty());
    QCOMPARE(f.fileLines(QStringLiteral("20240131")).size(), 9 + 2);
    QCOMPARE(f.listeIncidents.rows(),
             QStringList{QStringLiteral("31/01 09:05:03:077 : : :  35:Lost")});
    QCOMPARE(f.checkIncidents.value(), 1);
    // An incident number of 0 or more is an incident too; write not allowed keeps it buffered.
    f.log.TraceLog(-1, -1, QStringLiteral("numbered"), false, 0, false);
    QCOMPARE(f.listeIncidents.count(), 2);
    QCOMPARE(f.listeLog.count(), 1);
}

void TestDailyTraceLog::bannerOncePerRunAndDay() {
    TraceLogFixture f;
    f.p.state.PbBFrmSetupChargee = true;
    f.p.clock.setUptime((2LL * 24 * 3600 + 3 * 3600 + 4 * 60 + 5) * 1000);
    // A file of the day already exists: the first write of the run still has its banner.
    QDir().mkpath(f.logFolderNative());
    QFile old(f.fileNative(QStringLiteral("20240131")));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier run\r\n");
    old.close();

    f.log.line(QStringLiteral("first"), true);
    f.log.line(QStringLiteral("second"), true);
    QStringList lines = f.fileLines(QStringLiteral("20240131"));
    QCOMPARE(lines.size(), 1 + 9 + 2);
    QCOMPARE(lines.at(1), QStringLiteral("==:==:==:====:=:=:=:") + QString(43, QLatin1Char('=')));
    QCOMPARE(lines.at(2),
             QStringLiteral("==:==:==:====:=:=:=:System started since 2 D 3 H 4 Min 5 Sec"));
    QCOMPARE(lines.at(3), QStringLiteral("==:==:==:====:=:=:=:App.Version: 2024.0131.0905"));
    QCOMPARE(
        lines.at(4),
        QStringLiteral("==:==:==:====:=:=:=:App.ExeName: C:\\Mirevox\\Ondelia\\KZ3_Trelvo.exe"));
    QCOMPARE(lines.at(5), QStringLiteral("==:==:==:====:=:=:=:App.ProductName: Trelvo"));
    QCOMPARE(lines.at(6), QStringLiteral("==:==:==:====:=:=:=:Computer.Name: STUDIO1"));
    QCOMPARE(lines.at(7), QStringLiteral("==:==:==:====:=:=:=:ActiveTheme: WinXP"));
    QCOMPARE(lines.at(8),
             QStringLiteral(
                 "==:==:==:====:=:=:=:Operating System: Debian GNU/Linux 12, 64-bit  (build 6.1)"));
    QCOMPARE(lines.at(9), lines.at(1));

    // Across midnight: a new file, with its banner; the theme flag 0 reads classic.
    f.facts.theme = QStringLiteral("0");
    f.p.clock.setLocal(QDateTime(QDate(2024, 2, 1), QTime(0, 0, 1)));
    f.log.line(QStringLiteral("next day"), true);
    const QStringList next = f.fileLines(QStringLiteral("20240201"));
    QCOMPARE(next.size(), 9 + 1);
    QCOMPARE(next.at(6), QStringLiteral("==:==:==:====:=:=:=:ActiveTheme: WinClassic"));
    QCOMPARE(f.fileLines(QStringLiteral("20240131")).size(), 12);
}

void TestDailyTraceLog::purgeKeeps45Days() {
    TraceLogFixture f;
    f.p.state.PbBFrmSetupChargee = true;
    QDir().mkpath(f.logFolderNative());
    const QStringList names{"20240101.Log", "20231116.Log", "notes.Log",
                            "20231216.log", "20231217.Log", "20231116.txt"};
    for (const QString& name : names) {
        QFile file(f.logFolderNative() + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QStringList deleted;
    QStringList callers;
    f.log.setFileDeleter([&](const QString& path, const QString& caller) {
        deleted << path;
        callers << caller;
        return QFile::remove(f.paths.toNative(path));
    });
    f.log.line(QStringLiteral("x"), true);
    deleted.sort();
    QCOMPARE(deleted, (QStringList{"C:\\AudioLog\\Histo_KZ3_Trelvo\\20231116.Log",
                                   "C:\\AudioLog\\Histo_KZ3_Trelvo\\20231216.log"}));
    QCOMPARE(callers.value(0), QStringLiteral("Lib_Public:TraceLogForce"));
    // Once a day only.
    QFile again(f.logFolderNative() + QStringLiteral("/20230101.Log"));
    QVERIFY(again.open(QIODevice::WriteOnly));
    again.close();
    f.log.line(QStringLiteral("y"), true);
    QCOMPARE(deleted.size(), 2);
}

void TestDailyTraceLog::rebootWarnings_data() {
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("warnings");
    QTest::newRow("45 days") << 45 << 0;
    QTest::newRow("46 days") << 46 << 1;
    QTest::newRow("49 days") << 49 << 2;
}

void TestDailyTraceLog::rebootWarnings() {
    QFETCH(int, days);
    QFETCH(int, warnings);
    TraceLogFixture f;
    f.p.uptime.setTickCount64Disponible(true);
    f.p.clock.setUptime(quint64(days) * 24 * 3600 * 1000 + 5000);
    f.p.state.PbBFrmSetupChargee = true;
    f.log.line(QStringLiteral("first"), true);
    f.p.clock.setLocal(QDateTime(QDate(2024, 2, 1), QTime(0, 0, 1)));
    f.log.line(QStringLiteral("next day"), true);

    QStringList found;
    for (const QString& file : {QStringLiteral("20240131"), QStringLiteral("20240201")}) {
        for (const QString& line : f.fileLines(file)) {
            if (line.contains(QStringLiteral("Reboot needed"))) {
                found << line;
            }
        }
    }
    QCOMPARE(found.size(), warnings); // in the file, once in the run
    int incidentRows = 0;
    for (const QString& row : f.listeIncidents.rows()) {
        incidentRows += row.contains(QStringLiteral("Reboot needed")) ? 1 : 0;
    }
    QCOMPARE(incidentRows, warnings);
    QVERIFY(f.listeLog.isEmpty());
}

void TestDailyTraceLog::incidentListCap() {
    TraceLogFixture f;
    for (int i = 0; i < 1001; ++i) {
        f.listeIncidents.addItem(QStringLiteral("old"));
    }
    f.log.line(QStringLiteral("new one"), true);
    QCOMPARE(f.listeIncidents.count(), 1);
    QVERIFY(f.listeIncidents.at(0).endsWith(QStringLiteral("new one")));
}

void TestDailyTraceLog::failedWriteKeepsLines() {
    TraceLogFixture f;
    f.p.state.PbBFrmSetupChargee = true;
    // The log folder's place is taken by a file: nothing can be written there.
    QDir().mkpath(f.root.path() + QStringLiteral("/c/AudioLog"));
    QFile blocker(f.logFolderNative());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    f.log.line(QStringLiteral("kept 1"), true);
    QVERIFY(f.listeLog.count() >= 1);
    QVERIFY(
        f.listeIncidents.rows().join('\n').contains(QStringLiteral("Lib_Public:TraceLogForce")));

    QVERIFY(QFile::remove(f.logFolderNative()));
    f.p.clock.advance(DailyTraceLog::RetryDelayMs + 1);
    f.log.line(QStringLiteral("kept 2"), true);
    QVERIFY(f.listeLog.isEmpty());
    const QString all = f.fileLines(QStringLiteral("20240131")).join('\n');
    QVERIFY(all.contains(QStringLiteral("System started since")));
    QVERIFY(all.indexOf(QStringLiteral(":kept 1")) < all.indexOf(QStringLiteral(":kept 2")));
    QVERIFY(all.indexOf(QStringLiteral(":kept 1")) > 0);
}

// On the helper thread: every line reaches the file once and in order, lines logged
// while a batch is on its way go with the next one, and a failure comes back as
// before, with the lines kept.
void TestDailyTraceLog::backgroundWrites() {
    TraceLogFixture f;
    f.p.state.PbBFrmSetupChargee = true;
    f.texteLogNbMaxlignes.setText(QStringLiteral("7"));
    f.log.writeInBackground();
    for (int i = 0; i < 5000; ++i) {
        f.log.line(QStringLiteral("line ") + QString::number(i));
        if (i % 500 == 0) {
            QCoreApplication::processEvents(); // outcomes arrive from the event loop
        }
    }
    f.log.TraceLogForceNow(f.listeLog);
    QVERIFY(f.listeLog.isEmpty());
    const QStringList lines = f.fileLines(QStringLiteral("20240131"));
    QCOMPARE(lines.size(), 9 + 5000);
    for (int i = 0; i < 5000; ++i) {
        QVERIFY2(lines.at(9 + i).endsWith(QStringLiteral(":line ") + QString::number(i)),
                 qPrintable(lines.at(9 + i)));
    }

    QVERIFY(QFile::remove(f.fileNative(QStringLiteral("20240131"))));
    QVERIFY(QDir(f.logFolderNative()).removeRecursively());
    QFile blocker(f.logFolderNative());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    f.log.line(QStringLiteral("kept"), true);
    f.log.waitForWrites();
    QVERIFY(f.listeLog.rows().join('\n').contains(QStringLiteral(":kept")));
    QVERIFY(
        f.listeIncidents.rows().join('\n').contains(QStringLiteral("Lib_Public:TraceLogForce")));
}

// The lines of a batch on its way stay in the list until written; the next batch
// waits for as many new lines as the setting says, not for the first line logged
// meanwhile.
void TestDailyTraceLog::linesOnTheirWayDoNotCount() {
    TraceLogFixture f;
    f.p.state.PbBFrmSetupChargee = true;
    f.texteLogNbMaxlignes.setText(QStringLiteral("5"));
    f.log.writeInBackground();
    for (int i = 0; i < 5; ++i) {
        f.log.line(QStringLiteral("first ") + QString::number(i)); // the fifth hands a batch over
    }
    for (int i = 0; i < 3; ++i) {
        f.log.line(QStringLiteral("then ") + QString::number(i)); // while it is on its way
    }
    f.log.waitForWrites();
    f.log.waitForWrites();
    QCOMPARE(f.listeLog.count(), 3);
    QCOMPARE(f.fileLines(QStringLiteral("20240131")).size(), 9 + 5);
    f.log.line(QStringLiteral("then 3"));
    f.log.line(QStringLiteral("then 4"));
    f.log.TraceLogForceNow(f.listeLog);
    QCOMPARE(f.fileLines(QStringLiteral("20240131")).size(), 9 + 10);
}

void TestDailyTraceLog::waitingLinesAreBounded() {
    TraceLogFixture f;
    f.p.state.PbBFrmSetupChargee = true;
    QDir().mkpath(f.root.path() + QStringLiteral("/c/AudioLog"));
    QFile blocker(f.logFolderNative());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    f.texteLogNbMaxlignes.setText(QStringLiteral("1"));
    for (int i = 0; i < DailyTraceLog::MaxWaitingLines + 10; ++i) {
        f.log.line(QStringLiteral("line ") + QString::number(i));
        if (i % 5000 == 0) {
            f.p.clock.advance(DailyTraceLog::RetryDelayMs + 1); // let a retry fail now and then
        }
    }
    QVERIFY(f.listeLog.count() <= DailyTraceLog::MaxWaitingLines);
    QVERIFY(f.listeLog.rows().join('\n').contains(
        QStringLiteral("lines dropped: the log file could not be written")));
}

void TestDailyTraceLog::uptimeText_data() {
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("under an hour") << qint64(245000) << "4 Min 5 Sec";
    QTest::newRow("hours") << qint64((3 * 3600 + 4 * 60 + 5) * 1000LL) << "3 H 4 Min 5 Sec";
    QTest::newRow("days") << qint64((2 * 86400 + 3 * 3600 + 4 * 60 + 5) * 1000LL)
                          << "2 D 3 H 4 Min 5 Sec";
    QTest::newRow("half second to even") << qint64(2500) << "0 Min 2 Sec";
    QTest::newRow("zero") << qint64(0) << "0 Min 0 Sec";
}

void TestDailyTraceLog::uptimeText() {
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(DailyTraceLog::uptimeText(ms), text);
}

QTEST_GUILESS_MAIN(TestDailyTraceLog)
#include "tst_dailytracelog.moc"
