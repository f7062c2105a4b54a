#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "config/SiteConfiguration.h"

#include <QtTest>

namespace {

using Answer = DialogsHost::Answer;

const QString ConfigIni = QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Config.ini");
const QString SystemIni = QStringLiteral("C:\\Mirevox\\Ondelia\\Config\\KZ3_Systeme.ini");
const QString Caption = QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - studio1");

struct SiteFixture {
    ProgramFixture f;
    Program& p = f.program;
    ScriptedDialogs dialogs;
    SiteConfiguration site{p.state,      p.ini,      p.files,      p.folders,
                           p.systemInfo, p.registry, p.appVersion, dialogs,
                           p.frmMain,    p.trace,    p.errors,     p.platform.events};
    const BaseParameters& base0 = p.state.PbTParametresSite.Base[0];

    SiteFixture() {
        for (const char* drive : {"/d", "/e"}) {
            QDir().mkpath(p.paths.root() + QLatin1String(drive));
        }
        p.frmMain.Caption.setText(Caption);
    }
    // The start-up order of the site's operations.
    bool start() {
        site.NomDossierSettings();
        qint16 all = -1;
        site.InitGeneralPath(all);
        return site.InitGeneralSite();
    }
    struct Entry {
        const char* section;
        const char* key;
        const char* value;
    };
    void writeAll(const QString& file, std::initializer_list<Entry> entries) {
        for (const Entry& e : entries) {
            QVERIFY(p.ini.EcritureIni(file, QLatin1String(e.section), QLatin1String(e.key),
                                      QLatin1String(e.value)));
        }
    }
    QString read(const QString& file, const QString& section, const QString& key) {
        return p.ini.LectureIni(file, section, key, QStringLiteral("<none>"));
    }
    void expectAll(const QString& file, std::initializer_list<Entry> entries) {
        for (const Entry& e : entries) {
            QCOMPARE(read(file, QLatin1String(e.section), QLatin1String(e.key)),
                     QLatin1String(e.value));
        }
    }
    void createFile(const QString& windowsPath) { // not empty: an empty file counts as absent
        const QString native = p.paths.toNative(windowsPath);
        QDir().mkpath(QFileInfo(native).path());
        QFile file(native);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    }
    bool exists(const QString& windowsPath) {
        return QFileInfo::exists(p.paths.toNative(windowsPath));
    }
    bool logged(const QString& message) const {
        for (const QString& row : p.frmMainBis.ListeLogTemp.rows() + p.frmSetup.ListeLog.rows()) {
            if (row.endsWith(message)) {
                return true;
            }
        }
        return false;
    }
};

} // namespace

