#include "log/LogFileViewer.h"

#include "log/DailyTraceLog.h"
#include "platform/Desktop.h"
#include "platform/PathSpace.h"

LogFileViewer::LogFileViewer(DailyTraceLog& log, ListField& listeLog, const PathSpace& paths,
                             Desktop& desktop, LogFileChooser* chooser)
    : m_log(log), m_listeLog(listeLog), m_paths(paths), m_desktop(desktop), m_chooser(chooser) {}

void LogFileViewer::LectureLog(const QString& folder, const QString& prefix) {
    m_log.TraceLogForceNow(m_listeLog); // the file shown holds every line
    const QString today = m_log.todayFileName();
    if (!m_chooser) {
        return; // no window to choose from
    }
    const std::optional<QString> chosen = m_chooser->chooseLogFile(
        folder, QStringLiteral("Logs|*.log"), folder + prefix + today + QStringLiteral(".Log"));
    if (!chosen || chosen->trimmed().isEmpty()) {
        return;
    }
    m_desktop.openWithDefaultApplication(m_paths.toNative(*chosen));
}
