#pragma once

#include "config/SiteParameters.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

#include <array>

// The program-wide values. main() creates one and hands it to whoever needs it;
// each test builds its own, so there is no hidden global state.
struct ProgramState {
    // Phase flags of the program's life.
    bool PbBInModeLoadingFrmMain = false; // the main window's load sequence runs
    bool PbBFrmMainAffichee = false;
    bool PbBFrmMainChargee = false;
    bool PbBQuitterEnCours = false;       // the user confirmed quitting
    bool PbBFermetureApplication = false; // the main window started to unload
    bool PbBEnVeille = false;             // standby in the notification area
    bool PbBFrmSetupChargee = false;      // the settings window is loaded

    // Values of the shell.
    QString PbSDossierApplication = QStringLiteral("C:\\Mirevox\\Ondelia\\");
    qint16 PbINoInstance = 0;
    QDateTime PbDDateDemarrage;
    QString PbSFormatDate = QStringLiteral("dd/MM/yyyy");
    QString PbSFormatHeure = QStringLiteral("HH:MM:SS");
    bool PbBComposantsManquants = false; // the suite's shared components are missing
    QString PbSLigneCommande;            // the station switches, kept for the whole run
    QString PbSIPCible;                  // "/IP=": logged only
    bool PbBAfficheMsgInit = false;      // the progress window shows the start-up steps
    // The station identifier of the caption and the "Id Radio: " line: the site's
    // label (key "Lib" of section "Site" of the suite's configuration file).
    QString PbSIdRadio;
    // The station's number (key "NoRadio" of the same section): tells a reseller's
    // station from the others; 0 when the site has none.
    qint16 PbINoRadio = 0;

    // The suite's configuration: its file, each base's configuration folder, the
    // program's settings folders and the base chosen at start (-1: given up).
    static constexpr int NbBases = SiteParameters::NbBasesMax;
    QString PbSFichierConfig;
    std::array<QString, NbBases> PbSDossierConfig{};
    QString PbSDossierSettings;
    QString PbSDossierSettingsHisto;
    qint16 BaseChoisie = 0;
    // Per base, the folder of the suite's MX_SYS.ini and MX_PRG.ini.
    std::array<QString, NbBases> PbSDossierConfigFichier{};

    // Settings edited since the last save: options, and network peripherals.
    bool PbBOptionsModifiees = false;
    bool PbBPeripheriquesModifies = false;
    // Number of bases of the site, 1 to 5, read when the settings window loads.
    qint16 PbINbBase = 1;

    // The site read from the suite's configuration (base 0 is the working base).
    SiteParameters PbTParametresSite;

    // Per Sound4 unit (0 to 3): session state and awaited answers.
    static constexpr int NbSound4 = 4;
    std::array<bool, NbSound4> PbBSound4Connected{};
    std::array<bool, NbSound4> PbBSound4LoggedIn{};
    std::array<bool, NbSound4> PbBSound4LoginPending{};
    std::array<bool, NbSound4> PbBSound4Reconnect{};
    std::array<bool, NbSound4> PbBSound4PlayerResult{};
    std::array<bool, NbSound4> PbBSound4TestResult{};
    std::array<bool, NbSound4> PbBSound4HelpListe{};
    std::array<bool, NbSound4> PbBSound4HelpSection{};
    std::array<bool, NbSound4> PbBSound4HelpDetail{};
    std::array<qint64, NbSound4> PbCySound4ReconnectAt{}; // uptime milliseconds
    // Operations of the command chosen last in a console command list.
    std::array<bool, 7> PbBSound4Operations{};

    // Operating-system family recognised by GetOSDisplayString (0 until set).
    qint32 PbLVersionWindows = 0;

    // Snapshot of the last trapped error, written just before the report reads it.
    qint32 PbLErreurNumero = 0;
    qint32 PbLErreurLigne = 0;
    QString PbSErreurDescription;
    QString PbSErreurSource;
};
