#pragma once

#include "base/TraceSink.h"
#include "log/LogFileWriter.h"

#include <QDateTime>
#include <QString>

#include <functional>

class CheckField;
class Clock;
class ErrorReporter;
class ListField;
class PathSpace;
class TextField;
class TraceMirror;
class UptimeCounter;
struct ProgramState;

// What the day banner tells about the machine and the program.
class TraceBannerFacts {
public:
    virtual ~TraceBannerFacts() = default;
    virtual QString version() = 0;    // "YYYY.MMDD.HHMM"
    virtual QString executable() = 0; // program folder + executable name + ".exe"
    virtual QString productName() = 0;
    virtual QString computerName() = 0;
    virtual QString themeActiveValue() = 0; // the desktop theme flag as stored, "" when missing
    virtual QString operatingSystem() = 0;
};

// The window controls the trace log writes into.
struct TraceLogLists {
    ListField& ListeLogTemp;        // lines held until the settings window is loaded
    ListField& ListeLog;            // lines not yet written to the file
    TextField& TexteLogNbMaxlignes; // number of buffered lines that triggers a write
    ListField& ListeIncidents;      // the main window's incident list
    CheckField& CheckIncidents;     // the incident indicator
};

// The trace log: timestamped lines, buffered and appended in batches to one file a
// day (named yyyymmdd.Log) in the program's log folder, each day's first write
// starting with a banner; files older than 45 days are purged; incident lines go to
// the incident list at once and force a write.
//
// A batch that cannot be written stays in the buffer and goes with the next write
// that succeeds; beyond MaxWaitingLines the oldest lines are dropped, and the log
// says how many.
//
// Once writeInBackground() has run, the file writes happen on a helper thread: a
// batch stays in the buffer until it is on disk, lines logged meanwhile go with the
// next batch, and a closing program waits for the last one.
class DailyTraceLog final : public TraceSink {
public:
    // A longer message is cut to this many characters, with the count of the rest.
    static constexpr qsizetype MaxLineLength = 2000;

    static constexpr int MaxWaitingLines = 100000;
    static constexpr qint64 RetryDelayMs = 1000; // between automatic retries of a failed write

    DailyTraceLog(ProgramState& state, const Clock& clock, UptimeCounter& uptime,
                  const PathSpace& paths, TraceLogLists lists, TraceBannerFacts& facts);

    void setErrorReporter(ErrorReporter* errors) { m_errors = errors; }
    // File_Delete(windows path, caller name) for the purge of old files.
    void setFileDeleter(std::function<bool(const QString&, const QString&)> deleter) {
        m_deleteFile = std::move(deleter);
    }
    // Each line also goes there as it is logged (standard error for the journal);
    // none: the daily file alone.
    void setMirror(TraceMirror* mirror) { m_mirror = mirror; }

    void TraceLog(qint16 marker1, qint16 marker2, const QString& message, bool incident = false,
                  qint16 incidentNumber = -1, bool writeAllowed = true) override;

    // Writes the list to the log file (today's when fileName is blank; the caller's
    // variable receives the name), with the banner and the purge when due.
    void TraceLogForce(ListField& list, QString& fileName);
    void TraceLogForce(ListField& list);

    // From now on the batches are written on a helper thread.
    void writeInBackground() { m_writer.startThread(); }
    // Blocks until the batch being written is on disk (or failed).
    void waitForWrites() { m_writer.wait(); }
    // Writes the list now and waits until it is on disk: before the file is read,
    // and before the program ends.
    void TraceLogForceNow(ListField& list) {
        waitForWrites();
        TraceLogForce(list);
        waitForWrites();
    }

    // Today's file name without extension: "yyyymmdd".
    QString todayFileName() const;

    // "2 D 3 H 4 Min 5 Sec" for an uptime in milliseconds.
    static QString uptimeText(qint64 milliseconds);

private:
    // One line, already cut to its length, into the lists and the file.
    void logLine(qint16 marker1, qint16 marker2, const QString& message, bool incident,
                 qint16 incidentNumber, bool writeAllowed);
    // "hh:mm:ss:mmm :m1:m2:elapsed:", built in place: every line has one.
    struct LinePrefix {
        char16_t text[32];
        qsizetype size = 0;
        void add(char16_t c) { text[size++] = c; }
        void add(const char* ascii) {
            while (*ascii) {
                add(char16_t(*ascii++));
            }
        }
        QStringView view() const { return QStringView(text, size); }
    };
    LinePrefix linePrefix(qint16 marker1, qint16 marker2);
    QString logFolder() const;
    void writeBatch(ListField& list, const QString& fileName, const QDateTime& now);
    void batchDone(LogFileWriter::Outcome outcome, ListField& list, const QString& today,
                   bool banner);
    QStringList bannerLines();
    void giveRebootWarnings();
    void dropOldestWaiting(ListField& list);
    void purgeOldFiles(const QDate& today);
    void fail(const char* procedure, qint32 line, qint32 number);

    ProgramState& m_state;
    const Clock& m_clock;
    UptimeCounter& m_uptime;
    const PathSpace& m_paths;
    TraceLogLists m_lists;
    TraceBannerFacts& m_facts;
    ErrorReporter* m_errors = nullptr;
    std::function<bool(const QString&, const QString&)> m_deleteFile;
    TraceMirror* m_mirror = nullptr;

    qint64 m_reference = 0;   // uptime of the last line that reset the elapsed column
    qint64 m_lineTick = 0;    // uptime read for the line being logged
    QString m_lastBannerDate; // "dd/MM/yyyy"
    QString m_lastPurgeDate;
    bool m_warned45 = false;
    bool m_warned48 = false;
    bool m_writing = false;
    qint64 m_retryAfter = 0;
    // The batch on its way to the disk: the first rows of that list.
    ListField* m_inFlightList = nullptr;
    int m_inFlightRows = 0;
    bool m_writeAgain = false;
    QString m_batchField;     // the batch size field as last read, and its value
    double m_batchSize = 0.0; // a write was asked for while a batch was on its way
    LogFileWriter m_writer;
};
