#pragma once

#include <QtGlobal>

class Power;

// Shuts the machine down, forcing the running applications to close. Modes as the
// classic shutdown call: 2 restarts, 1 and 8 switch off (4 and 16, the force
// modifiers, are implied); 0 (log off) and anything else do nothing. Nothing is
// checked: a refused request leaves the machine running.
void ShutdownWindows(Power& power, qint32 mode);
