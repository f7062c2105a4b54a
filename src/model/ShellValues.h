#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

// The values of the shell: where the program lives, how it was started, and the
// facts of the machine it read once.
struct ShellValues {
    QString PbSDossierApplication = QStringLiteral("C:\\Mirevox\\Ondelia\\");
    qint16 PbINoInstance = 0;
    QDateTime PbDDateDemarrage;
    QString PbSFormatDate = QStringLiteral("dd/MM/yyyy");
    QString PbSFormatHeure = QStringLiteral("HH:MM:SS");
    bool PbBComposantsManquants = false; // the suite's shared components are missing
    QString PbSLigneCommande;            // the station switches, kept for the whole run
    QString PbSIPCible;                  // "/IP=": logged only
    bool PbBAfficheMsgInit = false;      // the progress window shows the start-up steps

    // Operating-system family recognised by GetOSDisplayString (0 until set).
    qint32 PbLVersionWindows = 0;
    // Frame family of the window look, 0 or 1: the windows' bottom margins follow it.
    qint32 PbLLookFamille = 0;
};
