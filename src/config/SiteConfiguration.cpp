#include "config/SiteConfiguration.h"

#include "base/AppVersion.h"
#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/NumberReading.h"
#include "base/TextFormat.h"
#include "base/TraceSink.h"
#include "config/IniAccess.h"
#include "model/Frm_Main.h"
#include "model/ProgramState.h"
#include "platform/DialogsHost.h"
#include "platform/EventPump.h"
#include "system/FileOperations.h"
#include "system/FolderChecks.h"
#include "system/SystemInfo.h"

#include <QStringList>

#include <array>

namespace {

const QString SiteSection = QStringLiteral("Site");
const QString ConfigGlobalKey = QStringLiteral("Dossier_Config_Global");
const QString NbBaseKey = QStringLiteral("NbBase");
const QString LibKey = QStringLiteral("Lib");
const QString ActifKey = QStringLiteral("Actif");
const QString SystemFileName = QStringLiteral("KZ3_Systeme.ini");
const QString DataFileName = QStringLiteral("FRAD000") + QStringLiteral(".bt6");
const QString Crlf2 = QStringLiteral("\r\n\r\n");

// Flags of the redistribution copy: silent, files only, no folder confirmation, no
// error interface, no recursion.
constexpr qint32 RedistCopyFlags = 5764;

// The key prefix of each sound kind, in kind order (kind 0 is music).
const std::array<QString, BaseParameters::NbSoundKinds> SoundPrefixes{
    QStringLiteral("Mus_"), QStringLiteral("Jin_"), QStringLiteral("Lin_"), QStringLiteral("Rub_"),
    QStringLiteral("Inf_"), QStringLiteral("Pre_"), QStringLiteral("Pub_"), QStringLiteral("Tmp_")};

QString publicName(const char* procedure) {
    return QStringLiteral("Lib_Public:") + QLatin1String(procedure);
}
QString siteName(const char* procedure) {
    return QStringLiteral("Lib_Site:") + QLatin1String(procedure);
}
QString twoDigits(int number) {
    return N2S(number, 2, 0, QStringLiteral("0"));
}
QString baseSection(int number) {
    return QStringLiteral("Base_") + twoDigits(number);
}
bool isTrue(const QString& text) {
    return Val(text).value_or(0.0) != 0.0;
}
// Windows Vista and later; anything else counts as an old or unknown system.
bool currentWindows(qint32 version) {
    return version >= 6 && version <= 11;
}

} // namespace

SiteConfiguration::SiteConfiguration(ProgramState& state, IniAccess& ini, FileOperations& files,
                                     FolderChecks& folders, SystemInfo& system,
                                     RegistryAccess& registry, const AppVersion& version,
                                     DialogsHost& dialogs, const Frm_Main& frmMain,
                                     TraceSink& trace, ErrorReporter& errors, EventPump& events)
    : m_state(state), m_ini(ini), m_files(files), m_folders(folders), m_system(system),
      m_registry(registry), m_version(version), m_dialogs(dialogs), m_frmMain(frmMain),
      m_trace(trace), m_errors(errors), m_events(events),
      m_legacy(state, ini, m_registry, m_dialogs, errors) {}

void SiteConfiguration::createFolder(const QString& folder) {
    m_folders.VerificationEtCreationRepertoire(folder, true);
}

void SiteConfiguration::ensureFolder(const QString& folder) {
    QString probe = folder;
    if (!m_folders.FolderFound(probe)) {
        createFolder(folder);
    }
}

QString SiteConfiguration::configFile() {
    if (isBlank(m_state.PbSFichierConfig)) {
        m_state.PbSFichierConfig = DetermineDossierConfig(1);
    }
    return m_state.PbSFichierConfig;
}

