#pragma once

#include <QString>

// Somewhere else each trace line goes as it is logged, besides the daily file: the
// line's prefix (time, markers, elapsed column) and message, exactly as the file
// gets them, and whether it is an incident.
class TraceMirror {
public:
    virtual ~TraceMirror() = default;
    virtual void traceLine(const QString& prefix, const QString& message, bool incident) = 0;
};
