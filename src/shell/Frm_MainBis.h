#pragma once

#include "shell/Fields.h"

// The hidden window that owns the program's non-visual machinery.
class Frm_MainBis {
public:
    ListField ListeLogTemp; // trace lines held until the settings window is loaded
};
