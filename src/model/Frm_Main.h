#pragma once

#include "model/Fields.h"
#include "model/WindowFields.h"

#include <QTimer>

#include <array>

// The main window's model: its controls, under their own names. Views bind to them;
// without a view the program behaves the same.
class Frm_Main {
public:
    static constexpr int FlashIntervalMs = 100;

    Frm_Main() {
        // "Incidents" is unavailable until the first incident.
        SftTabsMain.setAvailable(2, false);
        TimerFlash.setInterval(FlashIntervalMs);
        TimerVeille.setInterval(100);
        CommandIncidentsPurge[0].setCaption(QStringLiteral("Purger"));
        Mnu01CurrentUser.setVisible(false); // nobody is known before the registry is read
        // The window's size as drawn: 9 000 x 6 000 twips (600 x 400 pixels at 96 dpi).
        Form.Geometry.setGeometry(0, 0, 9000, 6000);
        SftTabsMain.Geometry.setGeometry(60, 60, 8760, 5220);
        IncidentsGeometry.setGeometry(60, 420, 8565, 4140);
        PurgeGeometry.setGeometry(7350, 4640, 1200, 375);
    }

    FormField Form{QStringLiteral("Frm_Main")};
    // What the window shows: the normal caption, or "Err: " + it while an incident
    // alert is on. It titles the message boxes.
    TextField Caption{QStringLiteral("Ondelia: Trelvo")};
    // "Ondelia: Trelvo - " version " - " station once started; set through the
    // incident alert, which keeps Caption in step.
    QString NormalCaption{QStringLiteral("Ondelia: Trelvo")};
    bool VeilleDemandee = false; // "/Veille=True": go to standby once started

    TabStripField SftTabsMain{
        {QStringLiteral("Upload"), QStringLiteral("Download"), QStringLiteral("Incidents")}};
    ListField ListeReception;                         // player messages received, newest first
    ListField ListeEmission;                          // datagrams sent to peripherals, newest first
    std::array<ListField, 1> ListeIncidents;          // the incident list (element 0)
    std::array<CheckField, 1> CheckIncidents;         // the incident indicator (element 0)
    CheckField CheckIncidentsFeuilleNonChargee;       // an alert given before the load ended
    std::array<ButtonField, 1> CommandIncidentsPurge; // "Purger"
    GeometryField IncidentsGeometry;                  // ListeIncidents(0) on the "Incidents" tab
    GeometryField PurgeGeometry;                      // CommandIncidentsPurge(0) below it

    // Menu entries the current user's rights drive: "Utilisateur en cours: " + name,
    // shown once a user is known; "Options...", enabled by the user's right 44.
    ButtonField Mnu01CurrentUser{QStringLiteral("Utilisateur en cours")};
    ButtonField Mnu01Options{QStringLiteral("Options...")};

    QTimer TimerFlash;  // flashes the window while an alert is on
    QTimer TimerVeille; // a standby asked for at start, once the window is shown
};
