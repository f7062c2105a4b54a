#pragma once

#include "model/ErrorSnapshot.h"
#include "model/ProgramPhases.h"
#include "model/SettingsState.h"
#include "model/ShellValues.h"
#include "model/SiteState.h"
#include "model/Sound4UnitState.h"
#include "model/UserState.h"

// The program-wide values, one record per concern. main() creates one and hands it
// to whoever needs it; a class that needs one concern only takes that part. Each
// test builds its own, so there is no hidden global state.
struct ProgramState : ProgramPhases,
                      ShellValues,
                      SiteState,
                      SettingsState,
                      Sound4UnitState,
                      UserState,
                      ErrorSnapshot {};