class TestSiteConfiguration : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultsOnFreshRoot() {
        SiteFixture s;
        QVERIFY(s.start());
        QCOMPARE(s.p.state.PbLVersionWindows, 10);
        QVERIFY(!s.exists(ConfigIni)); // a current system never creates it
        const BaseParameters& b = s.base0;
        QCOMPARE(QStringList({s.p.state.PbSDossierConfig[0], b.Lib, b.Dossier_Log, b.Dossier_Histo,
                              b.Dossier_Data, b.Stations[0].Lib, b.DossiersSons[9][7]}),
                 QStringList({"C:\\Mirevox\\Ondelia\\Config\\", "Base 1", "C:\\AudioLog\\",
                              "C:\\AudioLog\\Histo_KZ3_Trelvo\\", "C:\\KZ_Data\\", "Station 1",
                              "C:\\KZ_Sons\\Autre\\"}));
        for (const QString& folder :
             {s.p.state.PbSDossierSettingsHisto, s.p.state.PbSDossierConfig[0],
              s.p.state.PbTParametresSite.DossierSettingsLocal, b.Dossier_Histo, b.Dossier_Data,
              b.Dossier_Backup, b.DossiersSons[0][0], b.DossiersSons[0][1]}) {
            QVERIFY2(QFileInfo(s.p.paths.toNative(folder)).isDir(), qPrintable(folder));
        }
        // No data file: asked once, and the headless answer goes on without data.
        QCOMPARE(s.dialogs.questions.size(), 1);
        const ScriptedDialogs::Question& q = s.dialogs.questions.at(0);
        QCOMPARE(q.title, Caption);
        QCOMPARE(q.text, QStringLiteral("Impossible de trouver la base de données pour la base: "
                                        "Base 1\r\n\r\nFichier 'C:\\KZ_Data\\FRAD000.bt6' non "
                                        "trouvé\r\n\r\nVoulez-vous rechercher manuellement la "
                                        "localisation de la base de données Ondelia ?"));
        QVERIFY(q.buttons == DialogsHost::Buttons::YesNoCancel &&
                q.icon == DialogsHost::Icon::Question && q.safeAnswer == Answer::No);
        QVERIFY(s.logged(QStringLiteral("Data_Folder: C:\\KZ_Data\\")));
        QVERIFY(s.logged(QStringLiteral("Dossier_Redist: ")));
        QCOMPARE(s.site.DetermineDossierConfig_Fichier(ConfigIni, 2),
                 s.p.state.PbSDossierConfig[0]);
        QVERIFY(
            s.logged(QStringLiteral("Dossier_Config_Global: C:\\Mirevox\\Ondelia\\Config\\ /B")));
    }

    void baseChoice_data() {
        QTest::addColumn<QList<int>>("choices");
        QTest::addColumn<QString>("noBase");
        QTest::addColumn<QStringList>("expected"); // NoBase afterwards, Lib, Dossier_Data
        QTest::newRow("own section")
            << QList<int>{3} << "1" << QStringList{"4", "Radio D", "C:\\Data4\\"};
        QTest::newRow("first section")
            << QList<int>{2} << "1" << QStringList{"3", "Radio C", "C:\\Data3\\"};
        QTest::newRow("headless: last")
            << QList<int>{} << "2" << QStringList{"2", "Base 2", "C:\\KZ_Data\\"};
        QTest::newRow("headless: unknown")
            << QList<int>{} << "9" << QStringList{"1", "Radio A", "C:\\Data1\\"};
        QTest::newRow("given up") << QList<int>{-1} << "2" << QStringList{"2"};
    }
    void baseChoice() {
        QFETCH(QList<int>, choices);
        QFETCH(QString, noBase);
        QFETCH(QStringList, expected);
        const QString chosen = expected.at(0);
        SiteFixture s;
        s.writeAll(ConfigIni, {{"Site", "NbBase", "4"},
                               {"Site", "Dossier_Config_Global", "C:\\Cfg3\\"},
                               {"Base_01", "Dossier_Config_Global", "C:\\Cfg1"},
                               {"Base_02", "Dossier_Config_Global", "C:\\Cfg2"},
                               {"Base_03", "Dossier_Config_Global", "C:\\Cfg3"},
                               {"Base_04", "Dossier_Config_Global", "C:\\Cfg4"}});
        QVERIFY(s.p.ini.EcritureIni(ConfigIni, "Site", "NoBase", noBase));
        // Base 2 has no system file; base 3 describes itself in its first section.
        s.writeAll("C:\\Cfg1\\KZ3_Systeme.ini",
                   {{"Base_01", "Lib", "Radio A"}, {"Base_01", "Dossier_Data", "C:\\Data1"}});
        s.writeAll("C:\\Cfg3\\KZ3_Systeme.ini",
                   {{"Base_01", "Lib", "Radio C"}, {"Base_01", "Dossier_Data", "C:\\Data3"}});
        s.writeAll("C:\\Cfg4\\KZ3_Systeme.ini",
                   {{"Base_04", "Lib", "Radio D"}, {"Base_04", "Dossier_Data", "C:\\Data4"}});
        s.dialogs.choices = choices;
        QCOMPARE(s.site.DetermineDossierConfig_Bases_Dossier(ConfigIni, 2, false), "C:\\Cfg3\\");
        QCOMPARE(s.site.DetermineDossierConfig_Bases_Dossier(ConfigIni, 2, true), "C:\\Cfg2\\");

        const bool ok = choices != QList<int>{-1};
        QCOMPARE(s.start(), ok);
        QCOMPARE(s.dialogs.choiceLists,
                 (QList<QStringList>{{"Radio A", "Base 2", "Radio C", "Radio D"}}));
        QCOMPARE(s.dialogs.preselections, QList<int>{2});
        QCOMPARE(s.read(ConfigIni, "Site", "NoBase"), chosen);
        QCOMPARE(s.p.state.BaseChoisie, qint16(ok ? 0 : -1));
        if (!ok) {
            QVERIFY(s.dialogs.questions.isEmpty()); // ends before any base is read
            return;
        }
        const QString folder = QStringLiteral("C:\\Cfg%1\\").arg(chosen);
        QCOMPARE(s.read(ConfigIni, "Site", "Dossier_Config_Global"), folder);
        QCOMPARE(s.p.state.PbSDossierConfig[0], folder);
        QCOMPARE(s.p.state.PbTParametresSite.NbBase, qint16(1));
        QCOMPARE(QStringList({chosen, s.base0.Lib, s.base0.Dossier_Data}), expected);
    }

    void baseCount_data() {
        QTest::addColumn<QString>("nbBase");
        QTest::addColumn<int>("offered");
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("not a number") << "abc" << 0;
        QTest::newRow("beyond the record") << "12" << 5;
    }
    void baseCount() {
        QFETCH(QString, nbBase);
        QFETCH(int, offered);
        SiteFixture s;
        QVERIFY(s.p.ini.EcritureIni(ConfigIni, "Site", "NbBase", nbBase));
        QCOMPARE(int(s.site.DetermineDossierConfig_Bases_Nombre(ConfigIni)), qMax(1, offered));
        QVERIFY(s.start());
        QCOMPARE(s.dialogs.choiceLists.value(0).size(), offered);
        QCOMPARE(s.p.state.PbTParametresSite.NbBase, qint16(1));
        QCOMPARE(s.site.DetermineFichierSysteme(7, false), QString()); // no such base
    }

    void siteRecord() {
        SiteFixture s;
        s.writeAll(SystemIni, {{"Base_01", "Actif", "1"},
                               {"Base_01", "NbStation", "25"},
                               {"Base_01", "Dossier_Log", "D:\\Logs"},
                               {"Base_01", "Dossier_Redist", "C:\\Redist"},
                               {"Base_01_Settings_Folders", "Backup", "E:\\Bkp"},
                               {"Base_01_Station_02", "Lib", "Studio 2"},
                               {"Base_01_Station_02", "Actif", "1"},
                               {"Base_01_Sounds_Folders", "Jin_01", "1:D:\\Jingles"},
                               {"Base_01_Sounds_Folders", "Pub_02", "E:\\Pub"},
                               {"Base_01_Sounds_Folders", "Mus_10", "0:d:\\JINGLES\\"}});
        s.createFile(QStringLiteral("C:\\Mirevox\\Ondelia\\KZ3_Trelvo.exe"));

        QVERIFY(s.start());
        const BaseParameters& b = s.base0;
        QVERIFY(b.Actif && b.Stations[1].Actif && !b.Stations[0].Actif);
        QCOMPARE(b.NbStation, qint16(20));
        QCOMPARE(b.Stations[1].Lib + b.Stations[19].Lib, QStringLiteral("Studio 2Station 20"));
        QCOMPARE(b.Dossier_Histo, QStringLiteral("D:\\Logs\\Histo_KZ3_Trelvo\\"));
        QVERIFY(s.exists(b.Dossier_Histo) && s.exists(QStringLiteral("E:\\Bkp\\")));
        // The final backslash is added before the option prefix is taken off.
        const auto sound = [&b](int station, int kind) {
            return QString::number(b.DossiersSonsOption[station][kind]) +
                   b.DossiersSons[station][kind];
        };
        QCOMPARE(QStringList({sound(0, 1), sound(1, 6), sound(9, 0)}),
                 QStringList({"1D:\\Jingles\\", "0E:\\Pub\\", "0d:\\JINGLES\\"}));
        QVERIFY(s.exists(QStringLiteral("D:\\Jingles\\")) && s.exists(QStringLiteral("E:\\Pub\\")));

        const QString redist = QStringLiteral("C:\\Redist\\KZ\\Backup\\Programmes\\");
        QVERIFY(s.logged(QStringLiteral("Dossier_Redist: ") + redist));
        QVERIFY(s.exists(redist + QStringLiteral("KZ3_Trelvo 2024.0131.0905.exe")));
    }

    void settingsFiles_data() {
        QTest::addColumn<qint16>("instance");
        QTest::addColumn<QString>("name");
        QTest::newRow("instance 0") << qint16(0) << "KZ3_Trelvo";
        QTest::newRow("instance 3") << qint16(3) << "KZ3_Trelvo_3";
    }
    void settingsFiles() {
        QFETCH(qint16, instance);
        QFETCH(QString, name);
        SiteFixture s;
        s.p.state.PbINoInstance = instance;
        const QString older = QStringLiteral("C:\\Windows\\") + name + QStringLiteral(".Ini");
        s.writeAll(older, {{"Sound4", "IP_0", "10.0.0.7"}});

        const QString folder = QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Trelvo\\");
        const QString settings = s.site.NomFichierSettings(QString(), QStringLiteral(".Ini"));
        QCOMPARE(settings, folder + name + QStringLiteral(".Ini"));
        QVERIFY(s.exists(folder + QStringLiteral("Histo\\")));
        // Moved into the settings folder on the first start without a settings file.
        QCOMPARE(s.read(settings, "Sound4", "IP_0"), QStringLiteral("10.0.0.7"));
        QVERIFY(!s.exists(older));
    }

    void dataQuestion_data() {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("written");
        const int yes = int(Answer::Yes);
        const int no = int(Answer::No);
        const QString none = QStringLiteral("<none>");
        QTest::newRow("no") << QList<int>{no} << QStringList() << true << "C:\\KZ_Data\\" << none;
        QTest::newRow("cancel") << QList<int>{int(Answer::Cancel)} << QStringList() << false
                                << "C:\\KZ_Data\\" << none;
        QTest::newRow("yes, no data there")
            << QList<int>{yes, no} << QStringList{"D:\\Other"} << true << "D:\\Other\\" << none;
        QTest::newRow("yes, data there")
            << QList<int>{yes} << QStringList{"D:\\Radio"} << true << "D:\\Radio\\"
            << "D:\\Radio\\";
        QTest::newRow("yes, browsing cancelled")
            << QList<int>{yes, no} << QStringList() << true << "C:\\KZ_Data\\" << none;
    }
    void dataQuestion() {
        QFETCH(QList<int>, answers);
        QFETCH(QString, data);
        SiteFixture s;
        s.createFile(QStringLiteral("D:\\Radio\\FRAD000.bt6"));
        for (const int a : answers) {
            s.dialogs.answers << Answer(a);
        }
        QFETCH(QStringList, folders);
        s.dialogs.folders = folders;

        QTEST(s.start(), "ok");
        QCOMPARE(s.dialogs.questions.size(), answers.size());
        // Asked again about the folder picked, which serves for the run.
        QVERIFY(s.dialogs.questions.last().text.contains(
            (answers.size() > 1 ? data : QStringLiteral("C:\\KZ_Data\\")) + "FRAD000.bt6"));
        QCOMPARE(s.dialogs.folderStarts,
                 answers.first() == int(Answer::Yes) ? QStringList{"C:"} : QStringList());
        QCOMPARE(s.base0.Dossier_Data, data);
        QTEST(s.read(SystemIni, "Base_01", "Dossier_Data"), "written");
    }

    void legacyConversion() {
        SiteFixture s;
        s.p.state.PbLVersionWindows = 5;
        const QString win = QStringLiteral("C:\\Windows\\Win.ini");
        const QString b1 = QStringLiteral("C:\\Old\\B1\\");
        const QString b2 = QStringLiteral("C:\\Old\\B2\\");
        s.writeAll(win, {{"Mirevox", "INI_ONDELIA", "C:\\Old\\Cfg"},
                         {"Mirevox", "Nb_Base", "2"},
                         {"Mirevox", "Ini_Base_01", "C:\\Old\\B1\\"},
                         {"Mirevox", "Ini_Base_02", "C:\\Old\\B2\\"},
                         {"Mirevox", "Base_01", "Radio Un"}});
        s.writeAll("C:\\Old\\Cfg\\Mx_sys.ini", {{"Div_radio", "Nom_Radio", "Radio Site"}});
        s.writeAll(b1 + "Mx_sys.ini", {{"Stations", "Nb_Max", "2"},
                                       {"Div_Radio", "Station_001", "Studio"},
                                       {"Repertoires", "REPLOG", "D:\\Log\\"},
                                       {"UNC_Actif", "REPBTR", "ON"},
                                       {"Repertoires_UNC", "REPBTR", "\\\\srv\\data\\"},
                                       {"Repertoires", "REPBTR", "C:\\Local\\"},
                                       {"Repertoire_Station_001", "000_00", "0:C:\\Mus"},
                                       {"UNC_Actif001", "JIN_03", "ON"},
                                       {"Repertoire_Station_UNC_001", "JIN_03", "1:\\\\srv\\jin"}});

        QCOMPARE(s.site.DetermineDossierConfig(1), ConfigIni);
        s.expectAll(ConfigIni, {{"Site", "Lib", "Radio Site"},
                                {"Site", "NbBase", "2"},
                                {"Site", "NoBase", "1"},
                                {"Base_01", "Dossier_Config_Global", "C:\\Old\\B1\\"},
                                {"Base_02", "Dossier_Config_Global", "C:\\Old\\B2\\"},
                                {"ThemeWindows", "Msg", "1"}});
        s.expectAll(b1 + "KZ3_Systeme.ini", {{"Base_01", "Lib", "Radio Un"},
                                             {"Base_01", "NbStation", "2"},
                                             {"Base_01", "Dossier_Log", "D:\\Log\\"},
                                             {"Base_01", "Dossier_Data", "\\\\srv\\data\\"},
                                             {"Base_01", "Dossier_Local", "C:\\Mirevox\\Ondelia\\"},
                                             {"Base_01_Station_01", "Lib", "Studio"},
                                             {"Base_01_Station_02", "Lib", "Station 02"},
                                             {"Dossiers_Sons_Mus", "00", "C:\\Mus"},
                                             {"Dossiers_Sons_Jin", "03", "\\\\srv\\jin"}});
        s.expectAll(b2 + "KZ3_Systeme.ini", {{"Base_02", "Lib", "Base 02"}});
        // The style advice is given once.
        QCOMPARE(s.dialogs.questions.size(), 1);
        QCOMPARE(s.dialogs.questions.at(0).icon, DialogsHost::Icon::Information);
        QVERIFY(s.dialogs.questions.at(0).text.startsWith(
            QStringLiteral("Le poste utilise le style 'Windows standard'\r\n\r\n")));

        // Once the configuration file exists, it is never rebuilt.
        s.writeAll(win, {{"Mirevox", "Nb_Base", "3"}});
        QCOMPARE(s.site.DetermineDossierConfig(1), ConfigIni);
        s.expectAll(ConfigIni, {{"Site", "NbBase", "2"}});
        QCOMPARE(s.dialogs.questions.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestSiteConfiguration)
#include "tst_siteconfiguration.moc"
