#pragma once

#include <QString>
#include <QtGlobal>

// Where trace lines go. Every caller of the program passes -1 for both markers.
class TraceSink {
public:
    virtual ~TraceSink() = default;

    virtual void TraceLog(qint16 marker1, qint16 marker2, const QString& message,
                          bool incident = false, qint16 incidentNumber = -1,
                          bool writeAllowed = true) = 0;

    // Three lines: a row of the frame's first character as long as the message,
    // the message with the given incident flag, and the row again.
    void TraceLogEncadre(qint16 marker1, qint16 marker2, const QString& message,
                         const QString& frame, bool incident) {
        const QChar c = frame.isEmpty() ? QChar(u' ') : frame.front();
        const QString row(message.size(), c);
        TraceLog(marker1, marker2, row, false);
        TraceLog(marker1, marker2, message, incident);
        TraceLog(marker1, marker2, row, false);
    }

    // The ordinary form: markers -1, not an incident unless said.
    void line(const QString& message, bool incident = false) {
        TraceLog(-1, -1, message, incident);
    }
};
