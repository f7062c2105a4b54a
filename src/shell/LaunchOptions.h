#pragma once

#include <QString>
#include <QStringList>

// The program's own options (--headless, --root, --log-stderr, --test-mail,
// --check-config, --help, --version). The station
// switches (/Instance=, /Wait=, /IP=, /Veille=) pass through untouched as the
// command line that the start-up analyses.
struct LaunchOptions {
    bool help = false;
    bool version = false;
    bool headless = false;
    bool logStderr = false;   // every trace line on standard error too
    bool testMail = false;    // send the settings' test mail, then exit
    bool checkConfig = false; // report what the configuration files make, then exit
    QString root;             // empty: the default root
    QStringList stationSwitches;
    QString error; // set when the command line cannot be used

    static LaunchOptions parse(const QStringList& arguments); // without the program name
    static QString usage();
};
