#pragma once

#include "log/TraceMirror.h"

class OffThreadLineWriter;

// The trace lines on standard error, for the journal or a terminal. For the
// journal (JOURNAL_STREAM set and naming standard error), each line starts with its priority as
// sd-daemon writes it: "<3>" (error) for an incident, "<6>" (information) for any other line; plain
// lines otherwise. Text in UTF-8.
class StderrTraceMirror final : public TraceMirror {
public:
    enum class Format { Plain, Journal };

    StderrTraceMirror(OffThreadLineWriter& writer, Format format)
        : m_writer(writer), m_format(format) {}

    void traceLine(const QString& prefix, const QString& message, bool incident) override;

    // Whether standard error is the journal's stream (JOURNAL_STREAM names it).
    static bool stderrIsJournal();

private:
    OffThreadLineWriter& m_writer;
    Format m_format;
};
