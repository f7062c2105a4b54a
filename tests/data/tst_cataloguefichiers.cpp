#include "data/CatalogueFichiers.h"
#include "data/ErreursBTrieve.h"
#include "platform/BtrieveFileControlRecord.h"
#include "platform/BtrieveFileLayout.h"

#include <QtTest>

namespace {

BtrieveFileLayout specOf(const DescripteurFichierBTR& d) {
    BtrieveFileLayout s;
    s.recordLength = quint16(d.LongueurEnregistrement);
    s.pageSize = quint16(d.TaillePage);
    s.keyCount = quint16(d.NombreCles);
    for (size_t i = 0; i < d.Segments.size(); ++i) {
        s.segments[i] = {quint16(d.Segments[i].Position), quint16(d.Segments[i].Longueur),
                         quint16(d.Segments[i].Flags), 0, 0};
    }
    return s;
}

QString segmentsText(const DescripteurFichierBTR& d) {
    QStringList out;
    for (const SegmentCleBTR& s : d.Segments) {
        if (s.Longueur != 0) {
            out << QStringLiteral("%1/%2/%3").arg(s.Position).arg(s.Longueur).arg(s.Flags);
        }
    }
    return out.join(QStringLiteral(", "));
}

} // namespace

class TestCatalogueFichiers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void definedAndEmptyEntries() {
        CatalogueFichiers c;
        QVERIFY(!c[20].defini());
        c.InitGeneralData();
        QStringList vides;
        QStringList parStation;
        int definies = 0;
        for (int f = 0; f < CatalogueFichiers::NbFichiers; ++f) {
            const DescripteurFichierBTR& d = c[f];
            if (!d.defini()) {
                vides << QString::number(f);
                QCOMPARE(d.LongueurEnregistrement, 0);
                continue;
            }
            ++definies;
            QCOMPARE(d.Nom, QStringLiteral("FRAD%1 ").arg(f, 3, 10, QLatin1Char('0')));
            QCOMPARE(d.Marque, f == 47 ? QLatin1Char('O') : QLatin1Char('N'));
            if (d.ParStation == QLatin1Char('O')) {
                parStation << QString::number(f);
            }
        }
        QCOMPARE(definies, 47);
        QCOMPARE(vides.join(','), QStringLiteral("8,37,38,39,50,51,52,54,55,56,57,58,59,60,61,"
                                                 "62,63,64,65,66,67,68,69,70"));
        QCOMPARE(parStation.join(','),
                 QStringLiteral("5,6,7,10,17,18,20,21,22,23,24,25,26,27,28,29,30,31,32,33,34,35,"
                                "40,43,44,45,47,48,49,53"));
        QCOMPARE(c[22].Libelle, QStringLiteral("Morceaux"));
        QCOMPARE(c[53].Libelle, QStringLiteral("V.2017 Player: Conducteur musical théorique"));
        QVERIFY(!c[-1].defini());
        QVERIFY(!c[71].defini());
    }

    void structures_data() {
        QTest::addColumn<int>("file");
        QTest::addColumn<QString>("structure");
        QTest::newRow("20") << 20 << "300 1024 4: 1/5/2, 6/10/3, 16/20/1027, 46/1/19, 16/20/3";
        QTest::newRow("21") << 21 << "980 1024 2: 1/10/2, 1/5/1043, 11/10/1027";
        QTest::newRow("22") << 22 << "900 2048 6: 1/8/2, 9/5/3, 19/5/3, 64/5/3, 69/5/3, 24/20/1027";
        QTest::newRow("24") << 24 << "100 512 3: 1/8/3, 9/11/3, 9/5/19, 51/20/1027";
        QTest::newRow("26") << 26 << "150 512 4: 1/8/3, 9/19/3, 28/14/3, 42/39/1027";
        QTest::newRow("31") << 31 << "50 512 1: 1/11/2";
        QTest::newRow("32") << 32 << "250 1024 1: 1/10/2";
        QTest::newRow("41") << 41 << "900 2048 3: 1/10/2, 11/50/1027, 61/14/1027";
        QTest::newRow("42") << 42 << "900 2048 1: 1/20/2";
        QTest::newRow("53") << 53 << "500 1024 2: 1/16/2, 17/8/3";
        QTest::newRow("7") << 7 << "100 512 4: 1/21/2, 9/13/3, 26/10/19, 9/13/3, 36/21/3";
        QTest::newRow("47") << 47 << "4082 4096 1: 1/11/2";
    }
    void structures() {
        QFETCH(int, file);
        QFETCH(QString, structure);
        CatalogueFichiers c;
        c.InitGeneralData();
        const DescripteurFichierBTR& d = c[file];
        QCOMPARE(QStringLiteral("%1 %2 %3: ")
                         .arg(d.LongueurEnregistrement)
                         .arg(d.TaillePage)
                         .arg(d.NombreCles) +
                     segmentsText(d),
                 structure);
    }

    // Every defined entry keeps to the table's bounds and is a structure the engine
    // creates: a missing file of any number could be created from it.
    void everyStructureCanBeCreated() {
        CatalogueFichiers c;
        c.InitGeneralData();
        for (int f = 0; f < CatalogueFichiers::NbFichiers; ++f) {
            const DescripteurFichierBTR& d = c[f];
            if (!d.defini()) {
                continue;
            }
            QVERIFY2(d.LongueurEnregistrement >= 50 && d.LongueurEnregistrement <= 4082,
                     qPrintable(d.Nom));
            QVERIFY(QList<int>({512, 1024, 1536, 2048, 4096}).contains(d.TaillePage));
            QVERIFY(d.NombreCles >= 1 && d.NombreCles <= 7);
            const BtrieveFileLayout layout = specOf(d);
            QCOMPARE(layout.keys().size(), d.NombreCles);
            QCOMPARE(int(layout.validate()), 0);
            QByteArray content;
            QCOMPARE(int(BtrieveFileControlRecord::emptyFile(layout, content)), 0);
            QCOMPARE(int(BtrieveFileControlRecord::read(content)), 0);
        }
    }

    void statusTexts_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        const QString p = QStringLiteral("C:\\KZ_Data\\FRADA20.bt6");
        QTest::newRow("1") << 1 << "Err: 1: The operation parameter is invalid";
        QTest::newRow("2") << 2 << "Err: 2: The application encountered an I/O error";
        QTest::newRow("3") << 3 << "Err: 3: The file is not open";
        QTest::newRow("4") << 4 << "Err: 4: The application cannot find the key value";
        QTest::newRow("5") << 5
                           << "Err: 5: The record has a key field containing a duplicate key value";
        QTest::newRow("6") << 6 << "Err: 6: The key number parameter is invalid";
        QTest::newRow("7") << 7 << "Err: 7: The key number has changed";
        QTest::newRow("8") << 8 << "Err: 8: The current positioning is invalid";
        QTest::newRow("11") << 11 << "Err: 11: The specified filename is invalid (" + p + ")";
        QTest::newRow("12") << 12
                            << "Err: 12: The MicroKernel cannot find the specified file (" + p +
                                   ")";
        QTest::newRow("18") << 18 << "Err: 18: The disk is full";
        QTest::newRow("19") << 19 << "Err: 19: The application encountered an unrecoverable error";
        QTest::newRow("30") << 30 << "Err: 30: The file specified is not a MicroKernel file";
        QTest::newRow("46") << 46
                            << "Err: 46: Access to the requested file is denied (File locked ?)";
        QTest::newRow("161")
            << 161 << "Err: 161: The maximum number of user count licenses has been reached";
        QTest::newRow("2007") << 2007 << "Err: 2007: A pointer parameter is invalid";
        QTest::newRow("3102") << 3102 << "Err: 3102";
        QTest::newRow("3103") << 3103 << "Err: 3103: Network error";
        QTest::newRow("3132") << 3132 << "Err: 3132: Network error";
        QTest::newRow("3133") << 3133 << "Err: 3133";
        QTest::newRow("other") << 80 << "Err: 80";
    }
    void statusTexts() {
        QFETCH(int, status);
        QFETCH(QString, text);
        QCOMPARE(ErreurBTrieveLibelle(qint16(status), QStringLiteral("C:\\KZ_Data\\FRADA20.bt6")),
                 text + QLatin1Char('\n'));
    }
};

QTEST_GUILESS_MAIN(TestCatalogueFichiers)
#include "tst_cataloguefichiers.moc"
