#include "FakeBtrieveEngine.h"
#include "FakeInstanceLock.h"
#include "LockHolder.h"
#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "platform/BtrieveFileControlRecord.h"
#include "shell/Shutdown.h"
#include "shell/Startup.h"

#include <QDir>
#include <QtTest>

namespace {

const QString Data = QStringLiteral("C:\\KZ_Data\\");

// The program on a temporary root, its data folder C:\KZ_Data\ holding what each
// test writes; the engine is the real one on those files, or a scripted one.
struct DataFixture {
    ScriptedDialogs dialogs;
    FakeBtrieveEngine fake;
    ProgramFixture f;
    Program& p = f.program;

    explicit DataFixture(int stations, bool scripted = false, bool headless = false)
        : f(nullptr, headless ? nullptr : &dialogs, scripted ? &fake : nullptr) {
        QDir().mkpath(native(QString()));
        p.state.PbSFormatDate = QStringLiteral("dd/MM/yyyy");
        p.state.PbSFormatHeure = QStringLiteral("HH:MM:SS");
        p.state.PbTParametresSite.Base[0].NbStation = qint16(stations);
        p.catalogue.InitGeneralData();
    }
    QString native(const QString& name) const { return p.paths.toNative(Data + name); }
    void write(const QString& name, const QByteArray& content) const {
        QFile file(native(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    // A valid empty file of the catalogue's structure.
    void writeDataFile(const QString& name, int fileNumber) {
        p.dataFiles.InitStructureFichierBTR(qint16(fileNumber), true);
        BtrieveFileLayout layout;
        BtrieveFileLayout::decode(
            std::span<const char>(p.tablesBTR.SpecCreationBTR.constData(), 160), layout);
        QByteArray content;
        QCOMPARE(int(BtrieveFileControlRecord::emptyFile(layout, content)), 0);
        write(name, content);
    }
    bool open() { return p.dataFiles.PervasiveOuvertureFichiers(0, 1, stations()); }
    qint16 stations() const { return p.state.PbTParametresSite.Base[0].NbStation; }
    bool isOpen(int file, int station) const {
        return p.tablesBTR.FichiersOuverts[TablesFichiersBTR::indice(file, station)];
    }
    QString log() const {
        return (p.frmMainBis.ListeLogTemp.rows() + p.frmSetup.ListeLog.rows()).join('\n');
    }
};

} // namespace

class TestFichiersPervasive : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void names_data() {
        QTest::addColumn<int>("file");
        QTest::addColumn<int>("station");
        QTest::addColumn<QString>("name");
        QTest::newRow("20, station 1") << 20 << 0 << "FRADA20.bt6";
        QTest::newRow("20, station 4") << 20 << 3 << "FRADD20.bt6";
        QTest::newRow("20, station 20") << 20 << 19 << "FRADT20.bt6";
        QTest::newRow("41, any station") << 41 << 5 << "FRAD041.bt6";
        QTest::newRow("53") << 53 << 1 << "FRADB53.bt6";
    }
    void names() {
        QFETCH(int, file);
        QFETCH(int, station);
        QFETCH(QString, name);
        DataFixture d(1, true);
        QCOMPARE(d.p.dataFiles.NomFichierBTR(qint16(file), qint16(station)), name);
    }

    void layoutOfFile41ByteForByte() {
        DataFixture d(1, true);
        d.p.dataFiles.InitStructureFichierBTR(41, true);
        QByteArray expected(160, '\0');
        auto put = [&expected](int at, int v) {
            expected[at] = char(v & 0xFF);
            expected[at + 1] = char(v >> 8);
        };
        put(0, 900);
        put(2, 2048);
        put(4, 3);
        put(10, 8); // compressed
        const int segments[3][3] = {{1, 10, 2}, {11, 50, 1027}, {61, 14, 1027}};
        for (int i = 0; i < 3; ++i) {
            put(16 + 16 * i, segments[i][0]);
            put(18 + 16 * i, segments[i][1]);
            put(20 + 16 * i, segments[i][2]);
        }
        QCOMPARE(d.p.tablesBTR.SpecCreationBTR.toHex(), expected.toHex());
        d.p.dataFiles.InitStructureFichierBTR(41, false);
        QCOMPARE(int(d.p.tablesBTR.SpecCreationBTR[10]), 0);
    }

    void threeStationsOpenTheirFiles() {
        DataFixture d(3);
        for (const char* name : {"FRADA20.bt6", "FRADB20.bt6", "FRADC20.bt6"}) {
            d.writeDataFile(QLatin1String(name), 20);
        }
        QVERIFY(d.open());
        for (int s = 1; s <= 3; ++s) {
            QVERIFY(d.isOpen(20, s));
            QVERIFY(!d.isOpen(21, s)); // missing and not creatable: skipped
        }
        QCOMPARE(d.p.tablesBTR.CheminsFichiersBTR[TablesFichiersBTR::indice(20, 3)],
                 Data + "FRADC20.bt6");
        // 20 for each station, and the created 41 and 42 for each station.
        QCOMPARE(d.p.fileEngine.openFiles(), 9);
        QVERIFY(d.dialogs.questions.isEmpty());
        QVERIFY(d.log().contains("Pervasive files opened"));
    }

    void file41OpensOncePerStation() {
        DataFixture d(2);
        QVERIFY(d.open());
        QVERIFY(d.isOpen(41, 1) && d.isOpen(41, 2));
        const auto& blocks = d.p.tablesBTR.BlocsPosition;
        const quint32 first = FileBtrieveEngine::handleOf(blocks[TablesFichiersBTR::indice(41, 1)]);
        const quint32 second =
            FileBtrieveEngine::handleOf(blocks[TablesFichiersBTR::indice(41, 2)]);
        QVERIFY(first != 0 && second != 0 && first != second);
        QCOMPARE(d.log().count("File: " + Data + "FRAD041.bt6 not found |Create empty structure"),
                 1);
        QCOMPARE(d.p.tablesBTR.ListeFichiersOuverts.count(Data + "FRAD041.bt6::"), 2);
    }

    void missingFile41IsCreated() {
        DataFixture d(1);
        QVERIFY(d.open());
        QVERIFY(
            d.log().contains("File: " + Data + "FRAD041.bt6 not found |Create empty structure"));
        QFile file(d.native("FRAD041.bt6"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        BtrieveFileHeader h;
        QCOMPARE(int(BtrieveFileControlRecord::read(file.readAll(), &h)), 0);
        QCOMPARE(h.recordLength, quint16(900));
        QCOMPARE(h.pageSize, quint16(2048));
        QCOMPARE(h.keyCount, quint16(3));
        QCOMPARE(h.segments, (QList<BtrieveKeySegment>{
                                 {1, 10, 2, 0, 0}, {11, 50, 1027, 0, 0}, {61, 14, 1027, 0, 0}}));
        QVERIFY(d.isOpen(41, 1));
        QCOMPARE(d.p.tablesBTR.LongueursEnregistrement[41], qint16(900));
    }

    void absentFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("file");
        QTest::addColumn<bool>("empty"); // present with 0 bytes, else missing
        QTest::addColumn<bool>("created");
        QTest::newRow("FRADA22 missing") << "FRADA22.bt6" << 22 << false << false;
        QTest::newRow("FRADA20 empty") << "FRADA20.bt6" << 20 << true << false;
        QTest::newRow("FRAD042 empty") << "FRAD042.bt6" << 42 << true << true;
    }
    void absentFiles() {
        QFETCH(QString, name);
        QFETCH(int, file);
        QFETCH(bool, empty);
        QFETCH(bool, created);
        DataFixture d(1);
        if (empty) {
            d.write(name, QByteArray());
        }
        QVERIFY(d.open());
        QCOMPARE(d.log().contains("File: " + Data + name + " not found"), created);
        QCOMPARE(QFileInfo(d.native(name)).size() > 0, created);
        QCOMPARE(d.isOpen(file, 1), created);
        QVERIFY(d.dialogs.questions.isEmpty());
    }

    // Another program holds FRADA20.bt6 exclusively: status 46, the summary, the
    // box; Abort ends at once (nothing more is opened or created).
    void lockedFileAndAbort() {
        DataFixture d(1);
        d.writeDataFile("FRADA20.bt6", 20);
        LockHolder holder(d.native("FRADA20.bt6"), true);
        QVERIFY(holder.locked());
        d.dialogs.answers = {DialogsHost::Answer::Abort};
        QVERIFY(!d.open());
        QVERIFY(d.p.dataFiles.finDemandee());
        QCOMPARE(d.p.tablesBTR.StatutBTR, qint16(46));
        QCOMPARE(d.p.tablesBTR.HistoriqueErreursBTR[0],
                 "S:00046 File:20 Station:1 OP:00 K:00 [" + Data + "FRADA20.bt6]");
        QCOMPARE(d.dialogs.questions.size(), 1);
        const ScriptedDialogs::Question& q = d.dialogs.questions.first();
        QCOMPARE(q.title, d.p.frmMain.Caption.text());
        QCOMPARE(q.buttons, DialogsHost::Buttons::AbortRetryIgnore);
        QCOMPARE(q.icon, DialogsHost::Icon::Critical);
        QVERIFY(q.text.startsWith("Fichier: Artistes  (KZ3_Trelvo)  ("));
        QVERIFY(q.text.contains(
            "\nErr: 46: Access to the requested file is denied (File locked ?)\n\n"));
        QVERIFY(!q.text.contains("restauration"));
        QVERIFY(!QFile::exists(d.native("FRAD041.bt6")));
        QVERIFY(!d.log().contains("Pervasive files opened"));
        QVERIFY(d.log().contains("Application closed: Pervasive error 46 (Abort)"));
    }

    // Ignore goes on; the next failure's message lists the earlier one.
    void historyOfFailures() {
        DataFixture d(2, true);
        d.write("FRADA20.bt6", "x");
        d.write("FRADB20.bt6", "x");
        d.fake.openStatuses = {{"FRADA20.bt6", 46}, {"FRADB20.bt6", 30}};
        d.dialogs.answers = {DialogsHost::Answer::Ignore, DialogsHost::Answer::Retry};
        QVERIFY(d.open());
        QCOMPARE(d.dialogs.questions.size(), 2);
        const QString second = d.dialogs.questions.at(1).text;
        QVERIFY(second.contains("Err: 30: The file specified is not a MicroKernel file\n"));
        QVERIFY(
            second.contains(" 1>S:00046 File:20 Station:1 OP:00 K:00 [" + Data + "FRADA20.bt6]\n"));
        QVERIFY(second.endsWith("\nFaîtes une restauration de ce fichier\n"));
        QCOMPARE(d.p.tablesBTR.HistoriqueErreursBTR[0],
                 "S:00030 File:20 Station:2 OP:00 K:00 [" + Data + "FRADB20.bt6]");
        QVERIFY(d.log().contains("Pervasive files opened"));
    }

    void injectedStatuses_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<quint64>("uptime");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("advice");
        QTest::addColumn<bool>("history");
        QTest::addColumn<bool>("framed");
        QTest::addColumn<bool>("ends"); // whatever the answer (Ignore)
        QTest::newRow("2: restore")
            << 2 << quint64(1000000) << true << true << true << false << false;
        QTest::newRow("19: restore")
            << 19 << quint64(1000000) << true << true << true << false << false;
        QTest::newRow("80: silent")
            << 80 << quint64(1000000) << false << false << true << false << false;
        QTest::newRow("161: no history")
            << 161 << quint64(1000000) << true << false << false << false << false;
        QTest::newRow("network, early")
            << 3110 << quint64(200000) << true << false << true << true << false;
        QTest::newRow("network, late")
            << 3110 << quint64(400000) << true << false << true << false << true;
    }
    void injectedStatuses() {
        QFETCH(int, status);
        QFETCH(quint64, uptime);
        QFETCH(bool, asked);
        QFETCH(bool, advice);
        QFETCH(bool, history);
        QFETCH(bool, framed);
        QFETCH(bool, ends);
        DataFixture d(1, true);
        d.f.clock.setUptime(uptime);
        d.write("FRADA20.bt6", "x");
        d.fake.openStatuses = {{"FRADA20.bt6", qint16(status)}};
        d.p.tablesBTR.HistoriqueErreursBTR[0] = "File:99 earlier";
        QCOMPARE(d.open(), !ends);
        QCOMPARE(d.dialogs.questions.size(), asked ? 1 : 0);
        QCOMPARE(d.p.tablesBTR.HistoriqueErreursBTR[0].startsWith("S:"), status != 161);
        if (asked) {
            const QString text = d.dialogs.questions.first().text;
            QVERIFY(text.contains(ErreurBTrieveLibelle(qint16(status), Data + "FRADA20.bt6")));
            QCOMPARE(text.contains("Faîtes une restauration de ce fichier"), advice);
            QCOMPARE(text.contains(" 1>File:99 earlier\n"), history);
        }
        QCOMPARE(d.log().contains("Err: Network Pervasive errors: 3110"), framed);
        QCOMPARE(d.isOpen(20, 1), false);
        QCOMPARE(d.isOpen(21, 1), false);
    }

    // Without windows the box is written to the trace log and answered Ignore.
    void headlessAnswersIgnore() {
        DataFixture d(1, true, true);
        d.write("FRADA20.bt6", "x");
        d.fake.openStatuses = {{"FRADA20.bt6", 46}};
        QVERIFY(d.open());
        QVERIFY(d.log().contains("Dialog: Ondelia: Trelvo: Fichier: Artistes  (KZ3_Trelvo)"));
        QVERIFY(d.log().contains(
            QRegularExpression(R"(File locked \?\) +\|Answer \(headless\): Ignore)")));
    }

    void closeInReverseOrder() {
        DataFixture d(2, true);
        for (const qint16 file : FichiersPervasive::FichiersDuProgramme) {
            for (qint16 s = 0; s < 2; ++s) {
                d.write(d.p.dataFiles.NomFichierBTR(file, s), "x");
            }
        }
        QVERIFY(d.open());
        d.fake.calls.clear();
        d.p.dataFiles.PervasiveFermetureFichiers(0, 1, TablesFichiersBTR::NbStations);
        QStringList expected;
        for (auto it = FichiersPervasive::FichiersDuProgramme.rbegin();
             it != FichiersPervasive::FichiersDuProgramme.rend(); ++it) {
            expected << Data + d.p.dataFiles.NomFichierBTR(*it, 0)
                     << Data + d.p.dataFiles.NomFichierBTR(*it, 1);
        }
        QCOMPARE(d.fake.paths(BtrieveEngine::OpStop), expected);
        QCOMPARE(d.fake.calls.size(), expected.size());
        QVERIFY(d.log().contains("Pervasive files closed"));
        // Nothing is open any more: closing again calls nothing.
        d.fake.calls.clear();
        d.p.dataFiles.PervasiveFermetureFichiers(0, 1, TablesFichiersBTR::NbStations);
        QVERIFY(d.fake.calls.isEmpty());
    }

    void failedCloseStaysOpen() {
        DataFixture d(1, true);
        d.write("FRADA53.bt6", "x");
        QVERIFY(d.open());
        d.fake.stopStatus = 3;
        d.p.dataFiles.FichierPervasiveFermer(0, 1, 1, 53);
        QVERIFY(d.isOpen(53, 1));
        QVERIFY(d.log().contains("Unable to close: " + Data + "FRADA53.bt6"));
        QCOMPARE(d.dialogs.questions.size(), 1);
        QVERIFY(d.dialogs.questions.first().text.contains("Err: 3: The file is not open"));
    }

    // Opening again closes what is still open first.
    void reopeningClosesFirst() {
        DataFixture d(1, true);
        d.write("FRADA20.bt6", "x");
        QVERIFY(d.open());
        d.fake.calls.clear();
        QVERIFY(d.open());
        QCOMPARE(d.fake.calls.first().operation, BtrieveEngine::OpStop);
        QVERIFY(d.isOpen(20, 1));
    }

    // The whole program: the start opens the files, the stop closes them all.
    void startAndStop() {
        DataFixture d(1);
        d.writeDataFile("FRADA20.bt6", 20);
        d.writeDataFile("FRAD000.bt6", 0); // the site's check of the data folder
        FakeInstanceLock lock;
        Startup startup(d.p, lock);
        QCOMPARE(startup.run(QString()), Startup::Outcome::Running);
        QVERIFY(d.isOpen(20, 1));
        QVERIFY(d.p.fileEngine.openFiles() > 0);
        Shutdown(d.p).Form_Unload();
        QCOMPARE(d.p.fileEngine.openFiles(), 0);
        // The closing's lines reach the log file, after the opening's.
        d.p.trace.waitForWrites();
        const QString log =
            d.f.readNative("C:\\AudioLog\\Histo_KZ3_Trelvo\\" + d.p.trace.todayFileName() + ".Log");
        const qsizetype opened = log.indexOf("Pervasive files opened");
        QVERIFY(opened >= 0);
        QVERIFY(log.indexOf("Pervasive files closed") > opened);
    }

    void abortAtStartEndsTheProgram() {
        DataFixture d(1, true);
        d.write("FRADA20.bt6", "x");
        d.fake.openStatuses = {{"FRADA20.bt6", 46}};
        d.write("FRAD000.bt6", "x");
        d.dialogs.answers = {DialogsHost::Answer::Abort};
        FakeInstanceLock lock;
        Startup startup(d.p, lock);
        QCOMPARE(startup.run(QString()), Startup::Outcome::Aborted);
        QVERIFY(!d.p.state.PbBFrmMainAffichee);
        QVERIFY(!d.log().contains("FrmMain: Init General: End"));
    }
};

QTEST_GUILESS_MAIN(TestFichiersPervasive)
#include "tst_fichierspervasive.moc"
