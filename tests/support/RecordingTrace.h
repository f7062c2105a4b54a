#pragma once

#include "base/Blanks.h"
#include "base/TraceSink.h"

#include <QStringList>

// Keeps the trace lines in memory, as the trace log does with its blank-line rule,
// so that tests can read what a procedure logged.
class RecordingTrace final : public TraceSink {
public:
    struct Line {
        QString message;
        bool incident = false;
    };

    void TraceLog(qint16, qint16, const QString& message, bool incident, qint16 incidentNumber,
                  bool) override {
        if (isBlank(message)) {
            return;
        }
        m_lines.push_back({message, incident || incidentNumber >= 0});
    }

    const QList<Line>& lines() const { return m_lines; }
    QStringList messages() const {
        QStringList out;
        for (const Line& l : m_lines) {
            out << l.message;
        }
        return out;
    }
    QStringList incidents() const {
        QStringList out;
        for (const Line& l : m_lines) {
            if (l.incident) {
                out << l.message;
            }
        }
        return out;
    }
    bool contains(const QString& message) const { return messages().contains(message); }
    void clear() { m_lines.clear(); }

private:
    QList<Line> m_lines;
};
