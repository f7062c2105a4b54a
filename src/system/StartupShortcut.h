#pragma once

#include <QString>
#include <QtGlobal>

class ErrorReporter;
class ErrorTrap;
class FileOperations;
class PathSpace;
class TraceSink;
struct ShellValues;

// The program's entry in the user's start-up folder, which starts it again at the
// next logon: a desktop entry (the autostart form of a shell link) named
// "Ondelia - Trelvo.desktop".
class StartupShortcut {
public:
    // How this copy of the program was started, for the entry to start it the same way.
    struct Launch {
        QString executable;   // native path of the running executable
        QString explicitRoot; // the --root folder given on the command line, or ""
        QString icon;         // native icon path; "" for the executable itself
    };

    static constexpr qint32 MinimumDelayMs = 1000;
    static constexpr qint32 MaximumDelayMs = 120000;

    StartupShortcut(const ShellValues& state, const PathSpace& paths, TraceSink& trace,
                    ErrorReporter& errors, FileOperations& files, Launch launch);

    // Clamps delayMs to 1000..120000 (the caller's variable receives it), then writes
    // the entry with "/Wait=" and the delay (create True) or removes it (False).
    // Failures are reported under caller + ">Lib_Systeme:CreateShortCutStartUp",
    // except a file that cannot be written, which is traced only.
    void CreateShortCutStartUp(bool create, qint32& delayMs, const QString& caller);

    // The entry's Windows path, in the start-up folder.
    static QString shortcutPath();
    // The entry's text for a delay. Its working folder (Path) is the program's folder,
    // left out while that folder does not exist.
    QString desktopEntry(qint32 delayMs) const;

    // One argument of an Exec line, quoted when it holds a reserved character.
    static QString quoteExecArgument(const QString& argument);
    // A value of a desktop entry with its escapes (\\, \n, \t, \r, a leading \s).
    static QString escapeValue(const QString& value);

private:
    void write(const QString& windowsPath, qint32 delayMs, ErrorTrap& trap);

    const ShellValues& m_state;
    const PathSpace& m_paths;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    FileOperations& m_files;
    Launch m_launch;
};
