#pragma once

#include <QString>

#include <optional>

class DailyTraceLog;
class Desktop;
class ListField;
class PathSpace;

// Lets the user pick a log file; the windows provide the dialog.
class LogFileChooser {
public:
    virtual ~LogFileChooser() = default;
    // The chosen file (Windows path), or nothing when the user cancels.
    virtual std::optional<QString> chooseLogFile(const QString& initialFolder,
                                                 const QString& filter,
                                                 const QString& proposedFile) = 0;
};

// LectureLog: writes the pending lines, lets the user pick a log file and opens it
// in the desktop's text editor.
class LogFileViewer {
public:
    LogFileViewer(DailyTraceLog& log, ListField& listeLog, const PathSpace& paths, Desktop& desktop,
                  LogFileChooser* chooser);

    // Today's name "yyyymmdd.Log" is proposed, in the given folder with the prefix.
    // Cancelling, or any failure, ends it without a message.
    void LectureLog(const QString& folder, const QString& prefix);

    // The windows' chooser; none (headless): LectureLog only writes the pending lines.
    void setChooser(LogFileChooser* chooser) { m_chooser = chooser; }

private:
    DailyTraceLog& m_log;
    ListField& m_listeLog;
    const PathSpace& m_paths;
    Desktop& m_desktop;
    LogFileChooser* m_chooser;
};
