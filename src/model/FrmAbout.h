#pragma once

#include "model/Fields.h"
#include "model/WindowFields.h"

// The about box: the program's name and version, the maker's notices and two
// buttons. Its texts are set when it loads.
class FrmAbout {
public:
    FrmAbout() {
        // As drawn: 6 750 x 3 900 twips (450 x 260 pixels at 96 dpi).
        Form.Geometry.setGeometry(0, 0, 6750, 3900);
    }

    FormField Form{QStringLiteral("FrmAbout")};
    TextField Caption{QStringLiteral("À propos de Ondelia Trelvo")};
    TextField lblTitle{QStringLiteral("Ondelia Trelvo")};
    TextField lblVersion;     // "Version " + the program's version
    TextField lblDescription; // what the program does
    TextField lblCopyright;   // the maker's notice, with the current year
    TextField lblDisclaimer;  // the legal notice
    ButtonField cmdOK{QStringLiteral("OK")};
    ButtonField cmdSysInfo{QStringLiteral("&Infos système...")};
};
