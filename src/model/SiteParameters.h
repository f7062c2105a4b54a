#pragma once

#include "base/NumberReading.h"

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <array>

// The site: one to five bases, each naming its folders and stations. Base 0 is the
// base the program works on. Until the suite's configuration is read, base 0 holds
// the suite's default folders.
struct StationParameters {
    QString Lib;
    bool Actif = false;
};

struct BaseParameters {
    static constexpr int NbStationsMax = 20;
    static constexpr int NbSoundStations = 10;
    static constexpr int NbSoundKinds = 8;

    QString Lib;
    bool Actif = false;
    qint16 NbStation = 1;
    QString Dossier_Log = QStringLiteral("C:\\AudioLog\\");
    QString Dossier_Histo =
        QStringLiteral("C:\\AudioLog\\Histo_KZ3_Trelvo\\"); // the program's own log folder
    QString Dossier_Log_Pub = QStringLiteral("C:\\AudioLog\\Pub\\");
    QString Dossier_Local = QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\_Local\\");
    QString Dossier_Shared = QStringLiteral("C:\\Mirevox\\Ondelia\\Shared\\");
    QString Dossier_Data = QStringLiteral("C:\\KZ_Data\\");
    QString Dossier_Backup = QStringLiteral("C:\\KZ_Data\\_Bkp\\");
    std::array<std::array<bool, NbSoundKinds>, NbSoundStations> DossiersSonsOption{};
    std::array<std::array<QString, NbSoundKinds>, NbSoundStations> DossiersSons{};
    std::array<StationParameters, NbStationsMax> Stations{};
};

struct SiteParameters {
    static constexpr int NbBasesMax = 5;

    qint16 NbBase = 1;
    QString DossierSettingsLocal = QStringLiteral("C:\\Mirevox\\Ondelia\\Settings\\_Local\\");
    std::array<BaseParameters, NbBasesMax> Base{};
};

// A count held in a configuration value, read as a number the classic way ("3",
// " 3 bases", "abc" is 0) and kept within low..high, so that it can bound a loop
// over the record's arrays.
inline qint32 siteCount(const QString& text, qint32 low, qint32 high) {
    const double v = std::clamp(Val(text).value_or(0.0), double(low), double(high));
    return ToInt32(v).value_or(low);
}
