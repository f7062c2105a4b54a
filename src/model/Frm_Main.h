#pragma once

#include "model/Fields.h"

#include <array>

// The main window's model: its controls, under their own names. Views bind to them;
// without a view the program behaves the same.
class Frm_Main {
public:
    // "Ondelia: Trelvo - " version " - " station once started: titles the message boxes.
    TextField Caption{QStringLiteral("Ondelia: Trelvo")};
    bool VeilleDemandee = false;              // "/Veille=True": go to standby once started
    ListField ListeReception;                 // player messages received, newest first
    ListField ListeEmission;                  // datagrams sent to peripherals, newest first
    std::array<ListField, 1> ListeIncidents;  // the incident list (element 0)
    std::array<CheckField, 1> CheckIncidents; // the incident indicator (element 0)
};
