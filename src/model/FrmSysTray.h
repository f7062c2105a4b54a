#pragma once

#include "model/Fields.h"

// The notification-area window: never shown, it owns the icon's pop-up menu and the
// list of the windows the standby hid.
class FrmSysTray {
public:
    // The tip's fixed room: a longer tip is cut.
    static constexpr int TipMax = 64;

    // One row per window hidden by the standby: the window's name, the main window
    // first and then every window that was shown, the last loaded first (the main
    // window thus appears twice). Restoring removes the rows it finds.
    ListField ListeFrm;

    // The pop-up menu "Flottant": "Afficher", a separator, "A propos...".
    QString MnuFlottant{QStringLiteral("Flottant")};
    ButtonField MnuAfficher{QStringLiteral("Afficher")};
    ButtonField MnuAbout{QStringLiteral("A propos...")};

    // What the icon shows while it is in the notification area.
    bool IconShown = false;
    TextField Tip;
    bool Alert = false; // an incident arrived during the standby
};
