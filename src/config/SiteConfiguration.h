#pragma once

#include "config/LegacyConfiguration.h"

#include <QString>
#include <QtGlobal>

class AppVersion;
class DialogsHost;
class ErrorReporter;
class EventPump;
class FileOperations;
class FolderChecks;
class Frm_Main;
class IniAccess;
class RegistryAccess;
class SystemInfo;
class TraceSink;
struct BaseParameters;
struct ProgramState;

// The suite's shared description of the installation: where its configuration file
// is, each base's configuration folder, the site record PbTParametresSite (bases,
// stations, folders), the base choice on a multi-base site, and the program's own
// settings folder and file names. Every folder the site names is created as it is
// read.
class SiteConfiguration {
public:
    SiteConfiguration(ProgramState& state, IniAccess& ini, FileOperations& files,
                      FolderChecks& folders, SystemInfo& system, RegistryAccess& registry,
                      const AppVersion& version, DialogsHost& dialogs, const Frm_Main& frmMain,
                      TraceSink& trace, ErrorReporter& errors, EventPump& events);

    // The configuration file path; on an old system, converts the legacy layout
    // into it the first time. The argument is not used (callers pass 1).
    QString DetermineDossierConfig(qint16 unused);
    // A base's configuration folder (base number 1-based); baseFirst: the base's
    // own key before the site's.
    QString DetermineDossierConfig_Bases_Dossier(const QString& file, qint16 base, bool baseFirst);
    // Number of bases, kept within 1 to 5 (a site without a readable count has one).
    qint16 DetermineDossierConfig_Bases_Nombre(const QString& file);
    // The site's configuration folder, else the base's, with trace lines.
    QString DetermineDossierConfig_Fichier(const QString& file, qint16 base);
    // PbSFichierConfig and PbSDossierConfig of one base index (0 to 4) or of all (-1).
    void InitGeneralPath(qint16& baseIndex);
    // Fills PbTParametresSite. False when the program must end at once: the user gave
    // up the base choice or cancelled the data-file question.
    bool InitGeneralSite();
    // The base's system file, or its rights file.
    QString DetermineFichierSysteme(qint16 baseIndex, bool rightsFile);
    // PbSDossierSettings and its history folder, created; moves an older settings
    // file from the Windows folder into it.
    void NomDossierSettings();
    // A file of the program's settings folder: "KZ3_Trelvo" [+ "_" instance] +
    // suffix + extension.
    QString NomFichierSettings(const QString& suffix, const QString& extension);
    // A base selected in the base choice (its index, from 0): its label read again
    // from its own system file, into the site record.
    void ComboBase_Click(qint16 baseIndex);

private:
    QString configFile();
    void createFolder(const QString& folder);
    // Creates the folder unless it is already known to exist.
    void ensureFolder(const QString& folder);
    // The base choice of a multi-base site; false when given up.
    bool chooseBase(const QString& config);
    QString baseLabel(const QString& folder, qint16 base);
    // Reads one base of the site into PbTParametresSite.Base(index); false when the
    // user cancelled the data-file question.
    bool loadBase(int index);
    bool checkDataFolder(BaseParameters& base, const QString& system, const QString& section);
    void redistributionCopy(const QString& system, const QString& section);
    void readSoundFolders(BaseParameters& base, const QString& system, const QString& section);
    // A folder picked by the user from start's folder, with its final backslash and
    // created when missing; "*" when cancelled.
    QString FolderSelect(const QString& start, const QString& title);

    ProgramState& m_state;
    IniAccess& m_ini;
    FileOperations& m_files;
    FolderChecks& m_folders;
    SystemInfo& m_system;
    RegistryAccess& m_registry;
    const AppVersion& m_version;
    DialogsHost& m_dialogs;
    const Frm_Main& m_frmMain;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    EventPump& m_events;
    LegacyConfiguration m_legacy;
    bool m_siteCountKnown = false; // InitGeneralSite has read the number of bases
    qint16 m_chosenBase = 0;       // 1-based number of the base chosen at start, 0: none
};
