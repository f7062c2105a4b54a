#pragma once

#include <QWidget>

class Program;

// The "Sound4" tab of the settings window: the four units' rows with their
// connection buttons, the console that explores a unit's commands, the manual
// command with its result, and the command detail and telnet log.
class Sound4TabView final : public QWidget {
public:
    explicit Sound4TabView(Program& program, QWidget* parent = nullptr);

    // "Sound4 N° 1" for unit 0: units are numbered from 1 for people.
    static QString unitLabel(int unit);

private:
    QWidget* buildUnits();
    QWidget* buildConsole();
    QWidget* buildManualCommand();
    QWidget* buildLists();

    Program& m_program;
};
