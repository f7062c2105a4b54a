#pragma once

#include <QString>

class Program;

// The program's files as its start-up finds them, for an operation run from the
// command line beside (or instead of) a running copy: the instance of the station
// switches, the site's configuration file, the station's name and number, the
// main window's caption, and the settings and peripherals files. Nothing is
// created, converted or locked, and no setting is loaded.
class OfflineSetup {
public:
    explicit OfflineSetup(Program& program) : m_program(program) {}

    // commandLine: the station switches ("/Instance=3").
    void prepare(const QString& commandLine);

private:
    Program& m_program;
};
