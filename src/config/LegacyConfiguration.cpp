#include "config/LegacyConfiguration.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TextFormat.h"
#include "config/IniAccess.h"
#include "config/RegistryAccess.h"
#include "model/ShellValues.h"
#include "model/SiteParameters.h"
#include "platform/DialogsHost.h"

#include <array>

namespace {

const QString On = QStringLiteral("ON");
const QString Off = QStringLiteral("0FF"); // zero-F-F, as the legacy files default it
const QString One = QStringLiteral("1");
const QString Mirevox = QStringLiteral("Mirevox");
const QString MxSys = QStringLiteral("Mx_sys.ini");
const QString DefaultRadioName = QStringLiteral("Nom de la radio");

QString digits(int number, int width) {
    return N2S(number, qint16(width), 0, QStringLiteral("0"));
}

struct FolderKey {
    const char* legacy;
    const char* current;
    const char* defaultValue; // nullptr: the program's folder
};

// The legacy folder keys and the keys they become in a base's system file.
constexpr std::array<FolderKey, 7> FolderKeys{{
    {"REPLOG", "Dossier_Log", "C:\\AudioLog\\"},
    {"REPLOGPUB", "Dossier_Log_Pub", "C:\\AudioLog\\Pub\\"},
    {"REPBLOCNOTES", "Dossier_Notes", "C:\\Mirevox\\Ondelia\\Notes\\"},
    {"REPLOCAL", "Dossier_Local", nullptr},
    {"REPPARTAGE", "Dossier_Shared", nullptr},
    {"REPBTR", "Dossier_Data", "C:\\BTRieve\\Data\\"},
    {"REPSAUVEGARDE", "Dossier_Data_Backup", "C:\\BTRieve\\Data\\"},
}};

struct SoundKind {
    const char* legacyPrefix;
    const char* section;
};

// The sound kinds in their legacy order: key prefix and the section they go to.
constexpr std::array<SoundKind, 8> SoundKinds{{
    {"000_", "Dossiers_Sons_Mus"},
    {"JIN_", "Dossiers_Sons_Jin"},
    {"LIN_", "Dossiers_Sons_Lin"},
    {"RUB_", "Dossiers_Sons_Rub"},
    {"INF_", "Dossiers_Sons_Inf"},
    {"PUB_", "Dossiers_Sons_Pub"},
    {"PRE_", "Dossiers_Sons_Pre"},
    {"TMP_", "Dossiers_Sons_Tmp"},
}};
constexpr int NbSoundIndexes = 10;

} // namespace

LegacyConfiguration::LegacyConfiguration(const ShellValues& state, IniAccess& ini,
                                         RegistryAccess& registry, DialogsHost& dialogs,
                                         ErrorReporter& errors)
    : m_state(state), m_ini(ini), m_registry(registry), m_dialogs(dialogs), m_errors(errors) {}

void LegacyConfiguration::themeAdvice(const QString& configFile, const QString& title) {
    QString value;
    m_registry.Reg_GetValue(
        RegistryStore::HKEY_CURRENT_USER,
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager"),
        QStringLiteral("ThemeActive"), value);
    const std::optional<double> theme = Val(value);
    const QString section = QStringLiteral("ThemeWindows");
    const QString key = QStringLiteral("Msg");
    if (!theme || *theme != 0.0 ||
        m_ini.LectureIni(configFile, section, key, QStringLiteral("0")) != u"0") {
        return;
    }
    const QString twoLines = QStringLiteral("\r\n\r\n");
    m_dialogs.ask(title,
                  QStringLiteral("Le poste utilise le style 'Windows standard'") + twoLines +
                      QStringLiteral("Pour une avoir une interface optimisée, nous vous "
                                     "conseillons d'utiliser un style 'Windows XP'") +
                      twoLines +
                      QStringLiteral("Pour faire le changement,  cliquez droit sur le bureau de "
                                     "windows et choisissez 'Propriétés'"),
                  DialogsHost::Buttons::Ok, DialogsHost::Icon::Information,
                  DialogsHost::Answer::Ok);
    m_ini.EcritureIni(configFile, section, key, One);
}

QString LegacyConfiguration::switched(const QString& file, const QString& switchSection,
                                      const QString& key, const QString& uncSection,
                                      const QString& plainSection, const QString& defaultValue) {
    const bool unc = m_ini.LectureIni(file, switchSection, key, Off) == On;
    return m_ini.LectureIni(file, unc ? uncSection : plainSection, key, defaultValue);
}