QString SiteConfiguration::DetermineDossierConfig(qint16 unused) {
    Q_UNUSED(unused);
    const QString caller = publicName("DetermineDossierConfig");
    ErrorTrap trap(m_errors, caller);
    trap.at(10);
    if (m_state.PbLVersionWindows == 0) {
        m_system.GetOSDisplayString();
    }
    const QString config =
        m_state.PbSDossierApplication + QStringLiteral("Settings\\KZ3_Config.ini");
    if (currentWindows(m_state.PbLVersionWindows)) {
        // Read when it exists, never created nor converted here.
        return config;
    }
    trap.at(20);
    RepFicExt parts;
    EclateRepFicExt(config, parts);
    createFolder(parts.Rep);
    trap.at(30);
    if (!m_files.File_Exist(config, caller, false)) {
        trap.at(40);
        m_legacy.convert(config, SystemInfo::GetWinDir(), caller);
    }
    trap.at(50);
    m_legacy.themeAdvice(config, m_frmMain.Caption.text());
    return config;
}

QString SiteConfiguration::DetermineDossierConfig_Bases_Dossier(const QString& file, qint16 base,
                                                                bool baseFirst) {
    ErrorTrap trap(m_errors, publicName("DetermineDossierConfig_Bases_Dossier"));
    trap.at(10);
    const auto baseValue = [&] {
        return m_ini.LectureIni(file, baseSection(base), ConfigGlobalKey,
                                QStringLiteral("C:\\Mirevox\\Ondelia\\Config\\"));
    };
    const auto siteValue = [&] { return m_ini.LectureIni(file, SiteSection, ConfigGlobalKey, {}); };
    QString value = baseFirst ? baseValue() : siteValue();
    trap.at(20);
    if (isBlank(value)) {
        value = baseFirst ? siteValue() : baseValue();
    }
    return CheckRep(value);
}

qint16 SiteConfiguration::DetermineDossierConfig_Bases_Nombre(const QString& file) {
    ErrorTrap trap(m_errors, publicName("DetermineDossierConfig_Bases_Nombre"));
    trap.at(10);
    // A count of 0 or no number leaves no base, though the whole program works on
    // base 0: such a site has one base. Beyond five, the record has no room.
    return qint16(siteCount(m_ini.LectureIni(file, SiteSection, NbBaseKey, QStringLiteral("1")), 1,
                            SiteParameters::NbBasesMax));
}

QString SiteConfiguration::DetermineDossierConfig_Fichier(const QString& file, qint16 base) {
    ErrorTrap trap(m_errors, publicName("DetermineDossierConfig_Fichier"));
    trap.at(10);
    QString value = m_ini.LectureIni(file, SiteSection, ConfigGlobalKey, {});
    m_trace.line(QStringLiteral("Dossier_Config_Global: ") + value + QStringLiteral(" /A"));
    if (isBlank(value)) {
        trap.at(20);
        value =
            CheckRep(m_ini.LectureIni(file, baseSection(base), ConfigGlobalKey,
                                      m_state.PbSDossierApplication + QStringLiteral("Config\\")));
        m_trace.line(QStringLiteral("Dossier_Config_Global: ") + value + QStringLiteral(" /B"));
    }
    return CheckRep(value);
}

