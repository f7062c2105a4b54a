#pragma once

#include "shell/Fields.h"

// The settings window's model: its controls are the program's live settings.
class FrmSetup {
public:
    ListField ListeLog;                                   // trace lines not yet written
    TextField TexteLogNbMaxlignes{QStringLiteral("200")}; // lines that trigger a write
};