void LegacyConfiguration::convert(const QString& configFile, const QString& winDir,
                                  const QString& callerName) {
    ErrorTrap trap(m_errors, callerName);
    trap.at(10);
    const QString winIni = CheckRep(winDir) + QStringLiteral("Win.ini");
    const bool unc = m_ini.LectureIni(winIni, Mirevox, QStringLiteral("UNC_Actif"), Off) == On;
    const QString siteFolder = CheckRep(m_ini.LectureIni(
        winIni, Mirevox, unc ? QStringLiteral("INI_ONDELIA_UNC") : QStringLiteral("INI_ONDELIA"),
        m_state.PbSDossierApplication + QStringLiteral("Config\\")));

    trap.at(20);
    // The site holds at most five bases: the count written is the count converted.
    const int nbBase =
        siteCount(m_ini.LectureIni(winIni, Mirevox, QStringLiteral("Nb_Base"), QStringLiteral("0")),
                  1, NbBasesMax);

    trap.at(30);
    const QString site = QStringLiteral("Site");
    m_ini.EcritureIni(configFile, site, QStringLiteral("Lib"),
                      m_ini.LectureIni(siteFolder + MxSys, QStringLiteral("Div_radio"),
                                       QStringLiteral("Nom_Radio"), DefaultRadioName));
    m_ini.EcritureIni(configFile, site, QStringLiteral("Actif"), One);
    m_ini.EcritureIni(configFile, site, QStringLiteral("NbBase"), QString::number(nbBase));
    m_ini.EcritureIni(configFile, site, QStringLiteral("NoBase"), One);

    for (int b = 1; b <= nbBase; ++b) {
        trap.at(40);
        convertBase(configFile, winIni, siteFolder, nbBase, b);
    }
}

void LegacyConfiguration::convertBase(const QString& configFile, const QString& winIni,
                                      const QString& siteFolder, int nbBase, int b) {
    const QString folder =
        nbBase == 1 ? siteFolder
                    : m_ini.LectureIni(winIni, Mirevox, QStringLiteral("Ini_Base_") + digits(b, 2),
                                       QString());
    const QString legacy = folder + MxSys;
    const QString system = folder + QStringLiteral("KZ3_Systeme.ini");
    const QString section = QStringLiteral("Base_") + digits(b, 2);

    const int nbStation = siteCount(
        m_ini.LectureIni(legacy, QStringLiteral("Stations"), QStringLiteral("Nb_Max"), One), 0,
        NbStationsMax);

    const QString lib =
        nbBase == 1 ? m_ini.LectureIni(legacy, QStringLiteral("Div_radio"),
                                       QStringLiteral("Nom_Radio"), DefaultRadioName)
                    : m_ini.LectureIni(winIni, Mirevox, QStringLiteral("Base_") + digits(b, 2),
                                       QStringLiteral("Base ") + digits(b, 2));
    m_ini.EcritureIni(system, section, QStringLiteral("Lib"), lib);
    m_ini.EcritureIni(system, section, QStringLiteral("Actif"), One);
    m_ini.EcritureIni(system, section, QStringLiteral("NbStation"), QString::number(nbStation));
    m_ini.EcritureIni(system, section, QStringLiteral("NoStation"), One);
    m_ini.EcritureIni(configFile, section, QStringLiteral("Dossier_Config_Global"), folder);

    for (const FolderKey& k : FolderKeys) {
        const QString key = QLatin1String(k.legacy);
        const QString fallback =
            k.defaultValue ? QLatin1String(k.defaultValue) : m_state.PbSDossierApplication;
        m_ini.EcritureIni(system, section, QLatin1String(k.current),
                          switched(legacy, QStringLiteral("UNC_Actif"), key,
                                   QStringLiteral("Repertoires_UNC"), QStringLiteral("Repertoires"),
                                   fallback));
    }

    for (int s = 1; s <= nbStation; ++s) {
        const QString stationSection = section + QStringLiteral("_Station_") + digits(s, 2);
        m_ini.EcritureIni(system, stationSection, QStringLiteral("Lib"),
                          m_ini.LectureIni(legacy, QStringLiteral("Div_Radio"),
                                           QStringLiteral("Station_") + digits(s, 3),
                                           QStringLiteral("Station ") + digits(s, 2)));
        m_ini.EcritureIni(system, stationSection, QStringLiteral("Actif"), One);
    }

    const QString b3 = digits(b, 3);
    for (const SoundKind& kind : SoundKinds) {
        for (int j = 0; j < NbSoundIndexes; ++j) {
            const QString value = switched(legacy, QStringLiteral("UNC_Actif") + b3,
                                           QLatin1String(kind.legacyPrefix) + digits(j, 2),
                                           QStringLiteral("Repertoire_Station_UNC_") + b3,
                                           QStringLiteral("Repertoire_Station_") + b3, QString());
            if (!isBlank(value)) {
                // The legacy value starts with a two-character option ("0:", "1:").
                m_ini.EcritureIni(system, QLatin1String(kind.section), digits(j, 2), value.mid(2));
            }
        }
    }
}
