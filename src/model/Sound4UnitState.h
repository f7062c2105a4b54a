#pragma once

#include <QtGlobal>

#include <array>

// Per Sound4 unit (0 to 3): session state and the answers awaited from it.
struct Sound4UnitState {
    static constexpr int NbSound4 = 4;
    std::array<bool, NbSound4> PbBSound4Connected{};
    std::array<bool, NbSound4> PbBSound4LoggedIn{};
    std::array<bool, NbSound4> PbBSound4LoginPending{};
    std::array<bool, NbSound4> PbBSound4Reconnect{};
    std::array<bool, NbSound4> PbBSound4PlayerResult{};
    std::array<bool, NbSound4> PbBSound4TestResult{};
    std::array<bool, NbSound4> PbBSound4HelpListe{};
    std::array<bool, NbSound4> PbBSound4HelpSection{};
    std::array<bool, NbSound4> PbBSound4HelpDetail{};
    std::array<qint64, NbSound4> PbCySound4ReconnectAt{}; // uptime milliseconds
    // Operations of the command chosen last in a console command list.
    std::array<bool, 7> PbBSound4Operations{};
};
