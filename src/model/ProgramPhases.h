#pragma once

// The phase flags of the program's life. Handlers that run inside a wait read them
// to know what the program is doing.
struct ProgramPhases {
    bool PbBInModeLoadingFrmMain = false; // the main window's load sequence runs
    bool PbBFrmMainAffichee = false;
    bool PbBFrmMainChargee = false;
    bool PbBQuitterEnCours = false;       // the user confirmed quitting
    bool PbBFermetureApplication = false; // the main window started to unload
    bool PbBEnVeille = false;             // standby in the notification area
    bool PbBFrmSetupChargee = false;      // the settings window is loaded
};
