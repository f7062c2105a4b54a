#pragma once

#include "model/Fields.h"
#include "model/WindowFields.h"

#include <array>

// The settings window's model: its controls are the program's live settings.
class FrmSetup {
public:
    static constexpr int NbSound4 = 4;
    static constexpr int NbUdp = 10;
    template <typename Field> using PerUnit = std::array<Field, NbSound4>;
    template <typename Field> using PerUdp = std::array<Field, NbUdp>;

    FrmSetup() {
        for (ButtonField& b : CommandSound4Login) {
            b.setCaption(QStringLiteral("Login"));
        }
        for (int i = 1; i <= NbSound4; ++i) {
            ComboSound4NoCart.addItem(QString::number(i));
        }
        ComboSound4NoCart.setSelection(0);
        // The window as drawn: 14 400 x 10 800 twips (960 x 720 pixels at 96 dpi), the
        // tab strip above the two buttons, as Form_Resize keeps them.
        Form.Geometry.setGeometry(0, 0, 14400, 10800);
        SftTabsOptions.Geometry.setGeometry(60, 60, 14280, 9780);
        CommandSaveGeometry.setGeometry(11160, 9900, 1500, 405);
        CommandFermerGeometry.setGeometry(12780, 9900, 1500, 405);
    }

    FormField Form{QStringLiteral("FrmSetup")};
    TextField Caption; // "Options: Ondelia: Trelvo - " version

    // The tab strips: the window's own, then those nested in its tabs.
    TabStripField SftTabsOptions{{QStringLiteral("Sound4"), QStringLiteral("Périphériques divers"),
                                  QStringLiteral("Email"), QStringLiteral("Log")}};
    TabStripField SftTabsSound4{{QStringLiteral("Détail commande"), QStringLiteral("Log")}};
    TabStripField SftTabsPeripheriques{{QStringLiteral("Réseau")}};
    TabStripField SftTabsPeripheriquesReseau{
        {QStringLiteral("Emission"), QStringLiteral("Réception")}};
    TabStripField SftTabsPeripheriquesReseauEmission{{QStringLiteral("UDP")}};
    TabStripField SftTabsPeripheriquesReseauReception{{QStringLiteral("UDP")}};
    // "Enregistrer" and "Fermer", below the tab strip.
    GeometryField CommandSaveGeometry;
    GeometryField CommandFermerGeometry;
    // This computer's name and its network address, shown at load.
    std::array<TextField, 2> TexteComputerNameAdresse;

    // Trace log.
    ListField ListeLog;                                   // trace lines not yet written
    TextField TexteLogNbMaxlignes{QStringLiteral("200")}; // lines that trigger a write

    // Sound4 units, one row each.
    PerUnit<TextField> TexteSound4IP;
    PerUnit<TextField> TexteSound4Port;
    PerUnit<TextField> TexteSound4NoSerie;
    PerUnit<TextField> TexteSound4User;
    PerUnit<TextField> TexteSound4PW;
    PerUnit<CheckField> CheckSound4AutoLogin;
    PerUnit<ButtonField> CommandSound4Login; // "Login" or "Logout": the displayed state
    PerUnit<IndicatorField> ShapeNoSound4;

    // UDP listeners (player messages in) and emitters (peripherals out).
    PerUdp<TextField> TexteUDPIPSource;
    PerUdp<TextField> TexteUDPPortSource;
    PerUdp<CheckField> CheckUDPInActif;
    PerUdp<TextField> TexteUDPIPCible;
    PerUdp<TextField> TexteUDPPortCible;
    PerUdp<TextField> TexteUDPPortBCible;
    PerUdp<TextField> TexteUDPDonneeEnvoyees;
    PerUdp<CheckField> CheckUDPOutActif;

    // Alert mail recipients (separated by ";") and alert kinds; kind 0 is the
    // "Problème de connexion à la Sound 4" alert, kinds 1 to 5 carry no caption.
    static constexpr int NbEmailChecks = 6;
    TextField TexteEmailsAdresses;
    std::array<CheckField, NbEmailChecks> CheckEmail;

    // Sound4 console.
    ListField ListeTelNet; // connection events and traffic of all units
    PerUnit<ListField> ComboSound4Section;
    PerUnit<ListField> ComboSound4SectionDetail;
    PerUnit<ListField> ComboSound4SectionDetailLib;
    PerUnit<ListField> ComboSound4SectionDetailOperation;
    ListField ListeSectionCommande;
    ListField ComboSound4NoCart; // "1" to "4": unit k - 1
    TextField TexteCommandeATester;
    ListField ListeResultat;
};
