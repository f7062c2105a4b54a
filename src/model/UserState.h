#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

// The current user of the suite and the user's rights, as the suite's user tool
// left them in the registry, and the site's mandatory-users rule.
struct UserState {
    static constexpr int NbDroits = 80;
    static constexpr int FirstRight = 12; // Droits(12) is character 1 of ChaineDroits

    QString UtilisateurCourant;    // the user's identifier; empty when nobody is identified
    QString NomUtilisateurCourant; // the user's display name
    QString ChaineDroits;          // one digit per right
    QString BoutonUtilisateur;     // the button that left the user tool ("Fermer": closed)
    bool UtilisateurConnu = false; // a current user has been read
    std::array<qint16, NbDroits> Droits{};
    // Users are mandatory on this site: read once per run.
    std::optional<bool> DroitsUsersActif;
};
