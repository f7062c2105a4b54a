#pragma once

#include <QString>
#include <QtGlobal>

class DialogsHost;
class ErrorReporter;
class IniAccess;
class RegistryAccess;
struct ShellValues;

// The older layout of the suite's configuration: a "Mirevox" section in Win.ini
// naming the legacy folders, and one Mx_sys.ini per base. Converting it writes the
// site's configuration file and one KZ3_Systeme.ini per base, once per installation.
// Old systems also get, once, the advice to use a themed style.
class LegacyConfiguration {
public:
    static constexpr int NbBasesMax = 5;
    static constexpr int NbStationsMax = 20;

    LegacyConfiguration(const ShellValues& state, IniAccess& ini, RegistryAccess& registry,
                        DialogsHost& dialogs, ErrorReporter& errors);

    // Builds configFile (and each base's system file) from Win.ini in winDir and the
    // bases' Mx_sys.ini files. callerName: the procedure the conversion runs for.
    void convert(const QString& configFile, const QString& winDir, const QString& callerName);
    // Without a themed style, advises one once (key "Msg" of "ThemeWindows" in
    // configFile remembers it); title: the message box's title.
    void themeAdvice(const QString& configFile, const QString& title);

private:
    // Value of a legacy key: from unc when the switch key reads "ON", else from plain.
    QString switched(const QString& file, const QString& switchSection, const QString& key,
                     const QString& uncSection, const QString& plainSection,
                     const QString& defaultValue);
    void convertBase(const QString& configFile, const QString& winIni, const QString& siteFolder,
                     int nbBase, int base);

    const ShellValues& m_state;
    IniAccess& m_ini;
    RegistryAccess& m_registry;
    DialogsHost& m_dialogs;
    ErrorReporter& m_errors;
};
