#pragma once

#include "ProgramFixture.h"
#include "RecordingReporter.h"
#include "RecordingTrace.h"
#include "ScriptedDialogs.h"
#include "sound4/Sound4Console.h"

// The Sound4 console on the whole program: fake telnet connections, the program's
// sessions, answer reading and waits on the manual clock, scripted dialogs, and the
// console's own trace lines and error reports recorded.
struct ConsoleFixture {
    ProgramFixture f;
    Program& program = f.program;
    FrmSetup& setup = f.program.frmSetup;
    ProgramState& state = f.program.state;
    RecordingTrace trace;
    RecordingReporter reports;
    ScriptedDialogs dialogs;
    Sound4Console console{program.state, program.frmSetup, program.frmMain, program.sessions,
                          program.waits, dialogs,          trace,           reports};

    ConsoleFixture() {
        program.frmMain.Caption.setText(
            QStringLiteral("Ondelia: Trelvo - 2024.0131.0905 - STUDIO1"));
    }

    FakeTelnetConnection& telnet(int unit) { return f.telnet(unit); }

    // The unit's session is open and flagged so; the connection rows are dropped
    // so that a test sees only the console's own rows.
    void connectUnit(int unit) {
        telnet(unit).setState(TelnetConnection::Connected);
        state.PbBSound4Connected[unit] = true;
        setup.ListeTelNet.clear();
    }

    // A unit's command list as the reading of its answer to "help section" leaves
    // it: commands, descriptions and operation strings in step, nothing chosen.
    struct Command {
        QString name;
        QString description;
        QString operations;
    };
    void fillCommands(int unit, const QList<Command>& commands) {
        for (const Command& c : commands) {
            setup.ComboSound4SectionDetail[unit].addItem(c.name);
            setup.ComboSound4SectionDetailLib[unit].addItem(c.description);
            setup.ComboSound4SectionDetailOperation[unit].addItem(c.operations);
        }
    }
};
