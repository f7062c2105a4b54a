#include "ProgramFixture.h"
#include "config/SiteConfiguration.h"

#include <QtTest>

namespace {

const QString ConfigIni = QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\KZ3_Config.ini");

// A base-choice window that selects the scripted entries, noting the bases' labels
// after each selection, then validates the last one (or gives up with -1).
class SelectingDialogs final : public DialogsHost {
public:
    explicit SelectingDialogs(const SiteParameters& site) : m_site(site) {}

    QList<int> selections;
    int answer = 0;
    QStringList offered;
    int preselected = -1;
    QList<QStringList> labelsAfter; // Base(0..4).Lib at the opening, then after each selection

    int chooseBase(const BaseChoice& choice) override {
        offered = choice.labels;
        preselected = choice.preselected;
        note();
        for (int entry : selections) {
            choice.entrySelected(entry);
            note();
        }
        return answer;
    }
    Answer ask(const QString&, const QString&, Buttons, Icon, Answer safe) override { return safe; }
    int choose(const QString&, const QString&, const QStringList&, int, int) override {
        return -2; // never asked: the base choice has its own window
    }
    QString browseFolder(const QString&, const QString&) override { return QString(); }

private:
    void note() {
        QStringList labels;
        for (const BaseParameters& base : m_site.Base) {
            labels << base.Lib;
        }
        labelsAfter << labels;
    }
    const SiteParameters& m_site;
};

struct ChoiceFixture {
    ProgramFixture f;
    Program& p = f.program;
    SelectingDialogs dialogs{p.state.PbTParametresSite};
    SiteConfiguration site{p.state,      p.ini,      p.files,      p.folders,
                           p.systemInfo, p.registry, p.appVersion, dialogs,
                           p.frmMain,    p.trace,    p.errors,     p.platform.events};

    // Three bases; the second has no configuration folder and is not offered; the
    // third describes itself in its first section only.
    ChoiceFixture() {
        write(ConfigIni, "Site", "NbBase", "3");
        write(ConfigIni, "Site", "Dossier_Config_Global", "");
        write(ConfigIni, "Base_01", "Dossier_Config_Global", "C:\\Cfg1");
        write(ConfigIni, "Base_02", "Dossier_Config_Global", "");
        write(ConfigIni, "Base_03", "Dossier_Config_Global", "C:\\Cfg3");
        write("C:\\Cfg1\\KZ3_Systeme.ini", "Base_01", "Lib", "Radio A");
        write("C:\\Cfg3\\KZ3_Systeme.ini", "Base_01", "Lib", "Radio C");
    }
    void write(const QString& file, const char* section, const char* key, const char* value) {
        QVERIFY(p.ini.EcritureIni(file, QLatin1String(section), QLatin1String(key),
                                  QLatin1String(value)));
    }
    bool start() {
        site.NomDossierSettings();
        qint16 all = -1;
        site.InitGeneralPath(all);
        return site.InitGeneralSite();
    }
};

} // namespace

class TestBaseChoice : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Selecting an entry re-reads the label of that entry's base from the base's own
    // section, "Base " + number when it has none; the first entry is read as the
    // window opens.
    void selectingRereadsTheLabel() {
        ChoiceFixture s;
        s.dialogs.selections = {1, 0};
        s.dialogs.answer = 1;
        QVERIFY(s.start());
        QCOMPARE(s.dialogs.offered, (QStringList{"Radio A", "Radio C"}));
        QCOMPARE(s.dialogs.preselected, 0);
        QCOMPARE(s.dialogs.labelsAfter, (QList<QStringList>{{"Radio A", "", "", "", ""},
                                                            {"Radio A", "", "Base 3", "", ""},
                                                            {"Radio A", "", "Base 3", "", ""}}));
        // The entry validated is the third base, loaded as base 0.
        QCOMPARE(s.p.ini.LectureIni(ConfigIni, "Site", "NoBase", QString()), QStringLiteral("3"));
        QCOMPARE(s.p.state.PbSDossierConfig[0], QStringLiteral("C:\\Cfg3\\"));
    }

    // Giving up, or closing the window, ends the start at once.
    void givenUp() {
        ChoiceFixture s;
        s.dialogs.answer = -1;
        QVERIFY(!s.start());
        QCOMPARE(s.p.state.BaseChoisie, qint16(-1));
        QCOMPARE(s.p.ini.LectureIni(ConfigIni, "Site", "NoBase", QStringLiteral("<none>")),
                 QStringLiteral("<none>"));
    }

    // Headless, the choice is the one logged: the base chosen last.
    void headlessKeepsItsLoggedChoice() {
        ProgramFixture f;
        Program& p = f.program;
        QVERIFY(p.ini.EcritureIni(ConfigIni, "Site", "NbBase", "2"));
        QVERIFY(p.ini.EcritureIni(ConfigIni, "Site", "NoBase", "2"));
        QVERIFY(p.ini.EcritureIni(ConfigIni, "Base_02", "Dossier_Config_Global", "C:\\Cfg2"));
        p.site.NomDossierSettings();
        qint16 all = -1;
        p.site.InitGeneralPath(all);
        QVERIFY(p.site.InitGeneralSite());
        QVERIFY(p.frmMainBis.ListeLogTemp.rows().join('\n').contains(
            QStringLiteral("Dialog: Choix de la base: Sélectionnez la base (Base 1, Base 2) "
                           "|Answer (headless): 2: Base 2")));
        QCOMPARE(p.state.PbSDossierConfig[0], QStringLiteral("C:\\Cfg2\\"));
    }
};

QTEST_GUILESS_MAIN(TestBaseChoice)
#include "tst_basechoice.moc"
