#pragma once

#include <QtGlobal>

// What the program knows of its own settings besides the settings window's fields.
struct SettingsState {
    // Settings edited since the last save: options, and network peripherals.
    bool PbBOptionsModifiees = false;
    bool PbBPeripheriquesModifies = false;
    // Number of bases of the site, 1 to 5, read when the settings window loads.
    qint16 PbINbBase = 1;
};
