#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class ErrorReporter;
class ErrorTrap;
class FolderChecks;
class PathSpace;
class TraceSink;
class UptimeCounter;

// File operations on Windows paths (translated by the path space), each failure
// written to the trace log with the codes the station's tools know (2 not found,
// 32 in use, 1026 source missing, ...).
class FileOperations {
public:
    // relaunch: the main window's restart request, called with a reason after an
    // out-of-memory failure (code 14).
    FileOperations(const PathSpace& paths, TraceSink& trace, ErrorReporter& errors,
                   UptimeCounter& uptime, std::function<void(const QString&)> relaunch = {});

    // Files and folders count; with checkSize an empty file counts as absent.
    // Wildcards are never expanded: a path holding "*" or "?" names nothing.
    bool File_Exist(const QString& path, const QString& callerName, bool checkSize);
    qint32 TailleDuFichier(const QString& path);
    bool File_Copy(const QString& source, const QString& target, qint32 flags = 0,
                   qint32 window = 0);
    bool File_Delete(const QString& path, const QString& callerName, qint32 flags = 0,
                     qint32 window = 0);
    // Bit 1 is read-only: here, the owner's write permission is given back.
    void File_RemoveFlag(const QString& path, qint32 bits);
    double EspaceLibreDisque(const QString& driveRoot);
    // "1,50 Ko": a byte count with the locale's separators.
    static QString LibSize(double bytes);

    // Which side of a copy or delete a system error came from.
    enum class ShellStep { CopySource, CopyTarget, Delete };
    // The shell's code for a system error (errno): 2 not found, 32 in use, 53 folder
    // not found, 1026 source missing, 5 access denied, ...
    static qint32 shellErrorCode(ShellStep step, int error);

private:
    bool lookUp(const QString& path, bool checkSize, ErrorTrap& trap);
    qint64 timedSize(const QString& path);
    qint32 copyFile(const QString& source, const QString& target);
    qint32 deleteFile(const QString& path);

    const PathSpace& m_paths;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    UptimeCounter& m_uptime;
    std::function<void(const QString&)> m_relaunch;
};
