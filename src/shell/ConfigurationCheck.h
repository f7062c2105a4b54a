#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class FrmSetup;
class Program;
class QTextStream;

// KZ3_Trelvo --check-config: reads the site, the settings and the peripherals files
// with the program's own readers, writes nothing, and tells per Sound4 unit,
// listener and emitter what the program would do with them (connect to, bind,
// send to, or off), then every value it could not use: a port that is not a
// number or not a port, a listening address that is not this computer's, a data
// folder without its database, an unknown mail security.
class ConfigurationCheck {
public:
    ConfigurationCheck(Program& program, QTextStream& out);

    // 0 when every value can be used, 1 otherwise.
    int run(const QString& commandLine);

    // A port typed in a setting: digits only (blanks around allowed), within
    // [min, 65535]; none otherwise.
    static std::optional<quint16> portNumber(const QString& text, int min);
    // Whether the program can listen on this address: any address, or one of this
    // computer's (a name is looked up). reason: why not.
    static bool localAddress(const QString& address, QString& reason);

private:
    void checkSite();
    void checkUnits();
    void checkListeners();
    void checkEmitters();
    void checkMail();
    void unusable(const QString& where, const QString& what);

    Program& m_program;
    QTextStream& m_out;
    const FrmSetup* m_setup = nullptr; // the settings read, while run() runs
    QStringList m_unusable;
};
