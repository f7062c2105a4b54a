#pragma once

#include "model/SiteParameters.h"

#include <QString>
#include <QtGlobal>

#include <array>

// The station and the suite's configuration, as read at start-up.
struct SiteState {
    // The station identifier of the caption and the "Id Radio: " line: the site's
    // label (key "Lib" of section "Site" of the suite's configuration file).
    QString PbSIdRadio;
    // The station's number (key "NoRadio" of the same section): tells a reseller's
    // station from the others; 0 when the site has none.
    qint16 PbINoRadio = 0;

    // The suite's configuration: its file, each base's configuration folder, the
    // program's settings folders and the base chosen at start (-1: given up).
    static constexpr int NbBases = SiteParameters::NbBasesMax;
    QString PbSFichierConfig;
    std::array<QString, NbBases> PbSDossierConfig{};
    QString PbSDossierSettings;
    QString PbSDossierSettingsHisto;
    qint16 BaseChoisie = 0;
    // Per base, the folder of the suite's MX_SYS.ini and MX_PRG.ini.
    std::array<QString, NbBases> PbSDossierConfigFichier{};

    // The site read from the suite's configuration (base 0 is the working base).
    SiteParameters PbTParametresSite;
};
