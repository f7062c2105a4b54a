#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class InstanceLock;
class MainWindow;
class Program;

// The program's start: refuses a second copy, reads the station switches of the
// command line, reads the site and creates its folders, loads the settings window
// (which opens the listeners and logs the units in), opens the base's data files
// and names the station. The
// relay holds its queues until the load is over.
class Startup {
public:
    enum class Outcome {
        Running,   // started: the program runs until it is told to stop
        Refused,   // another copy runs on the same program folder
        Abandoned, // the base choice or the data-file question was given up
        NoUser,    // users are mandatory and no authorised user was chosen: the
                   // program, loaded, unloads (Shutdown) and ends
        Aborted,   // Abort in a data-file error box: the program ends at once, its
                   // trace lines written, nothing else saved
    };

    Startup(Program& program, InstanceLock& instances);

    // Stops the "/Wait=" pause early (a termination request during the start).
    void setStopRequested(std::function<bool()> stopRequested) {
        m_stopRequested = std::move(stopRequested);
    }

    // The main window's procedures, when there is a window: its current tab is laid
    // out at the end of the load.
    void setMainWindow(MainWindow* window) { m_mainWindow = window; }

    // The creation and the load of the main window, for a command line made of the
    // station switches ("/Instance=3 /Wait=2000").
    Outcome run(const QString& commandLine);

    void Form_Initialize();
    Outcome Form_Load(const QString& commandLine);
    bool InitGeneral();
    void InitGeneralSysteme();
    void AnalyseChaineCommand(const QString& commandLine);
    bool TesterPrevInstance(bool stopOther, qint32 waitMs);

    // The station named in the caption and the "Id Radio: " line: the site's label,
    // empty when the site has none.
    QString stationIdentifier();
    // The station's number, key "NoRadio" of the same section: its leading number,
    // 0 when it has none or it does not fit 16 bits.
    qint16 stationNumber();

    // The value of a switch: blanks after the switch skipped, then the leading run of
    // digits (and points when allowed); nothing when the switch is absent.
    static std::optional<QString> switchValue(const QString& commandLine, const QString& name,
                                              bool allowPoints = false);
    // A run of digits as a number, kept within [0, max]; an empty run counts as 0.
    static qint64 digitsValue(const QString& digits, qint64 max);

private:
    void progressStep(const QString& text);
    void pauseFor(qint32 ms);

    Program& m_program;
    InstanceLock& m_instances;
    std::function<bool()> m_stopRequested;
    MainWindow* m_mainWindow = nullptr;
    bool m_dataFilesAborted = false;
};
