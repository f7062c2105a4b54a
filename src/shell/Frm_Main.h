#pragma once

#include "shell/Fields.h"

#include <array>

// The main window's model: its controls, under their own names. Views bind to them;
// without a view the program behaves the same.
class Frm_Main {
public:
    TextField Caption; // "Ondelia: Trelvo - " version " - " station: titles the message boxes
    ListField ListeReception;                 // player messages received, newest first
    ListField ListeEmission;                  // datagrams sent to peripherals, newest first
    std::array<ListField, 1> ListeIncidents;  // the incident list (element 0)
    std::array<CheckField, 1> CheckIncidents; // the incident indicator (element 0)
};
