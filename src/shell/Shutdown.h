#pragma once

#include <QtGlobal>

class Program;

// The program's end when the system stops it (SIGTERM, SIGINT, a session that
// logs off): no question. Marks the program as closing, clears the suite's backup
// flag of each base, lets pending events run for half a second, saves the main
// window's position, closes the data files, unloads the settings window (which
// saves its own, records the
// connected units and writes the last trace lines), then the other windows: the
// about box, and the tray window, which takes the standby's icon away. The caller
// then ends this process only.
class Shutdown {
public:
    static constexpr qint64 SettleMs = 500;

    explicit Shutdown(Program& program) : m_program(program) {}

    void Form_Unload(qint16 cancel = 0);

private:
    Program& m_program;
};
