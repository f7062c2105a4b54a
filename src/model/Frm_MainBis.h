#pragma once

#include "model/Fields.h"

// The hidden window. What it shows is only the early trace buffer: the lines written
// before the settings window exists. Its non-visual machinery belongs to the
// subsystems that drive it: the Sound4 link owns the telnet connections and the
// 30 s reconnection timer, the relay the UDP sockets, the player queues and the
// dispatcher's timer.
class Frm_MainBis {
public:
    ListField ListeLogTemp; // trace lines held until the settings window is loaded
};
