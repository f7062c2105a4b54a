#pragma once

#include <QString>
#include <QStringList>

// The program's own options (--headless, --root, --help, --version). The station
// switches (/Instance=, /Wait=, /IP=, /Veille=) pass through untouched as the
// command line that the start-up analyses.
struct LaunchOptions {
    bool help = false;
    bool version = false;
    bool headless = false;
    QString root; // empty: the default root
    QStringList stationSwitches;
    QString error; // set when the command line cannot be used

    static LaunchOptions parse(const QStringList& arguments); // without the program name
    static QString usage();
};
