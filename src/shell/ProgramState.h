#pragma once

#include "config/SiteParameters.h"

#include <QDateTime>
#include <QString>
#include <QtGlobal>

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

    // The site read from the suite's configuration (base 0 is the working base).
    SiteParameters PbTParametresSite;

    // Operating-system family recognised by GetOSDisplayString (0 until set).
    qint32 PbLVersionWindows = 0;

    // Snapshot of the last trapped error, written just before the report reads it.
    qint32 PbLErreurNumero = 0;
    qint32 PbLErreurLigne = 0;
    QString PbSErreurDescription;
    QString PbSErreurSource;
};