void SiteConfiguration::InitGeneralPath(qint16& baseIndex) {
    ErrorTrap trap(m_errors, siteName("InitGeneralPath"));
    trap.at(10);
    m_state.PbSFichierConfig = DetermineDossierConfig(1);
    const QString& config = m_state.PbSFichierConfig;
    trap.at(20);
    int first = baseIndex;
    int last = baseIndex;
    if (baseIndex == -1) {
        first = 0;
        last = (m_siteCountKnown ? m_state.PbTParametresSite.NbBase
                                 : DetermineDossierConfig_Bases_Nombre(config)) -
               1;
    } else if (baseIndex < 0 || baseIndex >= ProgramState::NbBases) {
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    last = std::min(last, ProgramState::NbBases - 1);
    for (int i = first; i <= last; ++i) {
        trap.at(30);
        m_state.PbSDossierConfig[i] =
            DetermineDossierConfig_Bases_Dossier(config, qint16(i + 1), true);
        ensureFolder(m_state.PbSDossierConfig[i]);
    }
}

QString SiteConfiguration::DetermineFichierSysteme(qint16 baseIndex, bool rightsFile) {
    ErrorTrap trap(m_errors, siteName("DetermineFichierSysteme"));
    trap.at(10);
    if (baseIndex < 0 || baseIndex >= ProgramState::NbBases) {
        trap.fail(AppError::subscriptOutOfRange());
        return QString();
    }
    if (isBlank(m_state.PbSDossierConfig[baseIndex])) {
        qint16 index = baseIndex;
        InitGeneralPath(index);
    }
    trap.at(20);
    const QString folder = m_state.PbSDossierConfig[baseIndex];
    if (!isBlank(folder)) {
        ensureFolder(folder);
    }
    return folder + (rightsFile ? QStringLiteral("KZ3_Systeme_Droits.ini") : SystemFileName);
}

bool SiteConfiguration::InitGeneralSite() {
    ErrorTrap trap(m_errors, siteName("InitGeneralSite"));
    trap.at(10);
    DetermineFichierSysteme(0, true);
    const QString config = configFile();
    SiteParameters& site = m_state.PbTParametresSite;

    trap.at(20);
    site.NbBase = DetermineDossierConfig_Bases_Nombre(config);
    m_siteCountKnown = true;
    m_chosenBase = 0;
    if (site.NbBase > 1) {
        trap.at(30);
        if (!chooseBase(config)) {
            return false;
        }
    }

    trap.at(40);
    site.DossierSettingsLocal =
        CheckRep(m_ini.LectureIni(config, SiteSection, QStringLiteral("Settings_Local_Folder"),
                                  QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\_Local\\")));
    createFolder(site.DossierSettingsLocal);

    for (int i = 0; i < site.NbBase && i < SiteParameters::NbBasesMax; ++i) {
        trap.at(50);
        if (!loadBase(i)) {
            return false;
        }
    }
    return true;
}

QString SiteConfiguration::baseLabel(const QString& folder, qint16 base) {
    const QString system = folder + SystemFileName;
    QString label = m_ini.LectureIni(system, baseSection(base), LibKey, {});
    if (isBlank(label)) {
        label = m_ini.LectureIni(system, baseSection(1), LibKey, {});
    }
    if (isBlank(label)) {
        label = QStringLiteral("Base ") + QString::number(base);
    }
    return label;
}

bool SiteConfiguration::chooseBase(const QString& config) {
    SiteParameters& site = m_state.PbTParametresSite;
    const QString current = CheckRep(m_ini.LectureIni(config, SiteSection, ConfigGlobalKey, {}));
    // A base without a configuration folder is not offered, so an entry of the list
    // is not a base index: each entry keeps the index of its base.
    QStringList labels;
    QList<qint16> bases;
    int preselected = 0;
    bool matched = false;
    for (qint16 b = 1; b <= site.NbBase; ++b) {
        const QString folder = DetermineDossierConfig_Bases_Dossier(config, b, true);
        if (isBlank(folder)) {
            continue;
        }
        if (!matched && folder == current) {
            preselected = int(labels.size());
            matched = true;
        }
        labels << baseLabel(folder, b);
        bases << qint16(b - 1);
    }
    if (labels.isEmpty()) {
        return true; // nothing to choose from: the bases are read as they stand
    }

    // Nobody to choose: the base chosen last, else the first.
    const qint32 last =
        siteCount(m_ini.LectureIni(config, SiteSection, QStringLiteral("NoBase"), {}), 0, 99) - 1;
    const int safeChoice =
        last >= 0 && last < site.NbBase ? std::max(0, int(bases.indexOf(last))) : 0;

    // Selecting the first entry re-reads its label, as every later selection does.
    ComboBase_Click(bases.at(preselected));
    DialogsHost::BaseChoice request;
    request.labels = labels;
    request.preselected = preselected;
    request.safeChoice = safeChoice;
    request.entrySelected = [this, bases](int entry) {
        if (entry >= 0 && entry < bases.size()) {
            ComboBase_Click(bases.at(entry));
        }
    };
    const int choice = m_dialogs.chooseBase(request);
    if (choice < 0 || choice >= labels.size()) {
        m_state.BaseChoisie = -1;
        return false;
    }
    m_state.BaseChoisie = bases.at(choice);

    const qint16 chosen = m_state.BaseChoisie;
    const qint16 number = qint16(chosen + 1);
    m_ini.EcritureIni(config, SiteSection, ConfigGlobalKey,
                      DetermineDossierConfig_Bases_Dossier(config, number, true));
    m_ini.EcritureIni(config, SiteSection, QStringLiteral("NoBase"), QString::number(number));
    if (isBlank(m_state.PbSDossierConfig[chosen])) {
        qint16 index = chosen;
        InitGeneralPath(index);
    }
    m_state.PbSDossierConfig[0] = m_state.PbSDossierConfig[chosen];
    site.NbBase = 1;
    m_state.BaseChoisie = 0;
    m_chosenBase = number;
    return true;
}

void SiteConfiguration::ComboBase_Click(qint16 baseIndex) {
    ErrorTrap trap(m_errors, QStringLiteral("FrmSelectBase:ComboBase_Click"));
    trap.at(10);
    if (baseIndex < 0 || baseIndex >= SiteParameters::NbBasesMax) {
        trap.fail(AppError::subscriptOutOfRange());
        return;
    }
    const QString number = QString::number(baseIndex + 1);
    const QString label =
        m_ini.LectureIni(DetermineFichierSysteme(baseIndex, false), baseSection(baseIndex + 1),
                         LibKey, QStringLiteral("Base ") + number);
    trap.at(20);
    m_state.PbTParametresSite.Base[baseIndex].Lib = label;
}

bool SiteConfiguration::loadBase(int index) {
    ErrorTrap trap(m_errors, siteName("InitGeneralSite"));
    trap.at(60);
    BaseParameters& base = m_state.PbTParametresSite.Base[index];
    base = BaseParameters{};
    const QString system = DetermineFichierSysteme(qint16(index), false);

    // The chosen base is loaded as base 0. Its own section holds it when its system
    // file has one (a file shared by the bases, or a converted one); otherwise the
    // file describes that base alone, in its first section.
    const int number = index == 0 && m_chosenBase > 0 ? m_chosenBase : index + 1;
    QString section = baseSection(index + 1);
    if (number != index + 1 &&
        !isBlank(m_ini.LectureIni(system, baseSection(number), LibKey, {}))) {
        section = baseSection(number);
    }
    const auto folderValue = [&](const QString& key, const QString& defaultValue,
                                 const char* traceLabel = nullptr) {
        const QString folder = CheckRep(m_ini.LectureIni(system, section, key, defaultValue));
        if (traceLabel) {
            m_trace.line(QLatin1String(traceLabel) + folder);
        }
        createFolder(folder);
        return folder;
    };

    trap.at(70);
    base.Lib = m_ini.LectureIni(system, section, LibKey,
                                QStringLiteral("Base ") + QString::number(number));
    base.Actif = isTrue(m_ini.LectureIni(system, section, ActifKey, QStringLiteral("0")));
    base.NbStation = qint16(siteCount(
        m_ini.LectureIni(system, section, QStringLiteral("NbStation"), QStringLiteral("1")), 0,
        BaseParameters::NbStationsMax));
    base.Dossier_Log = folderValue(QStringLiteral("Dossier_Log"), QStringLiteral("C:\\AudioLog\\"));
    base.Dossier_Histo = base.Dossier_Log + QStringLiteral("Histo_KZ3_Trelvo\\");
    createFolder(base.Dossier_Histo);
    base.Dossier_Log_Pub =
        folderValue(QStringLiteral("Dossier_Log_Pub"), QStringLiteral("C:\\AudioLog\\Pub\\"));
    trap.at(80);
    base.Dossier_Local =
        folderValue(QStringLiteral("Dossier_Local"),
                    QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\_Local\\"), "Local_Folder: ");
    base.Dossier_Shared = folderValue(QStringLiteral("Dossier_Shared"),
                                      QStringLiteral("C:\\Mirevox\\Ondelia\\Shared\\"));
    base.Dossier_Data = folderValue(QStringLiteral("Dossier_Data"), QStringLiteral("C:\\KZ_Data\\"),
                                    "Data_Folder: ");

    trap.at(90);
    if (!checkDataFolder(base, system, section)) {
        return false;
    }

    trap.at(100);
    base.Dossier_Backup =
        CheckRep(m_ini.LectureIni(system, section + QStringLiteral("_Settings_Folders"),
                                  QStringLiteral("Backup"), QStringLiteral("C:\\KZ_Data\\_Bkp\\")));
    createFolder(base.Dossier_Backup);

    trap.at(110);
    redistributionCopy(system, section);
    trap.at(120);
    readSoundFolders(base, system, section);

    trap.at(130);
    for (int s = 1; s <= base.NbStation && s <= BaseParameters::NbStationsMax; ++s) {
        const QString stationSection = section + QStringLiteral("_Station_") + twoDigits(s);
        StationParameters& station = base.Stations[s - 1];
        station.Lib = m_ini.LectureIni(system, stationSection, LibKey,
                                       QStringLiteral("Station ") + QString::number(s));
        station.Actif =
            isTrue(m_ini.LectureIni(system, stationSection, ActifKey, QStringLiteral("0")));
    }
    return true;
}

bool SiteConfiguration::checkDataFolder(BaseParameters& base, const QString& system,
                                        const QString& section) {
    const QString caller = siteName("InitGeneralSite");
    while (!m_files.File_Exist(base.Dossier_Data + DataFileName, caller, true)) {
        const DialogsHost::Answer answer = m_dialogs.ask(
            m_frmMain.Caption.text(),
            QStringLiteral("Impossible de trouver la base de données pour la base: ") + base.Lib +
                Crlf2 + QStringLiteral("Fichier '") + base.Dossier_Data + DataFileName +
                QStringLiteral("' non trouvé") + Crlf2 +
                QStringLiteral("Voulez-vous rechercher manuellement la localisation de la base de "
                               "données Ondelia ?"),
            DialogsHost::Buttons::YesNoCancel, DialogsHost::Icon::Question,
            DialogsHost::Answer::No);
        if (answer == DialogsHost::Answer::Cancel) {
            return false;
        }
        if (answer != DialogsHost::Answer::Yes) {
            return true; // the program runs without data files
        }
        QString start = base.Dossier_Data;
        if (start.size() > 1 && start.endsWith(QLatin1Char('\\'))) {
            start.chop(1);
        }
        const QString chosen = FolderSelect(start, QString());
        if (chosen != u"*") {
            // Only a folder that holds the data is kept in the system file; any other
            // serves for this run only.
            if (m_files.File_Exist(chosen + DataFileName, caller, true)) {
                m_ini.EcritureIni(system, section, QStringLiteral("Dossier_Data"), chosen);
            }
            base.Dossier_Data = chosen;
        }
        m_events.processPendingEvents();
    }
    return true;
}

void SiteConfiguration::redistributionCopy(const QString& system, const QString& section) {
    QString folder =
        CheckRep(m_ini.LectureIni(system, section, QStringLiteral("Dossier_Redist"), {}));
    if (!folder.isEmpty()) {
        folder += QStringLiteral("KZ\\Backup\\Programmes\\");
        createFolder(folder);
        const QString copy = folder + QStringLiteral("KZ3_Trelvo ") +
                             m_version.VersionApplication() + QStringLiteral(".exe");
        if (!m_files.File_Exist(copy, siteName("InitGeneralSite"), false)) {
            m_files.File_Copy(m_state.PbSDossierApplication + QStringLiteral("KZ3_Trelvo.exe"),
                              copy, RedistCopyFlags, 0);
        }
    }
    m_trace.line(QStringLiteral("Dossier_Redist: ") + folder);
}

void SiteConfiguration::readSoundFolders(BaseParameters& base, const QString& system,
                                         const QString& section) {
    const QString soundsSection = section + QStringLiteral("_Sounds_Folders");
    const QString music = QStringLiteral("C:\\KZ_Sons\\Musique\\");
    const QString other = QStringLiteral("C:\\KZ_Sons\\Autre\\");
    QStringList created; // the folders created for this base
    for (int s = 0; s < BaseParameters::NbSoundStations; ++s) {
        for (int k = 0; k < BaseParameters::NbSoundKinds; ++k) {
            QString folder = CheckRep(m_ini.LectureIni(system, soundsSection,
                                                       SoundPrefixes[k] + twoDigits(s + 1),
                                                       k == 0 ? music : other));
            // "1:" before the folder sets the kind's option, "0:" or nothing clears it.
            const bool option = folder.startsWith(QLatin1String("1:"));
            if (option || folder.startsWith(QLatin1String("0:"))) {
                folder.remove(0, 2);
            }
            base.DossiersSonsOption[s][k] = option;
            base.DossiersSons[s][k] = folder;
            if (!isBlank(folder) && !created.contains(folder, Qt::CaseInsensitive)) {
                createFolder(folder);
                created << folder;
            }
        }
    }
}

QString SiteConfiguration::FolderSelect(const QString& start, const QString& title) {
    RepFicExt parts;
    EclateRepFicExt(start, parts);
    QString initial = isBlank(parts.Rep) ? m_state.PbSDossierApplication : parts.Rep;
    if (initial.endsWith(QLatin1Char('\\'))) {
        initial.chop(1);
    }
    const QString chosen = m_dialogs.browseFolder(
        isBlank(title) ? QStringLiteral("Sélectionnez un dossier: ") : title, initial);
    if (isBlank(chosen)) {
        return QStringLiteral("*");
    }
    const QString folder = CheckRep(chosen);
    ensureFolder(folder);
    return folder;
}

void SiteConfiguration::NomDossierSettings() {
    const QString caller = publicName("NomDossierSettings");
    ErrorTrap trap(m_errors, caller);
    trap.at(10);
    m_state.PbSDossierSettings =
        m_state.PbSDossierApplication + QStringLiteral("Settings\\KZ3_Trelvo\\");
    createFolder(m_state.PbSDossierSettings);
    m_state.PbSDossierSettingsHisto = m_state.PbSDossierSettings + QStringLiteral("Histo\\");
    createFolder(m_state.PbSDossierSettingsHisto);

    trap.at(20);
    const QString settings = NomFichierSettings(QString(), QStringLiteral(".Ini"));
    if (m_files.File_Exist(settings, caller, false)) {
        return;
    }
    trap.at(30);
    // The older place of the settings file: the Windows folder.
    QString older = CheckRep(SystemInfo::GetWinDir()) + QStringLiteral("KZ3_Trelvo");
    if (m_state.PbINoInstance != 0) {
        older += QLatin1Char('_') + QString::number(m_state.PbINoInstance);
    }
    older += QStringLiteral(".Ini");
    if (!m_files.File_Exist(older, caller, false)) {
        return;
    }
    trap.at(40);
    m_files.File_Copy(older, settings, 0, 0);
    if (m_files.File_Exist(settings, caller, false)) {
        m_files.File_Delete(older, caller, 0, 0);
    }
}

QString SiteConfiguration::NomFichierSettings(const QString& suffix, const QString& extension) {
    ErrorTrap trap(m_errors, publicName("NomFichierSettings"));
    trap.at(10);
    if (isBlank(m_state.PbSDossierSettings)) {
        NomDossierSettings();
    }
    trap.at(20);
    QString name = QStringLiteral("KZ3_Trelvo");
    if (m_state.PbINoInstance != 0) {
        name += QLatin1Char('_') + QString::number(m_state.PbINoInstance);
    }
    return m_state.PbSDossierSettings + name + suffix + extension;
}
